#include "desktop/sidebar.h"

#include "core/devices.h"
#include "core/events.h"
#include "core/files.h"
#include "core/state.h"
#include "desktop/desktop.h"
#include "dialogs/dialogs.h"
#include "explorer/explorer_window.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "platform/platform.h"

#include <array>
#include <cstring>

namespace {

constexpr int kEntries = 4;
constexpr Uint8 kPanelAlpha = 150;

// Layout                             x    y    w    h
constexpr SDL_Rect kPanel         = {245,   0,  75, 240};
constexpr SDL_Rect kTouchArea     = {245,   0,  75, 220};
// Entry k: icon and highlight at (267, 3 + 50k, 32, 32), label top at
// 38 + 50k, centred on x 280.
constexpr int kIconX = 267, kIconY = 3, kIconSize = 32, kEntryStep = 50;
constexpr int kLabelCentre = 280, kLabelY = 38;

enum Entry { kNone = -1, kSd = 0, kNand = 1, kLogoff = 2, kShutDown = 3 };

struct SidebarEntry {
    const char* icon_file;
    const char* label;
};
constexpr std::array<SidebarEntry, kEntries> kEntryList = {{
    {"disk.png",     "SD"},
    {"disk.png",     "NAND"},
    {"logoff.png",   "Logoff"},
    {"shutdown.png", "ShutDown"},
}};

enum Button { kUp = 0, kDown = 4, kL = 10, kR = 11 };

SDL_Surface* panel;
SDL_Surface* highlight;
std::array<SDL_Surface*, kEntries> icons;

// The panel's blend over the desktop is the costliest part of the sidebar;
// it is done only when the layer is composed.
void blit_panel()
{
    if (!panel)
        return;
    SDL_SetAlpha(panel, SDL_SRCALPHA, kPanelAlpha);
    blit_at(panel, kPanel.x, kPanel.y);
}

bool labels_white()
{
    return std::strcmp(skin_name, "Blue") == 0;
}

// The layer: the desktop through the panel, the entries' icons and labels.
void compose_sidebar()
{
    blit_panel();
    int white = labels_white();
    for (int k = 0; k < kEntries; ++k) {
        const char* label = kEntryList[static_cast<size_t>(k)].label;
        blit_at(icons[static_cast<size_t>(k)], kIconX, kIconY + kEntryStep * k);
        draw_text(screen, kLabelCentre - text_width(label) / 2, kLabelY + kEntryStep * k, label, white, skin_name);
    }
}

SDL_Rect entry_rect(int k)
{
    return {kIconX, static_cast<Sint16>(kIconY + kEntryStep * k), kIconSize, kIconSize};
}

void back_to_desktop()
{
    current_window = WindowId::Desktop;
    draw_desktop();
}

bool guest()
{
    return std::strcmp(user_kind, "guest") == 0;
}

// The SD card and the NAND open in the explorer, which closes back to the
// desktop. Guests may not browse at all; a refused guest is back on the
// desktop whichever storage it asked for, since the button that held the
// sidebar open is already up.
void open_storage(int entry)
{
    if (guest()) {
        message_box(screen, "User access denied.", 0, skin_name);
        back_to_desktop();
        return;
    }
    open_explorer(WindowId::Desktop, entry == kSd ? "/mnt/sd/" : "/mnt/nand/", "", 1);
    draw_desktop();
    draw_explorer();
}

// The next start shows the logon screen: the automatic logon is parked in
// "resources/autoback.st" and the start after that puts it back.
void log_off()
{
    if (file_exists("resources/autolog.st")) {
        platform_run("mv resources/autolog.st resources/autoback.st");
        platform_run("sync");
    }
    restart_shell();
}

void act_on_release()
{
    switch (sidebar_item) {
    case kSd:
    case kNand:
        open_storage(sidebar_item);
        break;
    case kLogoff:
        log_off();
        break;
    case kShutDown:
        power_off();
        break;
    default:
        back_to_desktop();
        break;
    }
}

void handle_touch()
{
    if (!touch_in(event, kTouchArea))
        back_to_desktop();
    for (int k = 0; k < kEntries; ++k) {
        if (touch_in(event, entry_rect(k))) {
            play_click();
            sidebar_item = k;
        }
    }
}

} // namespace

void draw_sidebar()
{
    load_cached(panel, "sidebar.png", skin_name);
    load_cached(highlight, "sidesel.png", skin_name);
    for (int k = 0; k < kEntries; ++k)
        load_cached(icons[static_cast<size_t>(k)], kEntryList[static_cast<size_t>(k)].icon_file, skin_name);
    show_window_layer(WindowId::Sidebar, compose_sidebar, labels_white());
    // The highlight lies under its entry's icon.
    if (sidebar_item >= 0 && sidebar_item < kEntries) {
        blit_at(highlight, kIconX, kIconY + kEntryStep * sidebar_item);
        blit_at(icons[static_cast<size_t>(sidebar_item)], kIconX, kIconY + kEntryStep * sidebar_item);
    }
}

void sidebar_input()
{
    wait_event();
    if (event.type == SDL_JOYBUTTONUP && (event.jbutton.button == kL || event.jbutton.button == kR)) {
        act_on_release();
    } else if (event.type == SDL_JOYBUTTONDOWN) {
        if (event.jbutton.button == kUp)
            sidebar_item = sidebar_item == kNone ? kShutDown : sidebar_item - 1;
        else if (event.jbutton.button == kDown)
            sidebar_item = sidebar_item == kShutDown ? kNone : sidebar_item + 1;
    } else if (event.type == SDL_MOUSEBUTTONDOWN) {
        handle_touch();
    }
}
