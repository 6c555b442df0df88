#include "settings/power_windows.h"

#include "core/devices.h"
#include "core/events.h"
#include "core/state.h"
#include "desktop/desktop.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "settings/system_window.h"
#include "users/user_files.h"

#include <array>

namespace {

constexpr int kChoices = 4;

// Layout                             x    y    w    h
constexpr SDL_Rect kWindow        = { 85,  38, 150, 165};
constexpr SDL_Rect kCloseBox      = {212,  43,  17,  17};
constexpr SDL_Rect kOkButton      = {182, 179,  45,  16};
// Choice k: touch area (110, 73 + 30k, 65, 20). The highlight steps by 28
// pixels in "off" and "saver" but by 30 in "bright", so in the first two it
// climbs ahead of the touch areas (choice 3 drawn at 157, touched from 163).
constexpr int kChoiceX = 110, kChoiceY = 73, kChoiceW = 65, kChoiceH = 20, kTouchStep = 30;

struct PowerWindow {
    WindowId id;
    const char* picture_file;
    std::array<int32_t, kChoices> values;
    int highlight_step;
    int32_t* setting;
    bool shows_level;   // each move puts the level on the backlight
    SDL_Surface* picture;
};

//  window            picture          choice values                   step  setting       live
std::array<PowerWindow, 3> windows = {{
    {WindowId::Off,    "autoffwin.png", {0, 120000, 240000, 360000},   28,  &auto_off_ms, false, nullptr},
    {WindowId::Saver,  "saverwin.png",  {0,  10000,  30000,  60000},   28,  &saver_ms,    false, nullptr},
    {WindowId::Bright, "brightwin.png", {0,      1,      2,      3},   30,  &brightness,  true,  nullptr},
}};

SDL_Surface* highlight;

enum Button { kUp = 0, kDown = 4, kAccept = 13, kCancel = 14 };

PowerWindow* current_power_window()
{
    for (PowerWindow& w : windows)
        if (w.id == current_window)
            return &w;
    return nullptr;
}

// A stored value that is none of the four choices opens the window with a
// selection outside the list (for "off", 600000 ms gives 5).
bool on_the_list(int choice)
{
    return choice >= 0 && choice < kChoices;
}

void show_level(const PowerWindow& w)
{
    if (w.shows_level)
        brightness_set(selection);
}

void cancel(const PowerWindow& w)
{
    current_window = return_window;
    if (w.shows_level)
        brightness_set(brightness);
}

// A selection outside the list keeps the stored value as it is: none of the
// choices was picked, and the file only ever gets the values on the list.
void accept(const PowerWindow& w)
{
    if (on_the_list(selection))
        *w.setting = w.values[static_cast<size_t>(selection)];
    current_window = return_window;
    save_chosen_settings();
}

// Moves from outside the list land on its nearest end.
void move_up(const PowerWindow& w)
{
    if (selection >= kChoices)
        selection = kChoices - 1;
    else if (selection > 0)
        --selection;
    show_level(w);
}

void move_down(const PowerWindow& w)
{
    if (selection < 0)
        selection = 0;
    else if (selection <= kChoices - 2)
        ++selection;
    show_level(w);
}

void handle_button(PowerWindow& w, int button)
{
    switch (button) {
    case kCancel:
        cancel(w);
        break;
    case kUp:
        move_up(w);
        break;
    case kDown:
        move_down(w);
        break;
    case kAccept:
        accept(w);
        break;
    default:
        break;
    }
}

void handle_touch(PowerWindow& w)
{
    if (touch_in(event, kCloseBox)) {
        play_click();
        cancel(w);
    }
    for (int k = 0; k < kChoices; ++k) {
        SDL_Rect area = {kChoiceX, static_cast<Sint16>(kChoiceY + kTouchStep * k), kChoiceW, kChoiceH};
        if (touch_in(event, area)) {
            play_click();
            selection = k;
            show_level(w);
        }
    }
    if (touch_in(event, kOkButton)) {
        play_click();
        accept(w);
    }
}

// The layer: the desktop, the system window's picture and this window's.
void compose_power_window()
{
    draw_system_window();
    if (PowerWindow* w = current_power_window())
        blit_at(w->picture, kWindow.x, kWindow.y);
}

} // namespace

void draw_power_window()
{
    PowerWindow* w = current_power_window();
    if (!w)
        return;
    load_cached(w->picture, w->picture_file, skin_name);
    load_cached(highlight, "ssel.png", skin_name);
    show_window_layer(w->id, compose_power_window);
    if (on_the_list(selection))
        blit_at(highlight, kChoiceX, kChoiceY + w->highlight_step * selection);
}

void power_window_input()
{
    wait_event();
    PowerWindow* w = current_power_window();
    if (!w)
        return;
    if (event.type == SDL_JOYBUTTONDOWN)
        handle_button(*w, event.jbutton.button);
    else if (event.type == SDL_MOUSEBUTTONDOWN)
        handle_touch(*w);
}
