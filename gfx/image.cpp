#include "gfx/image.h"

#include "core/state.h"
#include "core/text.h"
#include "gfx/changes.h"
#include "gfx/layer.h"
#include "gfx/spans.h"
#include "gfx/zoom.h"
#include "platform/platform.h"

#include <SDL_image.h>
#include <cstring>
#include <sys/stat.h>

namespace {

// The lookup builds its path here; a path that does not fit is refused.
char image_path[50];

bool has_colour_key(const SDL_Surface* surface)
{
    return (surface->flags & SDL_SRCCOLORKEY) != 0;
}

// A paletted picture's transparent entry may share its colour with an opaque
// entry once both are reduced to 16 bits; the conversion would then make
// those opaque pixels transparent too. Give the key entry a colour that no
// other entry maps to in the screen's format.
void make_key_colour_unique(SDL_Surface* surface, const SDL_PixelFormat* target)
{
    SDL_Palette* palette = surface->format->palette;
    if (!palette || !has_colour_key(surface))
        return;
    Uint32 key = surface->format->colorkey;
    if (key >= static_cast<Uint32>(palette->ncolors))
        return;
    static constexpr SDL_Color kCandidates[] = {
        {255, 0, 255, 0}, {0, 255, 255, 0}, {1, 254, 3, 0}, {253, 2, 251, 0}, {7, 7, 249, 0}};
    for (const SDL_Color& candidate : kCandidates) {
        Uint32 mapped = SDL_MapRGB(const_cast<SDL_PixelFormat*>(target), candidate.r, candidate.g, candidate.b);
        bool clash = false;
        for (int i = 0; i < palette->ncolors && !clash; ++i) {
            const SDL_Color& c = palette->colors[i];
            clash = static_cast<Uint32>(i) != key &&
                    SDL_MapRGB(const_cast<SDL_PixelFormat*>(target), c.r, c.g, c.b) == mapped;
        }
        if (!clash) {
            SDL_Color colour = candidate;
            SDL_SetPalette(surface, SDL_LOGPAL, &colour, static_cast<int>(key), 1);
            return;
        }
    }
}

} // namespace

SDL_Surface* to_screen_format(SDL_Surface* loaded)
{
    SDL_Surface* video = SDL_GetVideoSurface();
    if (!loaded || !video)
        return loaded;
    bool per_pixel_alpha = loaded->format->Amask != 0 && (loaded->flags & SDL_SRCALPHA);
    make_key_colour_unique(loaded, video->format);
    SDL_Surface* converted = per_pixel_alpha ? SDL_DisplayFormatAlpha(loaded) : SDL_DisplayFormat(loaded);
    if (!converted)
        return loaded;
    SDL_FreeSurface(loaded);
    return converted;
}

namespace {

// True for a picture without an alpha channel whose pixels are already in
// the screen's format: converting it would only copy it.
bool in_screen_format(const SDL_Surface* image)
{
    const SDL_Surface* video = SDL_GetVideoSurface();
    if (!video)
        return true;
    const SDL_PixelFormat* f = image->format;
    const SDL_PixelFormat* v = video->format;
    return f->Amask == 0 && !f->palette && f->BitsPerPixel == v->BitsPerPixel && f->Rmask == v->Rmask &&
           f->Gmask == v->Gmask && f->Bmask == v->Bmask;
}

// The zoom works on 8- and 32-bit pictures and widens any other kind itself,
// by a blit that skips keyed pixels and so loses the key. A 16-bit picture is
// therefore widened here, pixel for pixel, with its key widened the same way.
SDL_Surface* zoomable_copy(SDL_Surface* image)
{
    const SDL_PixelFormat* f = image->format;
    if (f->BitsPerPixel == 8 || f->BitsPerPixel == 32)
        return image;
    SDL_Surface* wide = SDL_CreateRGBSurface(SDL_SWSURFACE, image->w, image->h, 32,
                                             0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0);
    if (!wide)
        return nullptr;
    Uint32 flags = image->flags & (SDL_SRCCOLORKEY | SDL_RLEACCEL);
    Uint32 key = f->colorkey;
    SDL_SetColorKey(image, 0, 0);
    SDL_BlitSurface(image, nullptr, wide, nullptr);
    SDL_SetColorKey(image, flags, key);
    if (flags & SDL_SRCCOLORKEY) {
        // Widen the key the way the blit widened the pixels: plain shifts.
        Uint32 r = ((key & f->Rmask) >> f->Rshift) << f->Rloss;
        Uint32 g = ((key & f->Gmask) >> f->Gshift) << f->Gloss;
        Uint32 b = ((key & f->Bmask) >> f->Bshift) << f->Bloss;
        SDL_SetColorKey(wide, SDL_SRCCOLORKEY, (r << 16) | (g << 8) | b);
    }
    return wide;
}

} // namespace

