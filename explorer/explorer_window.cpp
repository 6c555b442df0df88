#include "explorer/explorer_window.h"

#include "core/events.h"
#include "core/text.h"
#include "desktop/desktop.h"
#include "desktop/shortcuts.h"
#include "dialogs/dialogs.h"
#include "explorer/file_operations.h"
#include "explorer/image_viewer.h"
#include "explorer/listing.h"
#include "explorer/open_with.h"
#include "explorer/sound_player.h"
#include "explorer/text_viewer.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "programs/launch.h"
#include "programs/links.h"
#include "users/user_files.h"

#include <array>
#include <cctype>
#include <cstring>

namespace {

constexpr int kRows = 7;          // entries per page
constexpr int kRowStep = 20;

// Layout                             x    y    w    h
constexpr SDL_Rect kWindow        = { 30,  30, 260, 180};
constexpr SDL_Rect kFirstRow      = { 58,  62, 207,  18};   // row r lies 20r lower
constexpr SDL_Rect kFirstIcon     = { 42,  63,  16,  16};
constexpr SDL_Rect kCloseBox      = {267,  35,  17,  17};
constexpr SDL_Rect kPageUp        = {267,  55,  17,  17};
constexpr SDL_Rect kPageDown      = {267, 187,  17,  17};
constexpr SDL_Rect kFolderUp      = {240,  35,  16,  16};
constexpr SDL_Rect kOperations    = {200, 222,  16,  16};
// The scroll thumb: 8 wide at x 271, from y 71 down; its height divides
// 116 rows by the pages, and on the last page it ends at y 186.
constexpr int kThumbX = 271, kThumbW = 8, kThumbTop = 71, kThumbSpan = 116, kThumbBottom = 186;
constexpr int kNameX = 58, kNameY = 63;
constexpr int kNameField = 202;   // to the row's end, clear of the scroll track
constexpr int kPageTextX = 185, kPageTextY = 40;
// A directory larger than the list: "300 of N" in the title bar, after the
// window's name.
constexpr int kLeftOutX = 110, kLeftOutY = 40;
// The operations pop-up opens beside the highlighted row.
constexpr int kMenuX = 68, kMenuY = 65;

enum Button { kUp = 0, kPreviousPage = 2, kDown = 4, kNextPage = 6, kMenu = 9, kLeave = 10, kEnter = 11, kOpen = 13, kClose = 14,
              kStartBare = 15 };

// The types with an icon of their own.
struct IconType {
    const char* type;
    const char* file;
};
constexpr std::array<IconType, 9> kIconTypes = {{
    {"gpe", "icondatabase/gpe.png"}, {"gpu", "icondatabase/gpu.png"}, {"bmp", "icondatabase/bmp.png"},
    {"png", "icondatabase/png.png"}, {"txt", "icondatabase/txt.png"}, {"gif", "icondatabase/gif.png"},
    {"jpg", "icondatabase/jpg.png"}, {"mp3", "icondatabase/mp3.png"}, {"wav", "icondatabase/wav.png"},
}};

SDL_Surface* window_picture;
SDL_Surface* row_highlight;
SDL_Surface* operations_button;
SDL_Surface* folder_icon;
SDL_Surface* generic_icon;
std::array<SDL_Surface*, kIconTypes.size()> type_icons;

void notice(const char* text)
{
    message_box(screen, text, 0, skin_name);
}

bool is(const char* text, const char* literal)
{
    return std::strcmp(text, literal) == 0;
}

SDL_Rect row_rect(int r)
{
    SDL_Rect rect = kFirstRow;
    rect.y = static_cast<Sint16>(kFirstRow.y + kRowStep * r);
    return rect;
}

int entry_count()
{
    return count_entries(explorer_list);
}

// Pages of seven, at least one even for an empty list.
int page_count()
{
    return (entry_count() - 1) / kRows + 1;
}

int last_page()
{
    return page_count() - 1;
}

bool filled(int slot)
{
    return slot >= 0 && slot < kNameSlots && explorer_list.name[slot][0] != '\0';
}

int selected_slot()
{
    return kRows * list_top + selection;
}

// The highlighted entry's name, or none when its slot is empty.
const char* selected_name()
{
    return filled(selected_slot()) ? explorer_list.name[selected_slot()] : nullptr;
}

bool for_link()
{
    return explorer_link.link_name[0] != '\0';
}

// An unreadable directory shows as empty: the list never names entries of
// another directory than the one explorer_path shows.
void list_anew()
{
    clear_entries(explorer_list);
    if (for_link())
        list_directory_of_types(explorer_list, explorer_path, explorer_link.file_types);
    else
        list_directory(explorer_list, explorer_path, explorer_filter);
}

void close_window()
{
    clear_entries(explorer_list);
    explorer_link = LinkRecord{};
    current_window = return_window;
}

void show_first_page()
{
    selection = 0;
    list_top = 0;
}

void go_up()
{
    parent_directory(explorer_path);
    if (is(explorer_path, "/") && !is(user_kind, "admin")) {
        notice("User access denied.");
        copy_text(explorer_path, "/mnt/");
    }
    show_first_page();
    list_anew();
}

void enter_directory(const char* name)
{
    char path[sizeof explorer_path];
    if (!format_into(path, "%s%s/", explorer_path, name))
        return;
    copy_text(explorer_path, path);
    show_first_page();
    list_anew();
}

void run_operations_menu()
{
    int op = operations_menu(screen, kMenuX, kMenuY + kRowStep * selection, skin_name);
    file_operation(op, selected_name());
}

// settings.st keeps the wallpaper as one word of at most 99 characters: a
// name with a blank (or too long) would shift every setting after it.
bool fits_settings(const char* file, char (&wallpaper)[sizeof wallpaper_name])
{
    for (const char* c = file; *c; ++c)
        if (std::isspace(static_cast<unsigned char>(*c)))
            return false;
    return format_into(wallpaper, "wallpaper/%s", file);
}

void pick_wallpaper(const char* file)
{
    char wallpaper[sizeof wallpaper_name];
    if (!fits_settings(file, wallpaper)) {
        notice("Invalid file name!");
        return;
    }
    copy_text(wallpaper_name, wallpaper);
    SDL_FreeSurface(wallpaper_image);
    wallpaper_image = nullptr;   // the desktop loads and scales the new one
    save_chosen_settings();
    draw_desktop();
    draw_explorer();
}

// save_link writes into the category of current_window, so the category
// is made current for the save and the reload.
void pick_icon(const char* file)
{
    if (props_link < 0 || props_link >= kLinkSlots)
        return;
    format_into(link_items[props_link].icon_path, "%s%s", explorer_path, file);
    current_window = return_window;
    if (!save_link(props_link))
        notice("Could not save link!");
    load_links();
    load_desktop();
    current_window = WindowId::Props;
}

void add_program(const char* file)
{
    if (return_window == WindowId::System || return_window == WindowId::Desktop) {
        launch_file(file);
        return;
    }
    if (!create_link_from_file(file))
        notice("Could not create link!");
    current_window = return_window;
    load_links();
    load_desktop();
}

void view_picture(const char* file)
{
    char path[sizeof explorer_path + kNameCapacity];
    if (!format_into(path, "%s%s", explorer_path, file))
        return;
    image_viewer(screen, explorer_path, path, skin_name);
    draw_desktop();
    draw_explorer();
}

bool is_picture(const char* type)
{
    return is(type, "png") || is(type, "bmp") || is(type, "jpg") || is(type, "gif");
}

// Browsing the cards, not picking a wallpaper, a program, an icon or a
// link's file.
bool browsing_freely()
{
    return explorer_free_browse == 1 && explorer_filter[0] == '\0' && !for_link();
}

// Text files, and the "readme" without an extension that programs come with.
bool is_text(const char* name)
{
    return name_has_type(name, "txt") || same_ignoring_case(name, "readme");
}

void after_dialog()
{
    draw_desktop();
    draw_explorer();
}

// Shows the file of the listed directory in one of the shell's own
// viewers (text or sound), then the explorer again.
void show_in(const char* file, void (*viewer)(const char* path))
{
    char path[sizeof explorer_path + kNameCapacity];
    if (!format_into(path, "%s%s", explorer_path, file))
        return;
    viewer(path);
    after_dialog();
}

void start_on_file(const char* file)
{
    char path[sizeof explorer_path + kNameCapacity];
    if (format_into(path, "%s%s", explorer_path, file))
        launch_link_on_file(explorer_link, path);
}

// --- buttons ---

void select_previous()
{
    if (selection > 0) {
        --selection;
    } else if (list_top > 0) {
        selection = kRows - 1;
        --list_top;
    } else if (last_page() >= 1) {   // wrap to the very last entry
        list_top = last_page();
        selection = entry_count() - kRows * last_page() - 1;
    } else {
        selection = entry_count() - 1;   // -1 in an empty directory: nothing highlighted
    }
}

void select_next()
{
    if (!filled(selected_slot() + 1)) {
        show_first_page();   // wrap to the very first entry
    } else if (selection > kRows - 2) {
        ++list_top;
        selection = 0;
    } else {
        ++selection;
    }
}

void handle_button(int button)
{
    const char* name = selected_name();
    switch (button) {
    case kClose:
        close_window();
        break;
    case kPreviousPage:
        if (list_top > 0) {
            selection = 0;
            --list_top;
        }
        break;
    case kNextPage:
        if (last_page() > list_top) {
            selection = 0;
            ++list_top;
        }
        break;
    case kUp:
        select_previous();
        break;
    case kDown:
        select_next();
        break;
    case kOpen:
        if (name)
            open_entry(name);
        break;
    case kMenu:
        run_operations_menu();
        break;
    case kLeave:
        if (explorer_free_browse == 1)
            go_up();
        break;
    case kEnter:
        if (explorer_free_browse == 1 && name && explorer_list.directory[selected_slot()])
            enter_directory(name);
        break;
    case kStartBare:   // a link's program without a file
        if (for_link())
            launch_link(explorer_link);
        break;
    default:
        break;
    }
}

// --- touches: every area is tested, in this order ---

void touch_page_areas()
{
    if (touch_in(event, kPageUp)) {
        play_click();
        selection = 0;
        list_top = list_top > 0 ? list_top - 1 : last_page();
    }
    if (touch_in(event, kPageDown)) {
        play_click();
        selection = 0;
        list_top = list_top < last_page() ? list_top + 1 : 0;
    }
}

void touch_rows()
{
    for (int r = 0; r < kRows; ++r) {
        if (touch_in(event, row_rect(r)) && filled(kRows * list_top + r)) {
            selection = r;
            return;
        }
    }
}

// A second touch within 300 ms of the first opens the highlighted entry
// when it lands on its row; the first may land anywhere.
void touch_double_tap()
{
    if (tap_pending == 0) {
        start_tap_window();
        return;
    }
    tap_pending = 0;
    const char* name = selected_name();
    if (touch_in(event, row_rect(selection)) && name) {
        play_click();
        open_entry(name);
    }
}

void handle_touch()
{
    if (touch_in(event, kCloseBox)) {
        play_click();
        close_window();
    }
    touch_page_areas();
    if (explorer_free_browse == 1 && touch_in(event, kFolderUp)) {
        play_click();
        go_up();
    }
    if (touch_in(event, kOperations)) {
        play_click();
        run_operations_menu();
    }
    touch_rows();
    touch_double_tap();
}

// --- drawing ---

void load_pictures()
{
    load_cached(window_picture, "expwin.png", skin_name);
    load_cached(row_highlight, "txtsel.png", skin_name);
    load_cached(operations_button, "menu.png", skin_name);
    load_cached(folder_icon, "icondatabase/folder.png", skin_name);
}

void draw_row_name(int r, int slot)
{
    draw_fitted_text(screen, FontSize::Large, kNameX, kNameY + kRowStep * r, kNameField, explorer_list.name[slot], 0,
                     skin_name);
}

void draw_row(int r, int slot)
{
    draw_row_name(r, slot);
    // The listing found each entry's type once; no status call per frame.
    SDL_Surface* icon = explorer_list.directory[slot] ? folder_icon : file_icon(explorer_list.name[slot], skin_name);
    blit_at(icon, kFirstIcon.x, kFirstIcon.y + kRowStep * r);
}

void draw_scroll_thumb()
{
    int pages = page_count();
    int h = kThumbSpan / pages;
    int y = list_top == last_page() ? kThumbBottom - h : kThumbTop + h * list_top;
    fill_rect(kThumbX, y, kThumbW, h, 0, 0, 255);
}

// The layer, one per page: the desktop, the window, the page's rows, the
// scroll thumb, the operations button and the page's texts. The highlight
// of the selected row is drawn over it with that row's name again (the
// plain order puts the rows over the highlight).
void compose_explorer()
{
    blit_at(window_picture, kWindow.x, kWindow.y);
    int n = entry_count();
    for (int r = 0; r < kRows && kRows * list_top + r < n; ++r)
        draw_row(r, kRows * list_top + r);
    draw_scroll_thumb();
    blit_at(operations_button, kOperations.x, kOperations.y);
    char page[24];
    format_into(page, "Page %d/%d", list_top + 1, page_count());
    draw_small_text(screen, kPageTextX, kPageTextY, page, 0, skin_name);
    if (explorer_list.left_out > 0) {
        char shown[32];
        format_into(shown, "%d of %d", entry_count(), entry_count() + explorer_list.left_out);
        draw_small_text(screen, kLeftOutX, kLeftOutY, shown, 1, skin_name);
    }
}

} // namespace

