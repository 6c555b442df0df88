#include "desktop/desktop_input.h"

#include "core/devices.h"
#include "core/events.h"
#include "core/state.h"
#include "desktop/shortcuts.h"
#include "desktop/sidebar.h"
#include "dialogs/dialogs.h"
#include "explorer/open_with.h"
#include "gfx/sound.h"
#include "settings/date_time.h"
#include "users/user_files.h"
#include "stock/stock_apps.h"

namespace {

constexpr int kRows = 4;
constexpr int kColumns = 6;

// Layout                             x    y   w   h
constexpr SDL_Rect kStartButton   = {  1, 221, 40, 18};
constexpr SDL_Rect kRemoveButton  = {140, 222, 16, 16};
constexpr SDL_Rect kStockApps     = { 90, 222, 32, 16};
constexpr SDL_Rect kClock         = {272, 220, 48, 20};
// The tap area of the icon at column c, row r is (51c + 10, 49r + 10, 32, 32):
// 14 pixels above the drawn icon, where a finger covering it lands.
constexpr int kTapX = 10, kTapY = 10, kTapStepX = 51, kTapStepY = 49, kTapSize = 32;

enum Button {
    kUp = 0, kLeft = 2, kDown = 4, kRight = 6, kMenu = 8, kRemove = 9, kL = 10, kR = 11,
    kDateTime = 12, kLaunch = 13, kDescBar = 14, kStock = 15,
};

bool in_use(int slot)
{
    return slot >= 0 && slot < kDesktopSlots && desktop_items[slot].link_name[0] != '\0';
}

void open_start_menu()
{
    return_window = current_window;
    current_window = WindowId::StartMenu;
}

// The window may change the clock form, which lives in the settings; only
// a change the user made is told when it cannot be kept.
void set_date_and_time()
{
    int32_t clock_form = clock_12h;
    date_time_window(screen, skin_name, clock_12h);
    if (clock_12h != clock_form)
        save_chosen_settings();
    else
        save_settings();
}

// The removed shortcut may have been the last of the list: the highlight
// then steps back onto the one before, so B and Select act at once.
void ask_remove()
{
    if (!in_use(selection) || !message_box(screen, "Remove from desktop?", 1, skin_name))
        return;
    if (!desktop_remove(selection))
        message_box(screen, "Could not save desktop!", 0, skin_name);
    while (selection > 0 && !in_use(selection))
        --selection;
}

void move(int button)
{
    switch (button) {
    case kLeft:
        if (selection - kRows >= 0)
            selection -= kRows;
        break;
    case kRight:
        if (selection + kRows <= kDesktopSlots - 1 && in_use(selection + kRows))
            selection += kRows;
        break;
    case kDown:
        if (selection <= kDesktopSlots - 2 && in_use(selection + 1))
            selection += 1;
        break;
    case kUp:
        if (selection > 0)
            selection -= 1;
        break;
    default:
        break;
    }
}

void handle_button(int button)
{
    if (button == kMenu)
        open_start_menu();
    move(button);
    if (button == kL || button == kR) {
        // The sidebar shows while the button is held and acts on its release.
        current_window = WindowId::Sidebar;
        draw_sidebar();
    }
    if (button == kStock)
        show_stock_applications(screen, skin_name);
    if (button == kDateTime)
        set_date_and_time();
    if (button == kDescBar)
        desc_bar_on = desc_bar_on > 1 ? 0 : 1 - desc_bar_on;
    volume_button(button);
    if (in_use(selection)) {
        if (button == kLaunch)
            start_link(desktop_items[selection], WindowId::Desktop);
        else if (button == kRemove)
            ask_remove();
    }
}

// The shortcut in use whose tap area holds the touch, or -1.
int touched_icon()
{
    for (int c = 0; c < kColumns; ++c) {
        for (int r = 0; r < kRows; ++r) {
            SDL_Rect area = {static_cast<Sint16>(kTapStepX * c + kTapX), static_cast<Sint16>(kTapStepY * r + kTapY),
                             kTapSize, kTapSize};
            int slot = kRows * c + r;
            if (touch_in(event, area) && in_use(slot))
                return slot;
        }
    }
    return -1;
}

void handle_touch()
{
    if (touch_in(event, kStartButton)) {
        play_click();
        open_start_menu();
    }
    if (touch_in(event, kStockApps)) {
        play_click();
        show_stock_applications(screen, skin_name);
    }
    if (touch_in(event, kClock)) {
        play_click();
        set_date_and_time();
    }
    int icon = touched_icon();
    if (icon >= 0)
        selection = icon;
    if (touch_in(event, kRemoveButton))
        ask_remove();
    // Every tap takes part in the double tap, wherever it lands; the second
    // one must be on a shortcut.
    if (tap_pending == 1) {
        tap_pending = 0;
        if (icon >= 0)
            start_link(desktop_items[selection], WindowId::Desktop);
    } else {
        start_tap_window();
    }
}

} // namespace

void desktop_input()
{
    wait_event();
    if (event.type == SDL_JOYBUTTONDOWN)
        handle_button(event.jbutton.button);
    else if (event.type == SDL_MOUSEBUTTONDOWN)
        handle_touch();
}
