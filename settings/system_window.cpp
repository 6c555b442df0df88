#include "settings/system_window.h"

#include "core/devices.h"
#include "core/events.h"
#include "core/state.h"
#include "core/text.h"
#include "desktop/desktop.h"
#include "dialogs/dialogs.h"
#include "explorer/listing.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "settings/skin_chooser.h"
#include "users/user_files.h"

#include <array>
#include <cstring>

namespace {

constexpr int kItemCount = 8;
constexpr int kIconSize = 32;

// Layout                             x    y    w    h
constexpr SDL_Rect kWindow        = { 30,  30, 260, 180};
constexpr SDL_Rect kCloseBox      = {267,  35,  17,  17};
constexpr int kDescriptionX = 40, kDescriptionY = 183;

enum class Action { Users, Usb, Wallpaper, Files, PowerOff, Brightness, Saver, Skin };

struct Item {
    int x, y;   // icon square (32 x 32), also where the highlight goes
    const char* description;
    Action action;
};

//                                    x    y   description
constexpr std::array<Item, kItemCount> kItems = {{
    { 59,  67, "Manage user accounts",     Action::Users},
    {115,  67, "Open USB connection",      Action::Usb},
    {170,  67, "Change wallpaper",         Action::Wallpaper},
    {224,  67, "Explore files",            Action::Files},
    { 59, 123, "Set shutdown interval",    Action::PowerOff},
    {115, 123, "Set brightness level",     Action::Brightness},
    {170, 123, "Set screensaver interval", Action::Saver},
    {224, 123, "Select skin",              Action::Skin},
}};

enum Button { kUp = 0, kLeft = 2, kDown = 4, kRight = 6, kActivate = 13, kClose = 14 };

SDL_Surface* window_picture;
SDL_Surface* highlight;
// Kept between draws: a touch beside the icons (selection -1) leaves the
// highlight where it was.
int highlight_x = kItems[0].x, highlight_y = kItems[0].y;

bool is_item(int index)
{
    return index >= 0 && index < kItemCount;
}

bool guest()
{
    return std::strcmp(user_kind, "guest") == 0;
}

SDL_Rect icon_square(int index)
{
    const Item& item = kItems[static_cast<size_t>(index)];
    return {static_cast<Sint16>(item.x), static_cast<Sint16>(item.y), kIconSize, kIconSize};
}

void open(WindowId window)
{
    return_window = WindowId::System;
    current_window = window;
}

void close_window()
{
    return_window = WindowId::System;
    current_window = WindowId::Desktop;
}

// A directory that cannot be read opens an empty explorer, not one showing
// whatever the shared listing held last (a category's link files).
void open_explorer(const char* path, const char* filter, int free_browse)
{
    open(WindowId::Explorer);
    copy_text(explorer_path, path);
    copy_text(explorer_filter, filter);
    explorer_free_browse = free_browse;
    clear_entries(explorer_list);
    list_directory(explorer_list, explorer_path, explorer_filter);
}

// The new skin shows from the restart on, which reads the settings file:
// when it cannot be written the shell keeps the skin it has.
void choose_skin()
{
    char old_skin[sizeof skin_name], old_wallpaper[sizeof wallpaper_name];
    copy_text(old_skin, skin_name);
    copy_text(old_wallpaper, wallpaper_name);
    if (skin_chooser(screen, skin_name, wallpaper_name)) {
        if (write_settings()) {
            restart_shell();
            return;
        }
        copy_text(skin_name, old_skin);
        copy_text(wallpaper_name, old_wallpaper);
        message_box(screen, "Could not save settings!", 0, skin_name);
    }
    draw_desktop();
}

void activate(int index)
{
    if (!is_item(index))
        return;
    switch (kItems[static_cast<size_t>(index)].action) {
    case Action::Users:
        open(WindowId::Users);
        load_user(edit_user, user_name);
        break;
    case Action::Usb:
        open(WindowId::Usb);
        break;
    case Action::Wallpaper:
        open_explorer("resources/wallpaper/", "png", 0);
        break;
    case Action::Files:
        if (guest())
            message_box(screen, "User access denied.", 0, skin_name);
        else
            open_explorer("/mnt/", "", 1);
        break;
    case Action::PowerOff:
        open(WindowId::Off);
        break;
    case Action::Brightness:
        open(WindowId::Bright);
        break;
    case Action::Saver:
        open(WindowId::Saver);
        break;
    case Action::Skin:
        choose_skin();
        break;
    }
}

void handle_button(int button)
{
    switch (button) {
    case kClose:
        close_window();
        break;
    case kLeft:
        if (selection > 0)
            --selection;
        break;
    case kRight:
        if (selection <= kItemCount - 2)
            ++selection;
        break;
    case kUp:
        if (selection - 4 >= 0)
            selection -= 4;
        break;
    case kDown:
        if (selection + 4 <= kItemCount - 1)
            selection += 4;
        break;
    case kActivate:
        activate(selection);
        break;
    default:
        break;
    }
}

int touched_item()
{
    for (int i = 0; i < kItemCount; ++i)
        if (touch_in(event, icon_square(i)))
            return i;
    return -1;
}

void handle_touch()
{
    if (touch_in(event, kCloseBox)) {
        play_click();
        close_window();
    }
    selection = touched_item();
    // The first touch only highlights; a second one within 300 ms opens
    // what it lands on, whatever the first touched.
    if (tap_pending == 0) {
        start_tap_window();
        return;
    }
    tap_pending = 0;
    if (!is_item(selection))
        return;
    if (kItems[static_cast<size_t>(selection)].action != Action::Files || !guest())
        play_click();
    activate(selection);
}

// The layer: the desktop and the window's picture.
void compose_system_window()
{
    blit_at(window_picture, kWindow.x, kWindow.y);
}

} // namespace

void draw_system_window()
{
    load_cached(window_picture, "syswin.png", skin_name);
    load_cached(highlight, "sel.png", skin_name);
    // Beneath the windows it opens, only its picture.
    if (current_window != WindowId::System) {
        blit_at(window_picture, kWindow.x, kWindow.y);
        return;
    }
    show_window_layer(WindowId::System, compose_system_window);
    if (is_item(selection)) {
        const Item& item = kItems[static_cast<size_t>(selection)];
        draw_text(screen, kDescriptionX, kDescriptionY, item.description, 0, skin_name);
        highlight_x = item.x;
        highlight_y = item.y;
    }
    blit_at(highlight, highlight_x, highlight_y);
}

void system_window_input()
{
    wait_event();
    if (event.type == SDL_JOYBUTTONDOWN)
        handle_button(event.jbutton.button);
    else if (event.type == SDL_MOUSEBUTTONDOWN)
        handle_touch();
}
