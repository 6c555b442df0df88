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

// The panel's blend over the desktop is the costliest part of the sidebar,
// and what lies beneath it rarely changes while the sidebar is open. The
// blended panel is kept with the pixels it was blended over, and shown
// again while the desktop beneath is pixel for pixel the same.
struct BlendedPanel {
    SDL_Surface* beneath = nullptr;   // the desktop under the panel, as blended over
    SDL_Surface* blended = nullptr;   // the panel over it
    const SDL_Surface* panel = nullptr;
    bool valid = false;
};
BlendedPanel kept;

SDL_Surface* panel_sized_copy()
{
    const SDL_PixelFormat* f = screen->format;
    return SDL_CreateRGBSurface(SDL_SWSURFACE, kPanel.w, kPanel.h, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, 0);
}

bool same_pixels(SDL_Surface* a, int ax, int ay, SDL_Surface* b, int w, int h)
{
    size_t row_bytes = static_cast<size_t>(w) * a->format->BytesPerPixel;
    for (int y = 0; y < h; ++y) {
        const Uint8* from_a = static_cast<const Uint8*>(a->pixels) + (ay + y) * a->pitch + ax * a->format->BytesPerPixel;
        const Uint8* from_b = static_cast<const Uint8*>(b->pixels) + y * b->pitch;
        if (std::memcmp(from_a, from_b, row_bytes) != 0)
            return false;
    }
    return true;
}

// A plain copy of rows between two surfaces of one pixel format.
void copy_region(SDL_Surface* from, int x, int y, int w, int h, SDL_Surface* to, int to_x, int to_y)
{
    size_t bytes = from->format->BytesPerPixel;
    for (int row = 0; row < h; ++row)
        std::memcpy(static_cast<Uint8*>(to->pixels) + (to_y + row) * to->pitch + to_x * bytes,
                    static_cast<const Uint8*>(from->pixels) + (y + row) * from->pitch + x * bytes,
                    static_cast<size_t>(w) * bytes);
}

bool same_format(const SDL_PixelFormat* a, const SDL_PixelFormat* b)
{
    return a->BytesPerPixel == b->BytesPerPixel && a->Rmask == b->Rmask && a->Gmask == b->Gmask &&
           a->Bmask == b->Bmask;
}

bool panel_fits_screen()
{
    return screen && !SDL_MUSTLOCK(screen) && kPanel.x + kPanel.w <= screen->w && kPanel.y + kPanel.h <= screen->h;
}

void blit_panel()
{
    if (!panel)
        return;
    SDL_SetAlpha(panel, SDL_SRCALPHA, kPanelAlpha);
    if (!panel_fits_screen()) {
        blit_at(panel, kPanel.x, kPanel.y);
        return;
    }
    if (!kept.beneath)
        kept.beneath = panel_sized_copy();
    if (!kept.blended)
        kept.blended = panel_sized_copy();
    if (!kept.beneath || !kept.blended || !same_format(kept.beneath->format, screen->format)) {
        blit_at(panel, kPanel.x, kPanel.y);
        return;
    }
    if (kept.valid && kept.panel == panel && same_pixels(screen, kPanel.x, kPanel.y, kept.beneath, kPanel.w, kPanel.h)) {
        copy_region(kept.blended, 0, 0, kPanel.w, kPanel.h, screen, kPanel.x, kPanel.y);
        return;
    }
    copy_region(screen, kPanel.x, kPanel.y, kPanel.w, kPanel.h, kept.beneath, 0, 0);
    blit_at(panel, kPanel.x, kPanel.y);
    copy_region(screen, kPanel.x, kPanel.y, kPanel.w, kPanel.h, kept.blended, 0, 0);
    kept.panel = panel;
    kept.valid = true;
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
    draw_desktop();
    blit_panel();
    if (sidebar_item >= 0)
        blit_at(highlight, kIconX, kIconY + kEntryStep * sidebar_item);
    int white = std::strcmp(skin_name, "Blue") == 0;
    for (int k = 0; k < kEntries; ++k) {
        const char* label = kEntryList[static_cast<size_t>(k)].label;
        blit_at(icons[static_cast<size_t>(k)], kIconX, kIconY + kEntryStep * k);
        draw_text(screen, kLabelCentre - text_width(label) / 2, kLabelY + kEntryStep * k, label, white, skin_name);
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