SDL_Surface* load_image(const char* path)
{
    // Only a regular file: a FIFO named like a picture (an icon, an account
    // picture) would keep the loader waiting for ever.
    struct stat status;
    if (stat(path, &status) != 0 || !S_ISREG(status.st_mode))
        return nullptr;
    return to_screen_format(IMG_Load(path));
}

bool skin_image_path(char (&path)[50], const char* name, const char* skin)
{
    std::memset(path, 0, sizeof path);
    bool shared = std::strlen(name) > 9 &&
                  (std::strncmp(name, "wallpaper/", 10) == 0 || std::strncmp(name, "icondataba", 10) == 0);
    return shared ? format_into(path, "resources/%s", name) : format_into(path, "resources/skin/%s/%s", skin, name);
}

SDL_Surface* load_skin_image(const char* name, const char* skin)
{
    if (!skin_image_path(image_path, name, skin))
        return nullptr;
    return load_image(image_path);
}

void zoom_image(SDL_Surface*& image, double width, double height)
{
    if (!image)
        return;
    // A picture already at its size (a 320x240 wallpaper, a 32x32 icon) is
    // kept as it is, only put in the screen's format: scaling by 1 copies
    // every pixel unchanged.
    if (width == image->w && height == image->h) {
        if (!in_screen_format(image))
            image = to_screen_format(image);
        return;
    }
    double factor_x = width / static_cast<double>(image->w);
    double factor_y = height / static_cast<double>(image->h);
    bool keyed = has_colour_key(image);
    SDL_Surface* source = zoomable_copy(image);
    if (!source)
        return;
    Uint32 key = source->format->colorkey;
    SDL_Surface* scaled = zoom_surface(source, factor_x, factor_y);
    if (source != image)
        SDL_FreeSurface(source);
    if (!scaled)
        return;
    // The zoom marks paletted copies as keyed whether or not the picture
    // was; the copy gets exactly the key state of the original.
    if (keyed)
        SDL_SetColorKey(scaled, SDL_SRCCOLORKEY, key);
    else
        SDL_SetColorKey(scaled, 0, 0);
    SDL_FreeSurface(image);
    image = to_screen_format(scaled);
}

void set_rect(SDL_Rect& rect, int x, int y, int w, int h)
{
    rect.x = static_cast<Sint16>(x);
    rect.y = static_cast<Sint16>(y);
    rect.w = static_cast<Uint16>(w);
    rect.h = static_cast<Uint16>(h);
}

void load_cached(SDL_Surface*& handle, const char* name, const char* skin)
{
    if (handle)
        return;
    // A picture that comes (or is still missing, to be tried again) changes
    // what the layers composed with it show.
    layers_changed();
    handle = load_skin_image(name, skin);
    if (!prepare_spans(handle))
        run_length_encoded(handle);
}

SDL_Surface* run_length_encoded(SDL_Surface* picture)
{
    if (picture && (picture->flags & SDL_SRCCOLORKEY) && !(picture->flags & SDL_SRCALPHA))
        SDL_SetColorKey(picture, SDL_SRCCOLORKEY | SDL_RLEACCEL, picture->format->colorkey);
    return picture;
}

void blit_onto(SDL_Surface* target, SDL_Surface* image, int x, int y)
{
    if (!image || !target)
        return;
    if (target == screen) {
        DrawnPart part{PartKind::Picture, image, 0, {static_cast<Sint16>(x), static_cast<Sint16>(y),
                                                     static_cast<Uint16>(image->w), static_cast<Uint16>(image->h)}};
        if (!draw_part(part))
            return;
    }
    SDL_Rect at;
    if (blit_spans(image, target, x, y, at)) {
        // Only where its opaque pixels lie (a frame's four sides).
        const SDL_Rect* cover = nullptr;
        int count = span_cover(image, cover);
        if (target == screen)
            for (int i = 0; i < count; ++i)
                note_changed(x + cover[i].x, y + cover[i].y, cover[i].w, cover[i].h);
        return;
    }
    set_rect(at, x, y, image->w, image->h);
    SDL_BlitSurface(image, nullptr, target, &at);
    if (target == screen)
        note_changed(at.x, at.y, at.w, at.h);
}

void fill_rect(int x, int y, int w, int h, Uint8 r, Uint8 g, Uint8 b)
{
    if (!screen)
        return;
    Uint32 colour = SDL_MapRGB(screen->format, r, g, b);
    DrawnPart part{PartKind::Fill, nullptr, colour,
                   {static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w), static_cast<Uint16>(h)}};
    if (!draw_part(part))
        return;
    SDL_Rect area;
    set_rect(area, x, y, w, h);
    SDL_FillRect(screen, &area, colour);
    note_changed(x, y, w, h);
}

void blit_at(SDL_Surface* image, int x, int y)
{
    blit_onto(screen, image, x, y);
}

void show_whole_screen(SDL_Surface* surface)
{
    platform_update(surface, 0, 0, 320, 240);
    // A dialog showed the screen itself: the main loop's next frame cannot
    // build on what it showed last.
    if (surface == screen && !in_frame())
        note_screen_overdrawn();
}
