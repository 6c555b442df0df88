#include "gfx/layer.h"

#include "core/devices.h"
#include "gfx/changes.h"
#include "gfx/pixels.h"
#include "platform/platform.h"

#include <cstring>

namespace {

uint32_t generation = 0;
long compositions = 0;
Layer the_window_layer;

// What every key holds of the console's state, read once a frame: on the
// console each read is a system call (the battery's goes to its driver),
// and a window's frame asks for the desktop's key and for its own. Outside
// a frame each key reads afresh.
struct Readings {
    unsigned long frame = 0;   // read in this frame; 0: outside any
    int64_t minute = 0;
    int battery = 0;
};
Readings readings;

const Readings& read_state()
{
    unsigned long frame = frame_being_drawn();
    if (frame == 0 || readings.frame != frame) {
        readings.minute = static_cast<int64_t>(platform_time()) / 60;
        readings.battery = battery_level();
        readings.frame = frame;
    }
    return readings;
}

bool same_format(const SDL_Surface* a, const SDL_Surface* b)
{
    const SDL_PixelFormat* f = a->format;
    const SDL_PixelFormat* g = b->format;
    return a->w == b->w && a->h == b->h && f->BitsPerPixel == g->BitsPerPixel && f->Rmask == g->Rmask &&
           f->Gmask == g->Gmask && f->Bmask == g->Bmask;
}

// The layer's picture, made (again) to the screen's size and format.
bool ready_surface(Layer& layer)
{
    if (layer.surface && same_format(layer.surface, screen))
        return true;
    SDL_FreeSurface(layer.surface);
    const SDL_PixelFormat* f = screen->format;
    layer.surface =
        SDL_CreateRGBSurface(SDL_SWSURFACE, screen->w, screen->h, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, 0);
    return layer.surface != nullptr;
}

// A rectangle copied between two surfaces of one format, row by row.
void copy_rect(SDL_Surface* from, SDL_Surface* to, const SDL_Rect& r)
{
    if (SDL_MUSTLOCK(from) || SDL_MUSTLOCK(to)) {
        SDL_Rect source = r, target = r;
        SDL_BlitSurface(from, &source, to, &target);
        return;
    }
    size_t bytes = from->format->BytesPerPixel;
    size_t row_bytes = r.w * bytes;
    const Uint8* source = static_cast<const Uint8*>(from->pixels) + r.y * from->pitch + r.x * bytes;
    Uint8* target = static_cast<Uint8*>(to->pixels) + r.y * to->pitch + r.x * bytes;
    for (int row = 0; row < r.h; ++row, source += from->pitch, target += to->pitch) {
        if (bytes == 2)
            copy_pixels16(reinterpret_cast<Uint16*>(target), reinterpret_cast<const Uint16*>(source), r.w);
        else
            std::memcpy(target, source, row_bytes);
    }
}

} // namespace

bool operator==(const LayerKey& a, const LayerKey& b)
{
    // The details one by one: a comparison of the arrays calls the C library.
    return a.window == b.window && a.detail[0] == b.detail[0] && a.detail[1] == b.detail[1] &&
           a.detail[2] == b.detail[2] && a.detail[3] == b.detail[3] && a.generation == b.generation && a.minute == b.minute &&
           a.twelve_hour == b.twelve_hour && a.battery == b.battery && a.volume == b.volume;
}

LayerKey layer_key(WindowId window, intptr_t a, intptr_t b, intptr_t c, intptr_t d)
{
    const Readings& now = read_state();
    return LayerKey{window, {a, b, c, d}, generation, now.minute, clock_12h, now.battery, volume};
}

int frame_battery_level()
{
    return read_state().battery;
}

void layers_changed()
{
    ++generation;
}

Layer& window_layer()
{
    return the_window_layer;
}

bool compose_if_changed(Layer& layer, const LayerKey& key, void (*compose)())
{
    if (!screen)
        return false;
    if (layer.valid && layer.key == key && same_format(layer.surface, screen))
        return false;
    compose();
    ++compositions;
    layer.valid = ready_surface(layer);
    if (layer.valid) {
        SDL_Rect whole = {0, 0, static_cast<Uint16>(screen->w), static_cast<Uint16>(screen->h)};
        copy_rect(screen, layer.surface, whole);
        layer.key = key;
    }
    return true;
}

void paint_layer(const Layer& layer)
{
    if (!screen || !layer.valid)
        return;
    SDL_Rect whole = {0, 0, static_cast<Uint16>(screen->w), static_cast<Uint16>(screen->h)};
    copy_rect(layer.surface, screen, whole);
    note_whole_screen_changed();
}

void show_layer(Layer& layer, const LayerKey& key, void (*compose)())
{
    if (!screen)
        return;
    bool continuing = overlay_continues(&layer);
    if (compose_if_changed(layer, key, compose)) {
        note_whole_screen_changed();
        continuing = false;
    } else if (!continuing) {
        paint_layer(layer);
    }
    // Continuing, what the last frame's overlay covered is put back from the
    // layer as the new overlay is drawn (gfx/changes.h).
    begin_overlay(&layer, layer.valid ? layer.surface : nullptr, continuing && layer.valid);
}

void forget_layer(Layer& layer)
{
    layer.valid = false;
}

long layer_compositions()
{
    return compositions;
}
