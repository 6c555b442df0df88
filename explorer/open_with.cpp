#include "explorer/open_with.h"

#include "core/events.h"
#include "core/files.h"
#include "core/text.h"
#include "dialogs/dialogs.h"
#include "explorer/explorer_window.h"
#include "explorer/listing.h"
#include "gfx/changes.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "programs/launch.h"
#include "programs/links.h"

#include <cstring>
#include <dirent.h>
#include <memory>

namespace {

// The menu: a box of rows like the explorer's, centred on the screen.
constexpr int kMostShown = 7;
constexpr int kBoxX = 52, kBoxW = 216;
constexpr int kTitleH = 26;    // "Open with:" above the rows
constexpr int kRowX = 56, kRowW = 207, kRowH = 18, kRowStep = 20;
constexpr int kNameField = 202;
constexpr int kBorder = 2;

enum Button { kUp = 0, kDown = 4, kCancelSelect = 9, kChoose = 13, kCancel = 14 };

// Links read for a claim before the first `most` by title are kept; a user
// rarely has more than a handful of programs for one type.
constexpr int kMostRead = 24;
LinkRecord found[kMostRead];

SDL_Surface* row_highlight;

struct DirectoryCloser {
    void operator()(DIR* directory) const { closedir(directory); }
};

int box_height(int count)
{
    return kTitleH + kRowStep * count + 2 * kBorder;
}

int box_y(int count)
{
    return 120 - box_height(count) / 2;
}

SDL_Rect row_rect(int count, int r)
{
    SDL_Rect rect;
    set_rect(rect, kRowX, box_y(count) + kTitleH + kRowStep * r, kRowW, kRowH);
    return rect;
}

void draw_menu(const LinkRecord* claims, int count, int chosen)
{
    int y = box_y(count), h = box_height(count);
    fill_rect(kBoxX, y, kBoxW, h, 40, 40, 40);
    fill_rect(kBoxX + kBorder, y + kBorder, kBoxW - 2 * kBorder, h - 2 * kBorder, 244, 244, 240);
    draw_text(screen, kRowX, y + 6, "Open with:", 0, skin_name);
    SDL_Rect row = row_rect(count, chosen);
    blit_at(row_highlight, row.x, row.y);
    for (int r = 0; r < count; ++r)
        draw_fitted_text(screen, FontSize::Large, kRowX + 2, row_rect(count, r).y + 1, kNameField, claims[r].title, 0,
                         skin_name);
}

// The answer to a touch: a row, -1 outside the box, -2 for the box's other parts.
int touched(const SDL_Event& e, int count)
{
    for (int r = 0; r < count; ++r)
        if (touch_in(e, row_rect(count, r)))
            return r;
    SDL_Rect box;
    set_rect(box, kBoxX, box_y(count), kBoxW, box_height(count));
    return touch_in(e, box) ? -2 : -1;
}

bool is_link_file(const char* name)
{
    char type[4];
    file_extension(name, type);
    return std::strcmp(type, "lk") == 0;
}

// Reads the claiming links of one category folder into found[from...].
int read_claims(const char* folder, const char* name, int from)
{
    std::unique_ptr<DIR, DirectoryCloser> dir(opendir(folder));
    if (!dir)
        return from;
    while (from < kMostRead) {
        const dirent* entry = readdir(dir.get());
        if (!entry)
            break;
        char path[sizeof explorer_path];
        if (!is_link_file(entry->d_name) || !format_into(path, "%s%s", folder, entry->d_name))
            continue;
        LinkRecord& record = found[from];
        record = LinkRecord{};
        if (read_link_text(path, record) && has_file_types(record.file_types) &&
            name_has_type(name, record.file_types))
            ++from;
    }
    return from;
}

bool ask_one(const LinkRecord& claim)
{
    char question[64];
    format_into(question, "Open with %s?", claim.title);
    return message_box(screen, question, 1, skin_name) == 1;
}

void start_on(const LinkRecord& claim, const char* directory, const char* name)
{
    char path[sizeof explorer_path + kNameCapacity];
    if (format_into(path, "%s%s", directory, name))
        launch_link_on_file(claim, path);
}

} // namespace

bool link_folder(const LinkRecord& link, char (&folder)[500])
{
    const char* line = link.browse_dir;
    bool fits = line[0] == '\0'   ? copy_text(folder, link.program_dir)
                : line[0] == '/' ? copy_text(folder, line)
                                 : format_into(folder, "%s%s", link.program_dir, line);
    size_t length = std::strlen(folder);
    if (fits && length > 0 && folder[length - 1] != '/')
        fits = append_text(folder, "/");
    std::unique_ptr<DIR, DirectoryCloser> readable(fits ? opendir(folder) : nullptr);
    if (readable)
        return true;
    copy_text(folder, link.program_dir);
    return false;
}

// A folder taken away since the link was set (another card) leaves the
// program's own folder to browse.
void start_link(const LinkRecord& link, WindowId back_to)
{
    if (!has_file_types(link.file_types)) {
        launch_link(link);
        return;
    }
    char folder[sizeof explorer_path];
    link_folder(link, folder);
    open_explorer_for_link(back_to, folder, link);
}

int programs_claiming(const char* name, LinkRecord* claims, int most)
{
    int count = 0;
    for (int category = 1; category < kCategoryCount; ++category) {
        char folder[64];
        if (format_into(folder, "user/%s/links/%s/", user_name, category_dirs[static_cast<size_t>(category)]))
            count = read_claims(folder, name, count);
    }
    sort_by_title(found, count, nullptr);
    int kept = count < most ? count : most;
    for (int i = 0; i < kept; ++i)
        claims[i] = found[i];
    return kept;
}

bool offer_programs(const char* directory, const char* name)
{
    LinkRecord claims[kMostShown];
    int count = programs_claiming(name, claims, kMostShown);
    if (count == 0)
        return false;
    if (count == 1) {
        if (ask_one(claims[0]))
            start_on(claims[0], directory, name);
        return true;
    }
    int chosen = choose_program(claims, count);
    if (chosen >= 0)
        start_on(claims[chosen], directory, name);
    return true;
}

int choose_program(const LinkRecord* claims, int count)
{
    if (count <= 0)
        return -1;
    if (count > kMostShown)
        count = kMostShown;
    load_cached(row_highlight, "txtsel.png", skin_name);
    int chosen = 0;
    SDL_Event menu_event{};
    for (bool first = true;; first = false) {
        show_dialog_frame(screen, first, [&] { draw_menu(claims, count, chosen); });
        wait_event_into(menu_event);
        if (menu_event.type == SDL_JOYBUTTONDOWN) {
            switch (menu_event.jbutton.button) {
            case kUp: chosen = wrapped_step(chosen, -1, count); break;
            case kDown: chosen = wrapped_step(chosen, 1, count); break;
            case kChoose: return chosen;
            case kCancel:
            case kCancelSelect: return -1;
            default: break;
            }
        } else if (menu_event.type == SDL_MOUSEBUTTONDOWN) {
            int answer = touched(menu_event, count);
            if (answer >= 0)
                play_click();
            if (answer != -2)
                return answer;
        }
    }
}
