#include "scan/program_scan.h"

#include "core/events.h"
#include "core/files.h"
#include "core/text.h"
#include "dialogs/dialogs.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "platform/platform.h"
#include "programs/links.h"
#include "scan/scan_tables.h"

#include <array>
#include <cstring>
#include <string_view>

int32_t scan_page = 0;
int32_t scan_cursor = 0;

namespace {

constexpr int kRows = 11;   // programs on a page
constexpr const char* kNoCategory = "(none)";

// Layout                             x    y    w    h
constexpr SDL_Rect kCloseBox      = {297,   5,  17,  17};
constexpr SDL_Rect kFirstRow      = {  9,  46, 200,  14};   // touch area and highlight of row 0
constexpr int kRowStep = 15;
constexpr int kNameX = 10, kNameY = 45;          // a row's program name, large font
constexpr int kTickX = 215, kCategoryX = 225, kCategoryY = 48;
constexpr int kDirectoryX = 38, kDirectoryY = 28;
constexpr int kNameField = 198;        // up to the tick
constexpr int kDirectoryField = 252;   // up to the close box

// The searches for programs, ".gpe" ones listed first. Their lists are
// read as find writes them: nothing is written to the card, so a full or
// write-protected card is searched all the same.
constexpr std::array<const char*, 2> kFindCommands = {
    "find /mnt/sd/ -name \\*.gpe",
    "find /mnt/sd/ -name \\*.gpu",
};

// A list line, line feed included, fits a 100-byte buffer.
constexpr size_t kLineBuffer = 100;
constexpr long kLongestPath = kLineBuffer - 2;

enum Button { kUp = 0, kPrevious = 2, kDown = 4, kNext = 6, kCreate = 13, kLeave = 14 };

enum class Step { Stay, Leave, CreateLinks };

SDL_Surface* window_picture;
SDL_Surface* row_highlight;
SDL_Surface* tick;

SDL_Rect row_rect(int r)
{
    return {kFirstRow.x, static_cast<Sint16>(kFirstRow.y + kRowStep * r), kFirstRow.w, kFirstRow.h};
}

bool has_program(int entry)
{
    return entry >= 0 && entry < kScanSlots && scan_files[entry][0] != '\0';
}

int program_count()
{
    int count = 0;
    while (has_program(count))
        ++count;
    return count;
}

int last_page(int count)
{
    return count > 0 ? (count - 1) / kRows : 0;
}

int highlighted()
{
    return scan_page * kRows + scan_cursor;
}

void empty_tables()
{
    for (int i = 0; i < kScanSlots; ++i) {
        scan_files[i][0] = '\0';
        scan_dirs[i][0] = '\0';
        copy_text(scan_categories[i], kNoCategory);
    }
}

// The shell's own companions, unpacked beside it on the card: they are
// not programs to give a category.
constexpr std::array<std::string_view, 2> kOwnPrograms = {"installer.gpe", "uninstall.gpe"};
constexpr const char* kShellProgram = "Korvo.gpe";

bool own_program(std::string_view dir, std::string_view file)
{
    bool companion = false;
    for (std::string_view own : kOwnPrograms)
        companion = companion || file == own;
    char shell[kLineBuffer + 16];
    return companion &&
           format_into(shell, "%.*s%s", static_cast<int>(dir.size()), dir.data(), kShellProgram) &&
           file_exists(shell);
}

// Splits a path at its last "/": the directory keeps the "/". A line that
// names no file (no "/", or nothing after it) would end the list early and
// is left out, and so are the shell's own companions.
bool add_program(int entry, std::string_view path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || slash + 1 == path.size())
        return false;
    if (own_program(path.substr(0, slash + 1), path.substr(slash + 1)))
        return false;
    copy_text(scan_dirs[entry], path.substr(0, slash + 1));
    copy_text(scan_files[entry], path.substr(slash + 1));
    return true;
}

// A path too long for the line buffer is skipped whole (its pieces are no
// programs) and counted in too_long, so the user hears of it. False when
// the search could not be made or ended in an error (a card pulled, or
// one that cannot be read); what it listed until then is kept.
bool read_list(const char* command, int& count, int& too_long)
{
    std::FILE* list = platform_read_command(command);
    if (!list)
        return false;
    char line[kLineBuffer];
    long length;
    while ((length = read_link_line(list, line, sizeof line, sizeof line - 2)) >= 0) {
        // Past the last slot the rest is still read, so that find ends as
        // it does after a whole search rather than on a closed pipe.
        if (count >= kScanSlots)
            continue;
        if (length > kLongestPath)
            ++too_long;
        else if (add_program(count, std::string_view(line, static_cast<size_t>(length))))
            ++count;
    }
    return platform_end_read(list) == 0;
}

struct ScanLists {
    int too_long = 0;    // programs left out for paths too long to keep
    bool read = true;    // every search ended well
};

