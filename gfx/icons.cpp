#include "gfx/icons.h"

#include "core/files.h"
#include "core/text.h"
#include "gfx/image.h"
#include "gfx/spans.h"
#include "gfx/zoom.h"

#include <SDL_image.h>

#include <array>
#include <cstring>

namespace {

// --- decoding ---

bool has_alpha_channel(const SDL_Surface* s)
{
    return s->format->Amask != 0 && (s->flags & SDL_SRCALPHA) != 0;
}

Uint32 pixel_at(const SDL_Surface* s, int x, int y)
{
    return static_cast<const Uint32*>(s->pixels)[y * (s->pitch / 4) + x];
}

// True when every pixel of the 32-bit picture is either fully transparent
// or fully opaque: such a picture loses nothing as a colour-keyed one.
bool alpha_is_hard(const SDL_Surface* s)
{
    if (s->format->BytesPerPixel != 4)
        return false;
    const SDL_PixelFormat* f = s->format;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            Uint32 a = (pixel_at(s, x, y) & f->Amask) >> f->Ashift;
            if (a != 0 && a != 255)
                return false;
        }
    return true;
}

// A 16-bit value of the screen's format as it would hold (r, g, b).
Uint32 screen_value(const SDL_PixelFormat* screen_format, Uint8 r, Uint8 g, Uint8 b)
{
    return SDL_MapRGB(const_cast<SDL_PixelFormat*>(screen_format), r, g, b);
}

// A key colour that no opaque pixel of s takes once reduced to the screen's
// format, so that only the transparent pixels become transparent.
bool unused_key_colour(const SDL_Surface* s, const SDL_PixelFormat* screen_format, SDL_Color& key)
{
    static constexpr SDL_Color kCandidates[] = {
        {255, 0, 255, 0}, {0, 255, 255, 0}, {1, 254, 3, 0}, {253, 2, 251, 0}, {7, 7, 249, 0}, {250, 250, 6, 0}};
    const SDL_PixelFormat* f = s->format;
    for (const SDL_Color& candidate : kCandidates) {
        Uint32 wanted = screen_value(screen_format, candidate.r, candidate.g, candidate.b);
        bool clash = false;
        for (int y = 0; y < s->h && !clash; ++y)
            for (int x = 0; x < s->w && !clash; ++x) {
                Uint8 r, g, b, a;
                SDL_GetRGBA(pixel_at(s, x, y), const_cast<SDL_PixelFormat*>(f), &r, &g, &b, &a);
                clash = a != 0 && screen_value(screen_format, r, g, b) == wanted;
            }
        if (!clash) {
            key = candidate;
            return true;
        }
    }
    return false;
}

// Turns a picture whose alpha is only 0 or 255 into a colour-keyed one: the
// transparent pixels get the key colour, the alpha channel is no longer
// used. False (picture unchanged) when no key colour is free.
bool key_transparent_pixels(SDL_Surface* s, const SDL_PixelFormat* screen_format)
{
    SDL_Color key;
    if (!unused_key_colour(s, screen_format, key))
        return false;
    const SDL_PixelFormat* f = s->format;
    Uint32 keyed = SDL_MapRGBA(const_cast<SDL_PixelFormat*>(f), key.r, key.g, key.b, 255);
    auto* pixels = static_cast<Uint32*>(s->pixels);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            Uint32& p = pixels[y * (s->pitch / 4) + x];
            p = (p & f->Amask) == 0 ? keyed : p | f->Amask;
        }
    SDL_SetAlpha(s, 0, SDL_ALPHA_OPAQUE);
    SDL_SetColorKey(s, SDL_SRCCOLORKEY, keyed);
    return true;
}

// The blit onto the 16-bit screen weighs a pixel by its alpha in 32 steps:
// it copies a pixel whose alpha is 248 or more and leaves out one below 8.
// Rounding those alphas to 255 and 0 changes nothing on screen, and lets
// the run-length encoding copy and skip them as runs; it blends the rest
// exactly as the plain blit does.
void round_alpha_ends(SDL_Surface* s)
{
    const SDL_PixelFormat* f = s->format;
    auto* pixels = static_cast<Uint32*>(s->pixels);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            Uint32& p = pixels[y * (s->pitch / 4) + x];
            Uint32 a = (p & f->Amask) >> f->Ashift;
            if (a >= 248)
                p |= f->Amask;
            else if (a < 8)
                p &= ~f->Amask;
        }
}

