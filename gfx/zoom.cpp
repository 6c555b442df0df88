#include "gfx/zoom.h"

#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr double kSmallestFactor = 0.001;

// Rounded without the C library: on the console its doubles are laid out
// differently from the compiler's (see platform/wiz_runtime.cpp).
int zoomed_side(int side, double factor)
{
    if (factor < 0)
        factor = -factor;
    if (!(factor >= kSmallestFactor))   // also a factor that is no number
        factor = kSmallestFactor;
    const double zoomed = static_cast<double>(side) * factor + 0.5;
    if (zoomed >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    const int whole = static_cast<int>(zoomed);   // positive: truncating is rounding down
    return whole < 1 ? 1 : whole;
}

// Which source column (or row) each of the `to` columns of the scaled
// picture copies, for 32-bit pictures: a 16.16 fixed-point step of
// from/to, truncated, added up and taken whole.
std::vector<int> fixed_point_sources(int from, int to)
{
    const long step = static_cast<long>(65536.0 * static_cast<float>(from) / static_cast<float>(to));
    std::vector<int> source(static_cast<size_t>(to));
    for (int i = 0; i < to; ++i)
        source[static_cast<size_t>(i)] = static_cast<int>(static_cast<long>(i) * step >> 16);
    return source;
}

// The same for 8-bit pictures: the exact fraction i * from / to, rounded down.
std::vector<int> exact_sources(int from, int to)
{
    std::vector<int> source(static_cast<size_t>(to));
    for (int i = 0; i < to; ++i)
        source[static_cast<size_t>(i)] = static_cast<int>(static_cast<long>(i) * from / to);
    return source;
}

template <typename Pixel>
void copy_pixels(const SDL_Surface* from, SDL_Surface* to, const std::vector<int>& columns,
                 const std::vector<int>& rows)
{
    const auto* source = static_cast<const Uint8*>(from->pixels);
    auto* target = static_cast<Uint8*>(to->pixels);
    for (int y = 0; y < to->h; ++y) {
        const auto* in = reinterpret_cast<const Pixel*>(source + rows[static_cast<size_t>(y)] * from->pitch);
        auto* out = reinterpret_cast<Pixel*>(target + y * to->pitch);
        for (int x = 0; x < to->w; ++x)
            out[x] = in[columns[static_cast<size_t>(x)]];
    }
}

// A 32-bit RGBA copy of a picture of another depth, by a plain blit.
SDL_Surface* widened(SDL_Surface* source)
{
    SDL_Surface* wide = SDL_CreateRGBSurface(SDL_SWSURFACE, source->w, source->h, 32, 0x000000FFu, 0x0000FF00u,
                                             0x00FF0000u, 0xFF000000u);
    if (wide)
        SDL_BlitSurface(source, nullptr, wide, nullptr);
    return wide;
}

} // namespace

void zoom_size(int w, int h, double factor_x, double factor_y, int& out_w, int& out_h)
{
    out_w = zoomed_side(w, factor_x);
    out_h = zoomed_side(h, factor_y);
}

SDL_Surface* zoom_surface(SDL_Surface* source, double factor_x, double factor_y)
{
    if (!source)
        return nullptr;
    const int depth = source->format->BitsPerPixel;
    SDL_Surface* from = depth == 8 || depth == 32 ? source : widened(source);
    if (!from)
        return nullptr;
    int w = 0, h = 0;
    zoom_size(from->w, from->h, factor_x, factor_y, w, h);
    const SDL_PixelFormat* f = from->format;
    const bool paletted = f->BitsPerPixel == 8;
    SDL_Surface* scaled = paletted
                              ? SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0)
                              : SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (scaled) {
        if (paletted && f->palette && scaled->format->palette) {
            SDL_Palette* palette = scaled->format->palette;
            const int colours = f->palette->ncolors < palette->ncolors ? f->palette->ncolors : palette->ncolors;
            std::memcpy(palette->colors, f->palette->colors, sizeof(SDL_Color) * static_cast<size_t>(colours));
            palette->ncolors = f->palette->ncolors < 256 ? f->palette->ncolors : 256;
        }
        SDL_LockSurface(from);
        SDL_LockSurface(scaled);
        if (paletted)
            copy_pixels<Uint8>(from, scaled, exact_sources(from->w, w), exact_sources(from->h, h));
        else
            copy_pixels<Uint32>(from, scaled, fixed_point_sources(from->w, w), fixed_point_sources(from->h, h));
        SDL_UnlockSurface(scaled);
        SDL_UnlockSurface(from);
        if (paletted)
            SDL_SetColorKey(scaled, SDL_SRCCOLORKEY | SDL_RLEACCEL, f->colorkey);
        else
            SDL_SetAlpha(scaled, SDL_SRCALPHA, SDL_ALPHA_OPAQUE);
    }
    if (from != source)
        SDL_FreeSurface(from);
    return scaled;
}
