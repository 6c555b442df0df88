#include "programs/link_properties.h"

#include "core/events.h"
#include "core/state.h"
#include "core/text.h"
#include "desktop/desktop.h"
#include "desktop/shortcuts.h"
#include "dialogs/dialogs.h"
#include "explorer/listing.h"
#include "gfx/image.h"
#include "gfx/layer.h"
#include "gfx/sound.h"
#include "platform/platform.h"
#include "explorer/open_with.h"
#include "programs/category.h"
#include "programs/links.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// The last two rows, a link's folder and file types, lie in a panel of
// their own above the eight: the ring of rows runs down the eight, then
// from the top of the two.
enum Row { kIcon, kDelete, kDesktop, kTitle, kDescription, kClock, kTiming, kOk, kFolder, kTypes, kRows };

constexpr long kMaxMhz = 900;

// Layout                             x    y    w    h
constexpr SDL_Rect kPanel         = {208,  68,  94, 163};
constexpr SDL_Rect kFilesPanel    = {234,  24,  68,  43};   // clear of the clock at (207, 26)
constexpr int kHighlightX = 231, kHighlightY = 71, kHighlightStep = 20;
constexpr int kFilesHighlightX = 236, kFilesHighlightY = 27;
constexpr int kTickX = 215, kTickY = 194;

struct RowTouch {
    SDL_Rect area;
    bool click;     // the click sound first
    bool selects;   // field_selection moves to the row
};

// The rows are 20 pixels apart, but the OK row's touch area starts a pixel
// higher than its highlight. Deleting has no click: its question plays a
// sound of its own.
// row             x    y   w   h   click  selects
constexpr std::array<RowTouch, kRows> kRowTouches = {{
    {{232,  71, 65, 15}, true,  false},   // choose icon
    {{232,  91, 65, 15}, false, true},    // delete
    {{232, 111, 65, 15}, true,  true},    // add to desktop
    {{232, 131, 65, 15}, true,  true},    // title
    {{232, 151, 65, 15}, true,  true},    // description
    {{232, 171, 65, 15}, true,  true},    // processor clock
    {{232, 191, 65, 15}, true,  true},    // timing option
    {{232, 210, 65, 15}, true,  true},    // OK
    {{237,  27, 63, 15}, true,  true},    // folder
    {{237,  47, 63, 15}, true,  true},    // file types
}};

enum Button { kUp = 0, kDown = 4, kClose = 9, kAct = 13, kCloseX = 14 };

SDL_Surface* panel;
SDL_Surface* files_panel;
SDL_Surface* row_highlight;
SDL_Surface* tick;

// The link shown, or none when props_link is no slot in use.
LinkRecord* shown_link()
{
    if (props_link < 0 || props_link >= kLinkSlots || link_items[props_link].link_name[0] == '\0')
        return nullptr;
    return &link_items[props_link];
}

void notice(const char* text)
{
    message_box(screen, text, 0, skin_name);
}

// Back to the category, read again from its files.
void close_without_saving()
{
    current_window = return_window;
    load_links();
    props_link = -1;
    field_selection = 0;
    edit_text[0] = '\0';
}

// The explorer picks the icon; it comes back here when a picture is opened.
void choose_icon()
{
    current_window = WindowId::Explorer;
    copy_text(explorer_path, "/mnt/");
    copy_text(explorer_filter, "png");
    explorer_free_browse = 1;
    clear_entries(explorer_list);
    list_directory(explorer_list, explorer_path, explorer_filter);
}

void delete_link()
{
    if (!message_box(screen, "Delete link?", 1, skin_name))
        return;
    current_window = return_window;
    LinkRecord* link = shown_link();
    if (!link)
        return;
    char path[200];
    std::string_view category = window_name(return_window);
    if (format_into(path, "user/%s/links/%.*s/%s.lk", user_name, static_cast<int>(category.size()), category.data(),
                    link->link_name))
        std::remove(path);
    platform_run("sync");
    load_links();
    load_desktop();
}

void add_to_desktop()
{
    LinkRecord* link = shown_link();
    if (!link)
        return;
    if (desktop_add(*link) == ShortcutAdded::NotSaved)
        message_box(screen, "Could not save desktop!", 0, skin_name);
    load_desktop();
}

// Hands the field to the keyboard through edit_text; true when accepted.
template <size_t N>
bool edit_field(char (&field)[N])
{
    edit_text[0] = '\0';
    copy_text(edit_text, field);
    if (!on_screen_keyboard(screen, edit_text, skin_name))
        return false;
    copy_text(field, edit_text);
    layers_changed();   // the category beneath shows the field
    return true;
}

void edit_title()
{
    if (LinkRecord* link = shown_link())
        edit_field(link->title);
}

void edit_description()
{
    if (LinkRecord* link = shown_link())
        edit_field(link->description);
}

// What the keyboard gave, without blanks at either end.
std::string_view trimmed(const char* text)
{
    std::string_view t(text);
    while (!t.empty() && t.front() == ' ')
        t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ')
        t.remove_suffix(1);
    return t;
}