// A soft-edged picture is scaled while it still has all its alpha, then
// converted once; its blits are then the only blending work left.
SDL_Surface* soft_icon(SDL_Surface* loaded, bool keep_size)
{
    if (!keep_size && (loaded->w != kIconSize || loaded->h != kIconSize)) {
        SDL_Surface* scaled = zoom_surface(loaded, static_cast<double>(kIconSize) / loaded->w,
                                           static_cast<double>(kIconSize) / loaded->h);
        if (scaled) {
            SDL_FreeSurface(loaded);
            loaded = scaled;
        }
    }
    SDL_Surface* icon = to_screen_format(loaded);
    SDL_Surface* video = SDL_GetVideoSurface();
    if (icon && video && video->format->BytesPerPixel == 2 && icon->format->BytesPerPixel == 4) {
        round_alpha_ends(icon);
        SDL_SetAlpha(icon, SDL_SRCALPHA | SDL_RLEACCEL, SDL_ALPHA_OPAQUE);
    }
    return icon;
}

SDL_Surface* opaque_or_keyed_icon(SDL_Surface* loaded, bool keep_size)
{
    SDL_Surface* icon = to_screen_format(loaded);
    if (!keep_size && (icon->w != kIconSize || icon->h != kIconSize))
        zoom_image(icon, kIconSize, kIconSize);
    // The scaled copy may carry an opaque surface alpha, which blits as if
    // there were none; dropping it leaves a plain keyed picture.
    if (icon && icon->format->Amask == 0 && (icon->flags & SDL_SRCALPHA) && icon->format->alpha == SDL_ALPHA_OPAQUE)
        SDL_SetAlpha(icon, 0, SDL_ALPHA_OPAQUE);
    // Keyed icons are blitted by their spans of opaque pixels (the
    // run-length encoded blit measured slower than the plain key for icons
    // this small under an ARM926 emulation).
    prepare_spans(icon);
    return icon;
}

// --- the cache ---

struct CachedIcon {
    char path[500];
    bool keep_size;
    FileStamp stamp;
    SDL_Surface* icon;   // the cache's own reference; none when the file did not decode
    unsigned last_use;
};

// Room for a full category and a full desktop of distinct icons, and the
// skins' generic icons.
constexpr size_t kCacheSlots = 160;
std::array<CachedIcon, kCacheSlots> cache{};
unsigned use_clock = 0;

bool in_use(const CachedIcon& entry)
{
    return entry.path[0] != '\0';
}

void forget(CachedIcon& entry)
{
    SDL_FreeSurface(entry.icon);
    entry = CachedIcon{};
}

CachedIcon* find(const char* path, bool keep_size)
{
    for (CachedIcon& entry : cache)
        if (in_use(entry) && entry.keep_size == keep_size && std::strcmp(entry.path, path) == 0)
            return &entry;
    return nullptr;
}

// A free slot, else the one unused longest that nobody else holds; none when
// every icon is held.
CachedIcon* free_slot()
{
    CachedIcon* oldest = nullptr;
    for (CachedIcon& entry : cache) {
        if (!in_use(entry))
            return &entry;
        // The spans' own reference is no holder.
        bool held_elsewhere = entry.icon && entry.icon->refcount > 1 + (has_spans(entry.icon) ? 1 : 0);
        if (!held_elsewhere && (!oldest || entry.last_use < oldest->last_use))
            oldest = &entry;
    }
    if (oldest)
        forget(*oldest);
    return oldest;
}

SDL_Surface* shared(SDL_Surface* icon)
{
    if (icon)
        ++icon->refcount;
    return icon;
}

} // namespace

SDL_Surface* load_icon(const char* path, bool keep_size)
{
    SDL_Surface* loaded = IMG_Load(path);
    if (!loaded)
        return nullptr;
    SDL_Surface* video = SDL_GetVideoSurface();
    if (has_alpha_channel(loaded) && !(video && alpha_is_hard(loaded) && key_transparent_pixels(loaded, video->format)))
        return soft_icon(loaded, keep_size);
    return opaque_or_keyed_icon(loaded, keep_size);
}

SDL_Surface* cached_icon(const char* path, bool keep_size)
{
    FileStamp stamp;
    CachedIcon* entry = find(path, keep_size);
    if (!file_stamp(path, stamp)) {
        if (entry)
            forget(*entry);
        return nullptr;
    }
    if (entry && !(entry->stamp == stamp))
        forget(*entry);
    else if (entry) {
        entry->last_use = ++use_clock;
        return shared(entry->icon);
    }
    SDL_Surface* icon = load_icon(path, keep_size);
    CachedIcon* slot = free_slot();
    if (!slot || !copy_text(slot->path, path)) {
        if (slot)
            *slot = CachedIcon{};
        return icon;   // not kept: the caller holds the only reference
    }
    slot->keep_size = keep_size;
    slot->stamp = stamp;
    slot->icon = icon;
    slot->last_use = ++use_clock;
    return shared(icon);
}

void release_icon_cache()
{
    for (CachedIcon& entry : cache)
        if (in_use(entry))
            forget(entry);
}
