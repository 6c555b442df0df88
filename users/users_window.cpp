#include "users/users_window.h"

#include "core/events.h"
#include "core/state.h"
#include "core/text.h"
#include "desktop/desktop.h"
#include "dialogs/dialogs.h"
#include "explorer/listing.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "platform/platform.h"
#include "users/user_files.h"

#include <array>
#include <cstring>

namespace {

enum Row { kAccount, kName, kKind, kPassword, kAutologon, kNewAccount, kRows };

// Layout                             x    y    w    h
constexpr SDL_Rect kWindow        = { 20,  20, 280, 200};
constexpr SDL_Rect kCloseBox      = {277,  25,  17,  17};
constexpr SDL_Rect kOkButton      = {215, 193,  73,  18};
constexpr SDL_Rect kDeleteButton  = {135, 193,  73,  18};
constexpr SDL_Rect kNextAccount   = {208,  55,  16,  16};
constexpr SDL_Rect kPrevAccount   = {103,  55,  16,  16};
constexpr SDL_Rect kNextKind      = {208, 111,  16,  16};
constexpr SDL_Rect kPrevKind      = {103, 111,  16,  16};
constexpr SDL_Rect kNameRow       = { 37,  83, 172,  16};
constexpr SDL_Rect kPasswordRow   = { 37, 139, 172,  16};
constexpr SDL_Rect kAutologonRow  = { 37, 167,  83,  16};
constexpr SDL_Rect kNewAccountRow = { 37, 195,  65,  16};
constexpr SDL_Rect kPicture       = {241,  53,  43,  43};
constexpr SDL_Rect kTick          = {115, 171,   8,   8};
constexpr int kHighlightX = 37, kHighlightY = 55, kRowStep = 28;
constexpr int kTextX = 120;
// The kind row of an account folder that has no "data.st".
constexpr const char* kNoData = "(no user data)";
constexpr int kAccountTextY = 56, kNameTextY = 84, kKindTextY = 112, kPasswordTextY = 140;
// The fields' room from the first glyph at kTextX + 3: between the arrows
// (account, type) and up to the field's edge (name, password).
constexpr int kArrowField = 81, kWideField = 99;
constexpr int kSmallTextDrop = 3;

enum Button { kUp = 0, kPrevious = 2, kDown = 4, kNext = 6, kOk = 9, kDelete = 12, kActivate = 13, kClose = 14 };

// The button's template leaves the names bare, the touch's quotes them.
constexpr const char* kRenamePlain = "mv user/%s user/%s";
constexpr const char* kRenameQuoted = "mv \"user/%s\" \"user/%s\"";

NameTable user_list;     // "user/", read again at every call of the input handler
int user_index;          // edit_user's place in user_list, 0 when not found
int kind_index;          // edit_user's kind in kind_choices, 0 for any other
char name_entry[50];     // the keyboard's text

SDL_Surface* window_picture;
SDL_Surface* tick;
SDL_Surface* row_highlight;

void notice(const char* text)
{
    message_box(screen, text, 0, skin_name);
}

bool is_admin(const char* kind)
{
    return std::strcmp(kind, "admin") == 0;
}

bool shown_is_autologon()
{
    return autolog_user[0] != '\0' && std::strcmp(autolog_user, edit_user.name) == 0;
}

void refresh_lists()
{
    list_accounts(user_list);
    std::memset(name_entry, 0, sizeof name_entry);
    user_index = 0;
    for (int i = 0; i < count_entries(user_list); ++i)
        if (std::strcmp(user_list.name[i], edit_user.name) == 0) {
            user_index = i;
            break;
        }
    kind_index = std::strcmp(edit_user.kind, kind_choices[1]) == 0 ? 1 : 0;
}

int last_account()
{
    return count_entries(user_list) - 1;
}

// An account folder without its "data.st" (made on a PC, or left by an
// older version cut short while creating it) is shown with no kind, so that
// it can be stepped past and deleted rather than stopping the stepping.
void load_shown_account(const char* name)
{
    if (read_user(edit_user, name))
        return;
    copy_text(edit_user.name, name);
    std::memset(edit_user.kind, 0, sizeof edit_user.kind);
    std::memset(edit_user.password, 0, sizeof edit_user.password);
    SDL_FreeSurface(edit_user.picture);
    edit_user.picture = load_image("resources/pic.png");
    zoom_image(edit_user.picture, kPicture.w, kPicture.h);
}

// The account being left keeps its kind and password changes.
void show_account(int index)
{
    save_user_data(edit_user);
    user_index = index;
    load_shown_account(user_list.name[index]);
}

void set_kind(int index)
{
    kind_index = index;
    copy_text(edit_user.kind, kind_choices[static_cast<size_t>(index)]);
}

// The keyboard stops where the record's fields end, so what is typed is
// what is kept (a cut password could never be typed again at logon).
bool type_name_entry(const char* start, size_t field_capacity)
{
    copy_text(name_entry, start);
    return on_screen_keyboard(screen, name_entry, field_capacity, skin_name) != 0;
}

void close_window()
{
    play_click();
    current_window = return_window;
}

void confirm()
{
    save_user_data(edit_user);
    current_window = return_window;
}

// --- rename, delete, create ---

// An account name from the listing names a folder right under "user/".
bool names_account_folder(const char* name)
{
    std::string_view text(name);
    return !text.empty() && text != "." && text != ".." && text.find('/') == std::string_view::npos;
}

bool rename_command(char (&command)[160], const char* old_name, const char* new_name, bool quoted)
{
    if (!quoted && is_plain_shell_word(old_name))
        return format_into(command, kRenamePlain, old_name, new_name);
    char escaped_old[2 * sizeof edit_user.name];
    char escaped_new[2 * sizeof edit_user.name];
    return escape_for_double_quotes(escaped_old, sizeof escaped_old, old_name) &&
           escape_for_double_quotes(escaped_new, sizeof escaped_new, new_name) &&
           format_into(command, kRenameQuoted, escaped_old, escaped_new);
}

// Moves the account folder old_name to new_name; true when the folder is
// there under its new name.
bool move_account(const char* old_name, const char* new_name, bool quoted)
{
    char command[160];
    if (!rename_command(command, old_name, new_name, quoted))
        return false;
    bool moved = platform_run(command) == 0 && account_exists(new_name);
    platform_run("sync");
    return moved;
}

// The new name must be one the shell reads as a plain word and no account
// has yet; the folder moves, and the logged-on user and the automatic
// logon follow it. A move the card refuses changes nothing; an automatic
// logon that cannot follow (a full card, where a rename still goes) moves
// the folder back, so that the next start still logs the account on.
void rename_account(bool quoted)
{
    char old_name[sizeof edit_user.name];
    copy_text(old_name, edit_user.name);
    if (!type_name_entry(old_name, sizeof edit_user.name) || std::strcmp(name_entry, old_name) == 0)
        return;
    if (!names_account_folder(old_name) || !account_name_allowed(name_entry))
        return;
    if (!move_account(old_name, name_entry, quoted)) {
        notice("Could not rename user!");
        return;
    }
    if (std::strcmp(autolog_user, old_name) == 0) {
        UserRecord renamed = edit_user;
        copy_text(renamed.name, name_entry);
        if (!toggle_autologon(renamed)) {
            if (move_account(name_entry, old_name, quoted)) {
                notice("Could not rename user!");
                return;
            }
            notice("Could not save settings!");
        }
    }
    if (std::strcmp(user_name, old_name) == 0)
        load_user(current_user, name_entry);
    load_shown_account(name_entry);
}

// True when the account's folder is gone; the automatic logon goes with it.
bool remove_account(const char* name)
{
    char command[64];
    if (!format_into(command, "rm -rf user/%s", name))
        return false;
    wait_box(screen, skin_name);
    platform_run(command);
    platform_run("sync");
    if (is_directory("user/", name))
        return false;
    if (std::strcmp(autolog_user, name) == 0) {
        platform_run("rm resources/autolog.st");
        platform_run("sync");
        std::memset(autolog_user, 0, sizeof autolog_user);
    }
    return true;
}

// Only an administrator deletes, and never an administrator's account. The
// folder goes with "rm -rf", so only a plain name of an existing account
// folder is given to it. A folder the card keeps (write-protected) stays
// shown, as much of it as is left.
void delete_account()
{
    if (!is_admin(user_kind) || is_admin(edit_user.kind)) {
        notice("User access violation!");
        return;
    }
    char name[sizeof edit_user.name];
    copy_text(name, edit_user.name);
    if (!is_plain_shell_word(name) || !is_directory("user/", name)) {
        notice("Invalid user name!");
        return;
    }
    if (!message_box(screen, "Delete current user?", 1, skin_name))
        return;
    bool removed = remove_account(name);
    list_accounts(user_list);
    user_index = 0;
    if (removed) {
        load_shown_account(user_list.name[0]);
        return;
    }
    load_shown_account(name);
    notice("Could not delete user!");
}

void new_account()
{
    if (!check_rights())
        return;
    if (!type_name_entry("", sizeof edit_user.name) || !account_name_allowed(name_entry))
        return;
    wait_box(screen, skin_name);
    create_user(name_entry);
}

void edit_password()
{
    if (type_name_entry(edit_user.password, sizeof edit_user.password) && password_allowed(name_entry))
        copy_text(edit_user.password, name_entry);
}

// An account that could not be logged on to is never made the automatic
// logon; a change the card cannot keep is told.
void toggle_shown_autologon()
{
    if (!shown_is_autologon() && !account_usable(edit_user.name)) {
        notice("User data not found!");
        return;
    }
    if (!toggle_autologon(edit_user))
        notice("Could not save settings!");
}

// --- buttons ---

// Button 6 and 2 step the account (row 0) or the kind (row 2).
void step(int direction)
{
    if (!check_rights())
        return;
    if (field_selection == kAccount) {
        int target = user_index + direction;
        if (target >= 0 && target <= last_account())
            show_account(target);
    }
    if (field_selection == kKind) {
        if (direction > 0 && kind_index == 0)
            set_kind(1);
        else if (direction < 0 && kind_index == 1)
            set_kind(0);
    }
}

void activate_row()
{
    switch (field_selection) {
    case kName:       rename_account(false); break;
    case kPassword:   edit_password(); break;
    case kAutologon:  toggle_shown_autologon(); break;
    case kNewAccount: new_account(); break;
    default:          break;
    }
}

void handle_button(int button)
{
    switch (button) {
    case kClose:    close_window(); break;
    case kOk:       confirm(); break;
    case kUp:       if (field_selection > 0) --field_selection; break;
    case kDown:     if (field_selection < kRows - 1) ++field_selection; break;
    case kDelete:   delete_account(); break;
    case kNext:     step(1); break;
    case kPrevious: step(-1); break;
    case kActivate: activate_row(); break;
    default:        break;
    }
}

// --- touches ---

// A touch on a row's control highlights the row, then acts as its button
// would, with the rights checked first where the row needs them.
void touch_account(int direction)
{
    int target = user_index + direction;
    if (target < 0 || target > last_account())
        return;
    play_click();
    field_selection = kAccount;
    if (check_rights())
        show_account(target);
}

void touch_kind(int from, int to)
{
    if (kind_index != from)
        return;
    play_click();
    field_selection = kKind;
    if (check_rights())
        set_kind(to);
}

void touch_row(int row, void (*action)())
{
    play_click();
    field_selection = row;
    action();
}

void handle_touch()
{
    if (touch_in(event, kCloseBox))
        close_window();
    else if (touch_in(event, kOkButton))
        confirm();
    else if (touch_in(event, kDeleteButton))
        delete_account();
    else if (touch_in(event, kNextAccount))
        touch_account(1);
    else if (touch_in(event, kPrevAccount))
        touch_account(-1);
    else if (touch_in(event, kNextKind))
        touch_kind(0, 1);
    else if (touch_in(event, kPrevKind))
        touch_kind(1, 0);
    else if (touch_in(event, kNameRow))
        touch_row(kName, [] { rename_account(true); });
    else if (touch_in(event, kPasswordRow))
        touch_row(kPassword, edit_password);
    else if (touch_in(event, kAutologonRow))
        touch_row(kAutologon, toggle_shown_autologon);
    else if (touch_in(event, kNewAccountRow))
        touch_row(kNewAccount, new_account);
}

// A text that the large font cannot fit shows in the small one, cut to the
// field if even that is too wide.
void draw_field(int y, int field, const char* text)
{
    if (text_width(text) <= field)
        draw_text(screen, kTextX, y, text, 0, skin_name);
    else
        draw_fitted_text(screen, FontSize::Small, kTextX, y + kSmallTextDrop, field, text, 0, skin_name);
}

// The layer: the desktop and the window's picture; the account shown is
// drawn over it.
void compose_users_window()
{
    blit_at(window_picture, kWindow.x, kWindow.y);
}

} // namespace

void draw_users_window()
{
    load_cached(window_picture, "useredit.png", skin_name);
    load_cached(tick, "tick.png", skin_name);
    load_cached(row_highlight, "propsel.png", skin_name);
    show_window_layer(WindowId::Users, compose_users_window);
    if (field_selection >= 0 && field_selection < kRows)
        blit_at(row_highlight, kHighlightX, kHighlightY + kRowStep * field_selection);
    blit_at(edit_user.picture, kPicture.x, kPicture.y);
    if (shown_is_autologon())
        blit_at(tick, kTick.x, kTick.y);
    // The password is shown as it is: whoever may see this window may change it.
    draw_field(kAccountTextY, kArrowField, edit_user.name);
    draw_field(kNameTextY, kWideField, edit_user.name);
    draw_field(kKindTextY, kArrowField, edit_user.kind[0] ? edit_user.kind : kNoData);
    draw_field(kPasswordTextY, kWideField, edit_user.password);
}

void users_input()
{
    refresh_lists();
    wait_event();
    if (event.type == SDL_JOYBUTTONDOWN)
        handle_button(event.jbutton.button);
    else if (event.type == SDL_MOUSEBUTTONDOWN)
        handle_touch();
}