ScanLists read_scan_lists()
{
    ScanLists lists;
    int count = 0;
    for (const char* command : kFindCommands)
        lists.read = read_list(command, count, lists.too_long) && lists.read;
    return lists;
}

void tell_left_out(SDL_Surface* surface, const char* skin, int too_long)
{
    if (too_long == 0)
        return;
    char notice[40];
    format_into(notice, "Left out, paths too long: %d", too_long);
    message_box(surface, notice, 0, skin);
}

void step_category(int entry, int step)
{
    if (entry < 0 || entry >= kScanSlots)
        return;
    int next = (category_index(entry) + step + kCategoryCount) % kCategoryCount;
    copy_text(scan_categories[entry], category_names[static_cast<size_t>(next)]);
}

void move_down()
{
    int entry = highlighted();
    if (entry >= kScanSlots - 1 || !has_program(entry + 1)) {
        scan_page = 0;
        scan_cursor = 0;
    } else if (scan_cursor <= kRows - 2) {
        ++scan_cursor;
    } else {
        ++scan_page;
        scan_cursor = 0;
    }
}

// From the top of the list up to its last program.
void move_up()
{
    int count = program_count();
    if (scan_cursor > 0) {
        --scan_cursor;
    } else if (scan_page > 0) {
        --scan_page;
        scan_cursor = kRows - 1;
    } else if (count > 0) {
        scan_page = last_page(count);
        scan_cursor = count - kRows * scan_page - 1;
    }
}

Step handle_button(int button)
{
    switch (button) {
    case kDown:     move_down(); break;
    case kUp:       move_up(); break;
    case kNext:     step_category(highlighted(), 1); break;
    case kPrevious: step_category(highlighted(), -1); break;
    case kCreate:   return Step::CreateLinks;
    case kLeave:    return Step::Leave;
    default:        break;
    }
    return Step::Stay;
}

// A first touch highlights a row; each further touch on it steps its
// category.
Step handle_touch(int x, int y)
{
    if (point_in(x, y, kCloseBox)) {
        play_click();
        return Step::Leave;
    }
    for (int r = 0; r < kRows; ++r) {
        if (!point_in(x, y, row_rect(r)) || !has_program(scan_page * kRows + r))
            continue;
        play_click();
        if (r != scan_cursor)
            scan_cursor = r;
        else
            step_category(highlighted(), 1);
        break;
    }
    return Step::Stay;
}

void draw_scan_window(SDL_Surface* surface, const char* skin)
{
    blit_onto(surface, window_picture, 0, 0);
    int first = scan_page * kRows;
    for (int r = 0; r < kRows && has_program(first + r); ++r) {
        int entry = first + r;
        draw_fitted_text(surface, FontSize::Large, kNameX, kNameY + kRowStep * r, kNameField, scan_files[entry], 0,
                         skin);
        draw_small_text(surface, kCategoryX, kCategoryY + kRowStep * r, scan_categories[entry], 0, skin);
        if (std::strcmp(scan_categories[entry], kNoCategory) != 0)
            blit_onto(surface, tick, kTickX, kCategoryY + kRowStep * r);
    }
    if (highlighted() < kScanSlots)
        draw_fitted_text(surface, FontSize::Large, kDirectoryX, kDirectoryY, kDirectoryField, scan_dirs[highlighted()],
                         0, skin);
    SDL_Rect bar = row_rect(scan_cursor);
    blit_onto(surface, row_highlight, bar.x, bar.y);
}

void create_links(SDL_Surface* surface, const char* skin, const char* user)
{
    wait_box(surface, skin);
    int count = program_count();
    bool all_written = true;
    for (int i = 0; i < count; ++i)
        if (category_index(i) != 0 && !create_link_for_scan(i, user))
            all_written = false;
    if (!all_written)
        message_box(surface, "Could not create links!", 0, skin);
}

} // namespace

void program_scan(SDL_Surface* surface, const char* skin, const char* user)
{
    load_cached(window_picture, "scanwin.png", skin);
    load_cached(row_highlight, "scantextsel.png", skin);
    load_cached(tick, "tick.png", skin);
    empty_tables();
    wait_box(surface, skin);
    ScanLists lists = read_scan_lists();
    if (!lists.read)
        message_box(surface, "Could not read the card!", 0, skin);
    tell_left_out(surface, skin, lists.too_long);

    Step step = Step::Stay;
    while (step == Step::Stay) {
        draw_scan_window(surface, skin);
        show_whole_screen(surface);
        SDL_Event e;
        wait_event_into(e);
        if (e.type == SDL_JOYBUTTONDOWN)
            step = handle_button(e.jbutton.button);
        else if (e.type == SDL_MOUSEBUTTONDOWN)
            step = handle_touch(e.button.x, e.button.y);
    }
    if (step == Step::CreateLinks)
        create_links(surface, skin, user);
}
