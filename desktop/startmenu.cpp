#include "desktop/startmenu.h"

#include "core/events.h"
#include "core/state.h"
#include "desktop/desktop.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "programs/links.h"
#include "scan/program_scan.h"

#include <array>

namespace {

constexpr int kEntries = 6;   // scan, apps, emus, ports, games, system
constexpr int kPictureSize = 26;

// Layout                             x    y    w    h
constexpr SDL_Rect kMenu          = {  0,  10, 118, 210};
constexpr SDL_Rect kStartButton   = {  1, 221,  40,  18};
constexpr SDL_Rect kFrame         = { 87,   0,  35,  35};
constexpr SDL_Rect kPicture       = { 92,   5,  26,  26};
// Entry k: highlight at (40, 24 + 32k), touch area (17, 14 + 32k, 88, 25).
constexpr int kHighlightX = 40, kHighlightY = 24;
constexpr int kEntryX = 17, kEntryY = 14, kEntryW = 88, kEntryH = 25;
constexpr int kEntryStep = 32;

// The menu picture carries the labels; the entries open these windows.
constexpr std::array<WindowId, kEntries> kEntryWindows = {
    WindowId::None, WindowId::Apps, WindowId::Emus, WindowId::Ports, WindowId::Games, WindowId::System};

enum Button { kUp = 0, kDown = 4, kMenuButton = 8, kActivate = 13, kClose = 14 };

SDL_Surface* menu_picture;
SDL_Surface* highlight;
SDL_Surface* frame;

void close_menu()
{
    current_window = return_window;
}

// The category windows open here, their links loaded, and so does the
// system window; they close back to the desktop through return_window. The
// program scan runs over the menu, which stays open after it.
void activate(int entry)
{
    if (entry == 0) {
        program_scan(screen, skin_name, user_name);
        return;
    }
    WindowId target = kEntryWindows[static_cast<size_t>(entry)];
    if (target == WindowId::System)
        current_window = target;
    if (!is_category_window(target))
        return;
    current_window = target;
    load_links();
}

void handle_touch()
{
    if (touch_in(event, kStartButton)) {
        play_click();
        close_menu();
    }
    if (!touch_in(event, kMenu)) {
        close_menu();
        return;
    }
    for (int k = 0; k < kEntries; ++k) {
        SDL_Rect entry = {kEntryX, static_cast<Sint16>(kEntryY + kEntryStep * k), kEntryW, kEntryH};
        if (!touch_in(event, entry))
            continue;
        // The scan has no click of its own: it shows its wait box at once.
        if (k > 0)
            play_click();
        activate(k);
        return;
    }
}

void handle_button(int button)
{
    switch (button) {
    case kClose:
    case kMenuButton:
        close_menu();
        break;
    case kUp:
        selection = wrapped_step(selection, -1, kEntries);
        break;
    case kDown:
        selection = wrapped_step(selection, +1, kEntries);
        break;
    case kActivate:
        if (selection >= 0 && selection < kEntries)
            activate(selection);
        break;
    default:
        break;
    }
}

// The layer: the desktop, the menu and the user's picture in its frame.
void compose_start_menu()
{
    blit_at(menu_picture, kMenu.x, kMenu.y);
    blit_at(frame, kFrame.x, kFrame.y);
    blit_at(user_picture, kPicture.x, kPicture.y);
}

} // namespace

void draw_start_menu()
{
    load_cached(menu_picture, "startmenu.png", skin_name);
    load_cached(highlight, "ssel.png", skin_name);
    load_cached(frame, "frame.png", skin_name);
    // Scaled once: the small copy replaces the user's picture from now on.
    if (user_picture && user_picture->w > kPictureSize)
        zoom_image(user_picture, kPictureSize, kPictureSize);
    show_window_layer(WindowId::StartMenu, compose_start_menu, reinterpret_cast<intptr_t>(user_picture));
    // The highlight comes last: the first entry's reaches under the corner
    // of the user's picture, and it must show whole.
    if (selection >= 0)
        blit_at(highlight, kHighlightX, kEntryStep * selection + kHighlightY);
}

void start_menu_input()
{
    wait_event();
    if (event.type == SDL_JOYBUTTONDOWN)
        handle_button(event.jbutton.button);
    else if (event.type == SDL_MOUSEBUTTONDOWN)
        handle_touch();
}
