#include "settings/skin_chooser.h"

#include "core/events.h"
#include "core/text.h"
#include "dialogs/dialogs.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "platform/platform.h"

#include <array>
#include <cstring>

namespace {

constexpr int kSkinCount = 3;
constexpr std::array<const char*, kSkinCount> kSkinNames = {"Blue", "Gold", "Zelda"};

// Layout                             x    y    w    h
constexpr SDL_Rect kWindow        = { 10,  20, 300, 200};
constexpr SDL_Rect kPreview       = {180,  67, 118,  88};
constexpr SDL_Rect kCloseBox      = {287,  25,  17,  17};
constexpr SDL_Rect kOkButton      = {207, 182,  89,  24};
// Row k: highlight drawn at (20, 65 + 30k), touch area (20, 65 + 29k, 65, 15);
// the rows of the picture sit a pixel or two above their highlight.
constexpr int kRowX = 20, kRowY = 65, kRowW = 65, kRowH = 15;
constexpr int kHighlightStep = 30, kTouchStep = 29;

enum Button { kUp = 0, kDown = 4, kConfirm = 13, kClose = 14 };

constexpr int kGoOn = -1;

// The highlighted row; kept from one opening to the next when the current
// skin is none of the three.
int skin_choice = 0;

SDL_Surface* window_picture;
SDL_Surface* highlight;
SDL_Surface* preview;   // of the highlighted row's skin

void load_preview()
{
    SDL_FreeSurface(preview);
    preview = load_skin_image("preview.png", kSkinNames[static_cast<size_t>(skin_choice)]);
}

void choose(int row)
{
    skin_choice = row;
    load_preview();
}

void draw(SDL_Surface* surface)
{
    blit_onto(surface, window_picture, kWindow.x, kWindow.y);
    blit_onto(surface, highlight, kRowX, kRowY + kHighlightStep * skin_choice);
    blit_onto(surface, preview, kPreview.x, kPreview.y);
    show_whole_screen(surface);
}

// What one run of the window works on: the skin name buffer is only
// overwritten on the confirmation that ends the run, so it names the skin
// in use (for the question box too) until then.
struct Chooser {
    SDL_Surface* surface;
    char (&skin)[20];
    char (&wallpaper)[100];
};

// 1 when the change is confirmed (the buffers then hold it), kGoOn when the
// highlighted skin is the current one or the question is answered No.
int confirm(const Chooser& chooser)
{
    const char* chosen = kSkinNames[static_cast<size_t>(skin_choice)];
    if (std::strcmp(chosen, chooser.skin) == 0)
        return kGoOn;
    if (!message_box(chooser.surface, "Save and restart?", 1, chooser.skin))
        return kGoOn;
    copy_text(chooser.skin, chosen);
    format_into(chooser.wallpaper, "wallpaper/%s.png", chosen);
    return 1;
}

int handle_button(const Chooser& chooser, int button)
{
    switch (button) {
    case kClose:
        return 0;
    case kUp:
        if (skin_choice > 0)
            choose(skin_choice - 1);
        break;
    case kDown:
        if (skin_choice < kSkinCount - 1)
            choose(skin_choice + 1);
        break;
    case kConfirm:
        return confirm(chooser);
    default:
        break;
    }
    return kGoOn;
}

int handle_touch(const Chooser& chooser, int x, int y)
{
    if (point_in(x, y, kCloseBox)) {
        play_click();
        return 0;
    }
    if (point_in(x, y, kOkButton)) {
        int result = confirm(chooser);
        if (result != kGoOn)
            return result;
    }
    for (int k = 0; k < kSkinCount; ++k) {
        if (point_in_rect(x, y, kRowX, kRowY + kTouchStep * k, kRowW, kRowH)) {
            play_click();
            choose(k);
        }
    }
    return kGoOn;
}

int handle_event(const Chooser& chooser, const SDL_Event& e)
{
    if (e.type == SDL_JOYBUTTONDOWN)
        return handle_button(chooser, e.jbutton.button);
    if (e.type == SDL_MOUSEBUTTONDOWN)
        return handle_touch(chooser, e.button.x, e.button.y);
    return kGoOn;
}

} // namespace

int skin_chooser(SDL_Surface* surface, char (&skin)[20], char (&wallpaper)[100])
{
    Chooser chooser = {surface, skin, wallpaper};
    load_cached(window_picture, "skinwin.png", skin);
    load_cached(highlight, "propsel.png", skin);
    for (int k = 0; k < kSkinCount; ++k)
        if (std::strcmp(skin, kSkinNames[static_cast<size_t>(k)]) == 0)
            skin_choice = k;
    load_preview();
    SDL_Event chooser_event{};
    for (;;) {
        draw(surface);
        wait_event_into(chooser_event);
        int result = handle_event(chooser, chooser_event);
        if (result != kGoOn)
            return result;
    }
}
