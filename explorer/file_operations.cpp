#include "explorer/file_operations.h"

#include "core/events.h"
#include "core/state.h"
#include "core/text.h"
#include "desktop/desktop.h"
#include "dialogs/dialogs.h"
#include "explorer/explorer_window.h"
#include "explorer/listing.h"
#include "gfx/image.h"
#include "platform/platform.h"
#include "users/user_files.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <sys/stat.h>

int menu_item = 0;

namespace {

constexpr int kItems = 7;
// Pop-up layout, relative to its top left     x    y    w    h
constexpr SDL_Rect kMenu                   = {  0,   0,  94, 137};
constexpr SDL_Rect kFirstItem              = { 23,   3,  65,  15};
// The highlight steps by 19 pixels per item while the touch areas step by 20.
constexpr int kHighlightStep = 19, kTouchStep = 20;
constexpr int kScreenHeight = 240;
constexpr int kLowestMenuY = 103;
constexpr int kNoChoice = -2;

enum Button { kUp = 0, kDown = 4, kCancel = 9, kChoose = 13, kClose = 14 };

// A command holds at most two quoted paths, each a directory (499
// characters) and a name (199), escaped to at most twice their length.
constexpr size_t kCommandCapacity = 3072;
static_assert(kCommandCapacity > 2 * (2 * (sizeof explorer_path + kNameCapacity + 16) + 8),
              "two escaped paths and a verb fit a command");

char clipboard_name[500];
char clipboard_dir[sizeof explorer_path];   // the directory it was cut or copied from
// A path in the directory shown: a listed name, "-copy" and a temporary
// name's ending.
constexpr size_t kPathCapacity = sizeof explorer_path + kNameCapacity + 16;
bool clipboard_is_directory;
// "cp \"<source>\" ", prepared by cut or copy and completed by paste with
// the directory shown then; also where delete, rename, picture and
// wallpaper build their commands, so they leave the clipboard with nothing
// to paste.
char paste_command[kCommandCapacity];
char remove_command[kCommandCapacity];      // removes the source of a pasted cut

SDL_Surface* menu_picture;
SDL_Surface* menu_highlight;

void notice(const char* text)
{
    message_box(screen, text, 0, skin_name);
}

bool is(const char* text, const char* literal)
{
    return std::strcmp(text, literal) == 0;
}

void redraw()
{
    draw_desktop();
    draw_explorer();
}

void list_again()
{
    list_directory(explorer_list, explorer_path, explorer_filter);
}

void forget_commands()
{
    paste_command[0] = '\0';
    remove_command[0] = '\0';
}

bool is_png(const char* name)
{
    char type[4];
    file_extension(name, type);
    return is(type, "png");
}

// --- command lines ---

// Appends "<dir><name><suffix>" between double quotes, escaped so that the
// shell takes every character literally.
bool append_quoted(char (&command)[kCommandCapacity], const char* dir, const char* name, const char* suffix = "")
{
    char escaped[2 * kPathCapacity];
    bool ok = append_text(command, "\"");
    for (const char* part : {dir, name, suffix})
        ok = ok && escape_for_double_quotes(escaped, sizeof escaped, part) && append_text(command, escaped);
    return ok && append_text(command, "\"");
}

// command = verb, the quoted path of name in dir, tail. Left empty (and
// false) when it does not fit, so a cut command line never runs.
bool build(char (&command)[kCommandCapacity], const char* verb, const char* dir, const char* name, const char* tail)
{
    command[0] = '\0';
    bool ok = append_text(command, verb) && append_quoted(command, dir, name) && append_text(command, tail);
    if (!ok)
        command[0] = '\0';
    return ok;
}

// --- the clipboard ---

bool take(const char* name, const char* mode)
{
    clipboard_is_directory = is_directory(explorer_path, name);
    copy_text(clipboard_mode, mode);
    copy_text(clipboard_name, name);
    copy_text(clipboard_dir, explorer_path);
    build(paste_command, clipboard_is_directory ? "cp -r " : "cp ", explorer_path, name, " ");
    if (is(mode, "cut"))
        build(remove_command, clipboard_is_directory ? "rm -rf " : "rm ", explorer_path, name, "");
    return true;
}

bool listed(const char* name)
{
    for (int slot = 0; slot < count_entries(explorer_list); ++slot)
        if (is(explorer_list.name[slot], name))
            return true;
    return false;
}

// Both paths name one and the same entry (also through another spelling).
bool same_entry(const char* a, const char* b)
{
    struct stat first, second;
    return lstat(a, &first) == 0 && lstat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

// Whether directory is the directory source or lies below it.
bool within(const char* directory, const char* source)
{
    char real_directory[PATH_MAX], real_source[PATH_MAX];
    if (!realpath(directory, real_directory) || !realpath(source, real_source))
        return false;
    size_t n = std::strlen(real_source);
    return std::strncmp(real_directory, real_source, n) == 0 &&
           (real_directory[n] == '\0' || real_directory[n] == '/');
}

// A paste onto the source itself would copy it onto itself and, for a cut,
// then remove it; a directory pasted into itself would copy without end.
bool lands_on_source(bool as_copy)
{
    char source[sizeof clipboard_dir + sizeof clipboard_name];
    char destination[sizeof explorer_path + sizeof clipboard_name + 8];
    format_into(source, "%s%s", clipboard_dir, clipboard_name);
    format_into(destination, "%s%s%s", explorer_path, clipboard_name, as_copy ? "-copy" : "");
    return same_entry(source, destination) || (clipboard_is_directory && within(explorer_path, source));
}

// --- copies into place ---

bool present(const char* path)
{
    struct stat status;
    return lstat(path, &status) == 0;
}

bool regular_file(const char* path)
{
    struct stat status;
    return lstat(path, &status) == 0 && S_ISREG(status.st_mode);
}

// A copy is made under a name of its own beside its target: "<target>.part",
// or ".part1" to ".part9" when that is taken (a copy of an earlier run that
// a power cut left). False when all are taken.
bool temporary_beside(char (&temporary)[kPathCapacity], const char* target)
{
    for (int n = 0; n < 10; ++n) {
        bool named = n == 0 ? format_into(temporary, "%s.part", target)
                            : format_into(temporary, "%s.part%d", target, n);
        if (named && !present(temporary))
            return true;
    }
    return false;
}

// Runs copy_start (a copy command up to its target) onto a temporary name
// beside target and gives the copy target's name only once it is whole and
// on the card, so that a full or write-protected card, or a power cut,
// leaves target as it was: the old file byte for byte, or no entry. On
// failure what the copy made is removed, and nothing else.
bool copy_into_place(const char* copy_start, const char* target)
{
    char temporary[kPathCapacity];
    char command[kCommandCapacity];
    if (!temporary_beside(temporary, target) || !copy_text(command, copy_start) ||
        !append_quoted(command, temporary, ""))
        return false;
    bool copied = platform_run(command) == 0;
    platform_run("sync");
    if (copied && std::rename(temporary, target) == 0) {
        platform_run("sync");
        return true;
    }
    if (build(command, "rm -rf ", temporary, "", "")) {
        platform_run(command);
        platform_run("sync");
    }
    return false;
}

enum class Pasted { Done, Refused, Failed, SourceKept };

// Copies the clipboard's entry into the directory shown, under its own name
// or, asked for, with "-copy" added. A file of that name is replaced as a
// whole; a folder, or a file where a folder is, is not merged or replaced.
// The source of a cut is removed only once its copy is in place. Nothing
// runs for a paste that is refused.
Pasted paste_entry()
{
    char target[kPathCapacity];
    format_into(target, "%s%s", explorer_path, clipboard_name);
    bool taken = listed(clipboard_name) || present(target);
    bool as_copy = taken && message_box(screen, "Create copy here?", 1, skin_name) == 1;
    if (lands_on_source(as_copy)) {
        notice("Cannot paste here!");
        return Pasted::Refused;
    }
    if (as_copy && !append_text(target, "-copy"))
        return Pasted::Failed;
    if (present(target) && (clipboard_is_directory || !regular_file(target))) {
        notice("File already exists!");
        return Pasted::Refused;
    }
    wait_box(screen, skin_name);
    if (!copy_into_place(paste_command, target))
        return Pasted::Failed;
    if (!is(clipboard_mode, "cut") || remove_command[0] == '\0')
        return Pasted::Done;
    bool removed = platform_run(remove_command) == 0;
    platform_run("sync");
    return removed ? Pasted::Done : Pasted::SourceKept;
}

// A refused paste keeps the clipboard for another directory. A delete,
// picture or wallpaper since the cut or copy left nothing to paste: the
// clipboard just empties.
bool paste()
{
    if (!is(clipboard_mode, "cut") && !is(clipboard_mode, "copy")) {
        notice("Copy a file first.");
        return false;
    }
    Pasted pasted = paste_command[0] != '\0' ? paste_entry() : Pasted::Done;
    if (pasted == Pasted::Refused)
        return false;
    list_again();
    copy_text(clipboard_mode, "");
    paste_command[0] = '\0';
    if (pasted == Pasted::Failed)
        notice("Paste failed!");
    else if (pasted == Pasted::SourceKept)
        notice("Original was not deleted!");
    return pasted == Pasted::Done;
}

// --- the other operations ---

bool delete_entry(const char* name)
{
    char question[16 + kNameCapacity];
    format_into(question, "Delete %s?", name);
    if (message_box(screen, question, 1, skin_name) != 1)
        return false;
    wait_box(screen, skin_name);
    bool directory = is_directory(explorer_path, name);
    bool deleted = build(paste_command, directory ? "rm -rf " : "rm ", explorer_path, name, "") &&
                   platform_run(paste_command) == 0;
    platform_run("sync");
    list_again();
    forget_commands();
    if (!deleted)
        notice("Delete failed!");
    return deleted;
}

// A new name that another entry already has would replace that entry; the
// same entry under another spelling (a change of case on a card that
// ignores case) is no other entry.
bool name_free(const char* old_name, const char* new_name)
{
    char old_path[sizeof explorer_path + kNameCapacity], new_path[sizeof explorer_path + kNameCapacity];
    format_into(old_path, "%s%s", explorer_path, old_name);
    format_into(new_path, "%s%s", explorer_path, new_name);
    struct stat status;
    return lstat(new_path, &status) != 0 || same_entry(old_path, new_path);
}

// The keyboard shows at most 22 characters and the text 49: a name left as
// it was given (even one cut to fit) is not renamed.
bool rename_entry(const char* name)
{
    std::memset(edit_text, 0, sizeof edit_text);
    copy_text(edit_text, name);
    char given[sizeof edit_text];
    copy_text(given, edit_text);
    bool renamed = on_screen_keyboard(screen, edit_text, skin_name) == 1 && edit_text[0] != '\0' &&
                   !is(edit_text, given);
    bool taken = renamed && !name_free(name, edit_text);
    bool failed = false;
    if (renamed && !taken) {
        bool built = build(paste_command, "mv ", explorer_path, name, " ") &&
                     append_quoted(paste_command, explorer_path, edit_text);
        failed = !built || platform_run(paste_command) != 0;
    }
    platform_run("sync");
    list_again();
    copy_text(clipboard_mode, "");
    forget_commands();
    if (taken)
        notice("File already exists!");
    else if (failed)
        notice("Rename failed!");
    return !taken && !failed;
}

// Copies a png file to target, replacing a file of that name as a whole;
// failure tells that it could not (failed_text).
bool copy_png(const char* name, const char* target, const char* failed_text)
{
    wait_box(screen, skin_name);
    if (!is_png(name)) {
        notice("Must be a png file.");
        return false;
    }
    bool copied = build(paste_command, "cp ", explorer_path, name, " ") && copy_into_place(paste_command, target);
    forget_commands();
    if (!copied)
        notice(failed_text);
    return copied;
}

bool set_user_picture(const char* name)
{
    // Account names are plain words: "user/<name>/" is the account's folder.
    char target[40];
    if (!is_plain_shell_word(user_name) || !format_into(target, "user/%s/pic.png", user_name))
        return true;
    if (!copy_png(name, target, "Could not set picture!"))
        return false;
    load_user(current_user, user_name);
    return true;
}

bool add_wallpaper(const char* name)
{
    char target[kPathCapacity];
    format_into(target, "resources/wallpaper/%s", name);
    return copy_png(name, target, "Could not add wallpaper!");
}

// Each operation tells whether it ended normally; one that ended with a
// notice leaves the notice on the screen.
bool named_operation(int op, const char* name)
{
    switch (op) {
    case kOperationCut: return take(name, "cut");
    case kOperationCopy: return take(name, "copy");
    case kOperationDelete: return delete_entry(name);
    case kOperationRename: return rename_entry(name);
    case kOperationUserPicture: return set_user_picture(name);
    case kOperationWallpaper: return add_wallpaper(name);
    default: return true;
    }
}

// --- the pop-up ---

SDL_Rect item_rect(int x, int y, int k)
{
    SDL_Rect rect;
    set_rect(rect, x + kFirstItem.x, y + kFirstItem.y + kTouchStep * k, kFirstItem.w, kFirstItem.h);
    return rect;
}

int touched_item(int px, int py, int x, int y)
{
    SDL_Rect menu;
    set_rect(menu, x, y, kMenu.w, kMenu.h);
    if (!point_in(px, py, menu))
        return kOperationCancelled;
    for (int k = 0; k < kItems; ++k) {
        if (point_in(px, py, item_rect(x, y, k))) {
            menu_item = k;
            return k;
        }
    }
    return kNoChoice;
}

int pressed_item(int button)
{
    switch (button) {
    case kCancel:
    case kClose:
        return kOperationCancelled;
    case kChoose:
        return menu_item;
    case kUp:
        menu_item = wrapped_step(menu_item, -1, kItems);
        break;
    case kDown:
        menu_item = wrapped_step(menu_item, +1, kItems);
        break;
    default:
        break;
    }
    return kNoChoice;
}

} // namespace

int operations_menu(SDL_Surface* surface, int x, int y, const char* skin)
{
    load_cached(menu_picture, "exprop.png", skin);
    load_cached(menu_highlight, "propsel.png", skin);
    if (y + kMenu.h > kScreenHeight)
        y = kLowestMenuY;
    SDL_Event menu_event{};
    for (;;) {
        blit_onto(surface, menu_picture, x, y);
        blit_onto(surface, menu_highlight, x + kFirstItem.x, y + kFirstItem.y + kHighlightStep * menu_item);
        show_whole_screen(surface);
        wait_event_into(menu_event);
        int choice = kNoChoice;
        if (menu_event.type == SDL_JOYBUTTONDOWN)
            choice = pressed_item(menu_event.jbutton.button);
        else if (menu_event.type == SDL_MOUSEBUTTONDOWN)
            choice = touched_item(menu_event.button.x, menu_event.button.y, x, y);
        if (choice != kNoChoice)
            return choice;
    }
}

void file_operation(int op, const char* name)
{
    redraw();
    if (op == kOperationCancelled)
        return;
    bool guest = is(user_kind, "guest");
    bool ended_normally = true;
    if (guest && op != kOperationRename && op != kOperationUserPicture) {
        notice("User access denied.");
        ended_normally = false;
    } else if (op == kOperationPaste) {
        ended_normally = paste();
    } else if (name && name[0] != '\0') {
        // Listing again refills explorer_list, where name lives.
        char entry[kNameCapacity];
        copy_text(entry, name);
        ended_normally = named_operation(op, entry);
    }
    if (ended_normally)
        redraw();
}