// The folder to browse first: absolute, or under the program's folder
// ("roms" is the program's "roms/"); empty for the program's folder itself.
// A folder that cannot be read is refused.
void edit_folder()
{
    LinkRecord* link = shown_link();
    if (!link)
        return;
    edit_text[0] = '\0';
    copy_text(edit_text, link->browse_dir);
    if (!on_screen_keyboard(screen, edit_text, skin_name))
        return;
    LinkRecord changed = *link;
    std::string_view folder = trimmed(edit_text);
    copy_text(changed.browse_dir, folder);
    if (!folder.empty() && folder.back() != '/')
        append_text(changed.browse_dir, "/");
    char resolved[sizeof explorer_path];
    if (!folder.empty() && !link_folder(changed, resolved)) {
        notice("Folder not found!");
        return;
    }
    copy_text(link->browse_dir, changed.browse_dir);
    layers_changed();
}

void edit_types()
{
    LinkRecord* link = shown_link();
    if (!link)
        return;
    edit_text[0] = '\0';
    copy_text(edit_text, link->file_types);
    if (!on_screen_keyboard(screen, edit_text, skin_name))
        return;
    char types[sizeof link->file_types];
    copy_text(types, trimmed(edit_text));
    copy_text(link->file_types, has_file_types(types) ? types : "");
    layers_changed();
}

// The link file keeps three characters of the clock, so the number is
// stored rather than the text typed ("0400" becomes "400").
void edit_clock()
{
    LinkRecord* link = shown_link();
    if (!link)
        return;
    edit_text[0] = '\0';
    copy_text(edit_text, link->cpu_mhz);
    if (!on_screen_keyboard(screen, edit_text, skin_name))
        return;
    long mhz = std::strtol(edit_text, nullptr, 10);
    if (mhz <= 0 || mhz > kMaxMhz) {
        notice("Invalid CPU speed!");
        return;
    }
    format_into(link->cpu_mhz, "%ld", mhz);
    layers_changed();
}

void toggle_timing()
{
    if (LinkRecord* link = shown_link())
        copy_text(link->timing_tweak, std::strcmp(link->timing_tweak, "yes") == 0 ? "no" : "yes");
}

// The category becomes current first: its window names the link's folder.
void confirm()
{
    current_window = return_window;
    if (!save_link(props_link))
        notice("Could not save link!");
    load_links();
    load_desktop();
    props_link = -1;
}

constexpr std::array<void (*)(), kRows> kRowActions = {
    choose_icon, delete_link, add_to_desktop, edit_title, edit_description, edit_clock, toggle_timing, confirm,
    edit_folder, edit_types,
};

void act(int row)
{
    if (row >= 0 && row < kRows)
        kRowActions[static_cast<size_t>(row)]();
}

void handle_button(int button)
{
    switch (button) {
    case kCloseX:
    case kClose:
        close_without_saving();
        break;
    case kUp:
        field_selection = field_selection <= 0 ? kRows - 1 : field_selection - 1;
        break;
    case kDown:
        field_selection = field_selection >= kRows - 1 ? 0 : field_selection + 1;
        break;
    case kAct:
        act(field_selection);
        break;
    default:
        break;
    }
}

void handle_touch()
{
    if (!touch_in(event, kPanel) && !touch_in(event, kFilesPanel)) {
        close_without_saving();
        return;
    }
    for (int row = 0; row < kRows; ++row) {
        const RowTouch& touch = kRowTouches[static_cast<size_t>(row)];
        if (!touch_in(event, touch.area))
            continue;
        if (touch.click)
            play_click();
        if (touch.selects)
            field_selection = row;
        if (row == kOk)
            edit_text[0] = '\0';
        act(row);
        return;
    }
}

// The layer: the desktop, the category window beneath with the link's
// details, the panel; the row highlight and the tick are drawn over it.
void compose_link_properties()
{
    draw_category_window();
    blit_at(panel, kPanel.x, kPanel.y);
    blit_at(files_panel, kFilesPanel.x, kFilesPanel.y);
}

void draw_row_highlight(int row)
{
    if (row >= 0 && row < kFolder)
        blit_at(row_highlight, kHighlightX, kHighlightY + kHighlightStep * row);
    else if (row >= kFolder && row < kRows)
        blit_at(row_highlight, kFilesHighlightX, kFilesHighlightY + kHighlightStep * (row - kFolder));
}

} // namespace

void draw_link_properties()
{
    load_cached(panel, "properties.png", skin_name);
    load_cached(files_panel, "propfiles.png", skin_name);
    load_cached(row_highlight, "propsel.png", skin_name);
    load_cached(tick, "tick.png", skin_name);
    show_window_layer(WindowId::Props, compose_link_properties, static_cast<intptr_t>(return_window), list_top,
                      props_link);
    draw_row_highlight(field_selection);
    LinkRecord* link = shown_link();
    if (link && std::strcmp(link->timing_tweak, "yes") == 0)
        blit_at(tick, kTickX, kTickY);
}

void link_properties_input()
{
    wait_event();
    if (event.type == SDL_JOYBUTTONDOWN)
        handle_button(event.jbutton.button);
    else if (event.type == SDL_MOUSEBUTTONDOWN)
        handle_touch();
}