void open_explorer(WindowId back_to, const char* path, const char* filter, int free_browse)
{
    return_window = back_to;
    current_window = WindowId::Explorer;
    explorer_link = LinkRecord{};
    copy_text(explorer_path, path);
    copy_text(explorer_filter, filter);
    explorer_free_browse = free_browse;
    list_anew();
}

void open_explorer_for_link(WindowId back_to, const char* folder, const LinkRecord& link)
{
    return_window = back_to;
    current_window = WindowId::Explorer;
    explorer_link = link;
    explorer_link.icon = nullptr;   // the table's
    copy_text(explorer_path, folder);
    explorer_filter[0] = '\0';
    explorer_free_browse = 1;
    list_anew();
}

SDL_Surface* file_icon(const char* name, const char* skin)
{
    char type[4];
    file_extension(name, type);
    load_cached(generic_icon, "icondatabase/file.png", skin);
    SDL_Surface* icon = generic_icon;
    for (size_t t = 0; t < kIconTypes.size(); ++t) {
        load_cached(type_icons[t], kIconTypes[t].file, skin);
        if (is(type, kIconTypes[t].type))
            icon = type_icons[t];
    }
    return icon;
}

void draw_explorer()
{
    load_pictures();
    show_window_layer(WindowId::Explorer, compose_explorer, list_top);
    // The list fills its slots from the first on, so the selected slot is
    // listed when it holds a name: no walk of up to 300 slots a frame.
    if (selection >= 0 && filled(selected_slot())) {
        blit_at(row_highlight, kFirstRow.x, kFirstRow.y + kRowStep * selection);
        if (selection < kRows)
            draw_row_name(selection, selected_slot());
    }
}

void explorer_input()
{
    wait_event();
    if (event.type == SDL_JOYBUTTONDOWN)
        handle_button(event.jbutton.button);
    else if (event.type == SDL_MOUSEBUTTONDOWN)
        handle_touch();
}

void open_entry(const char* name)
{
    // Entering, linking and listing refill explorer_list, where name lives.
    char entry[kNameCapacity];
    copy_text(entry, name);
    if (is_directory(explorer_path, entry)) {
        if (explorer_free_browse == 1)
            enter_directory(entry);
        return;
    }
    if (for_link()) {
        start_on_file(entry);
        return;
    }
    if (browsing_freely() && offer_programs(explorer_path, entry))
        return;
    char type[4];
    file_extension(entry, type);
    if (is(type, "png") && is(explorer_filter, "png")) {
        if (explorer_free_browse == 0)
            pick_wallpaper(entry);
        else
            pick_icon(entry);
    } else if (is(type, "gpe") || is(type, "gpu")) {
        add_program(entry);
    } else if (is_picture(type)) {
        view_picture(entry);
    } else if (browsing_freely() && is_text(entry)) {
        show_in(entry, text_viewer);
    } else if (browsing_freely() && is_playable_sound(entry)) {
        show_in(entry, sound_player);
    }
}
