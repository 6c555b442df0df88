// The scaler without smoothing. On the PC it is compared, picture for
// picture, with SDL_gfx's zoomSurface (smoothing off), the scaler the
// shell's pictures were first drawn with: over many sizes and factors and
// every pixel format the shell scales. Elsewhere (no SDL_gfx) the cases with
// known answers still run.
#include "gfx/zoom.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <cstring>
#include <string>
#include <vector>

#ifdef KORVO_TEST_SDL_GFX
#include <SDL_rotozoom.h>
#endif

namespace {

struct Format {
    const char* name;
    int depth;
    Uint32 r, g, b, a;
    bool keyed;
};

// What the shell hands the scaler: paletted pictures (IMG_Load of the
// skins' PNGs), the screen's 16-bit format with and without a key, RGBA
// pictures with per-pixel alpha, the widened 32-bit copies of gfx/image.cpp,
// and 24-bit ones (JPEG-like), which the scaler widens itself.
constexpr Format kFormats[] = {
    {"paletted", 8, 0, 0, 0, 0, false},
    {"paletted, keyed", 8, 0, 0, 0, 0, true},
    {"16-bit", 16, 0xF800, 0x07E0, 0x001F, 0, false},
    {"16-bit, keyed", 16, 0xF800, 0x07E0, 0x001F, 0, true},
    {"RGBA", 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000, false},
    {"XRGB, keyed", 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0, true},
    {"24-bit", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0, false},
};

// A picture whose every pixel differs from its neighbours, so a copy from
// the wrong column or row shows.
SDL_Surface* make_picture(const Format& f, int w, int h)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, f.depth, f.r, f.g, f.b, f.a);
    if (!s)
        return nullptr;
    if (f.depth == 8) {
        SDL_Color colours[256];
        for (int i = 0; i < 256; ++i)
            colours[i] = {static_cast<Uint8>(i), static_cast<Uint8>(255 - i), static_cast<Uint8>(i * 7), 0};
        SDL_SetColors(s, colours, 0, 256);
    }
    SDL_LockSurface(s);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Uint32 v = static_cast<Uint32>(x * 7919 + y * 104729 + 12345) * 2654435761u;
            auto* row = static_cast<Uint8*>(s->pixels) + y * s->pitch;
            const int bpp = s->format->BytesPerPixel;
            std::memcpy(row + x * bpp, &v, static_cast<size_t>(bpp));
        }
    SDL_UnlockSurface(s);
    if (f.keyed)
        SDL_SetColorKey(s, SDL_SRCCOLORKEY, f.depth == 8 ? 3u : static_cast<Uint32>(s->format->Gmask));
    return s;
}

Uint32 pixel_at(const SDL_Surface* s, int x, int y)
{
    Uint32 v = 0;
    const auto* row = static_cast<const Uint8*>(s->pixels) + y * s->pitch;
    std::memcpy(&v, row + x * s->format->BytesPerPixel, s->format->BytesPerPixel);
    return v;
}

#ifdef KORVO_TEST_SDL_GFX
// Empty when the two pictures agree in size, format, flags, key, alpha,
// palette and every pixel; otherwise what differs first.
std::string difference(const SDL_Surface* ours, const SDL_Surface* theirs)
{
    if (!ours || !theirs)
        return ours ? "SDL_gfx made no picture" : "no picture";
    const SDL_PixelFormat* a = ours->format;
    const SDL_PixelFormat* b = theirs->format;
    if (ours->w != theirs->w || ours->h != theirs->h)
        return "size " + std::to_string(ours->w) + "x" + std::to_string(ours->h) + " against " +
               std::to_string(theirs->w) + "x" + std::to_string(theirs->h);
    if (a->BitsPerPixel != b->BitsPerPixel || a->Rmask != b->Rmask || a->Gmask != b->Gmask || a->Bmask != b->Bmask ||
        a->Amask != b->Amask)
        return "pixel format";
    const Uint32 flags = SDL_SRCCOLORKEY | SDL_SRCALPHA | SDL_RLEACCELOK;
    if ((ours->flags & flags) != (theirs->flags & flags))
        return "flags " + std::to_string(ours->flags & flags) + " against " + std::to_string(theirs->flags & flags);
    if ((ours->flags & SDL_SRCCOLORKEY) && a->colorkey != b->colorkey)
        return "colour key";
    if (a->alpha != b->alpha)
        return "surface alpha";
    if ((a->palette != nullptr) != (b->palette != nullptr))
        return "palette";
    if (a->palette && (a->palette->ncolors != b->palette->ncolors ||
                       std::memcmp(a->palette->colors, b->palette->colors,
                                   sizeof(SDL_Color) * static_cast<size_t>(a->palette->ncolors)) != 0))
        return "palette colours";
    for (int y = 0; y < ours->h; ++y)
        for (int x = 0; x < ours->w; ++x)
            if (pixel_at(ours, x, y) != pixel_at(theirs, x, y))
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return "";
}

TEST(Zoom, CopiesSdlGfxWithoutSmoothingPixelForPixel)
{
    // The shell's own requests (a 320x240 wallpaper from other sizes, 32x32
    // icons, 48x48 account pictures, the viewer's halving and doubling and
    // its fits into 320x240) and a sweep of small sizes against odd factors.
    struct Size {
        int w, h;
    };
    std::vector<Size> sizes = {{640, 480}, {1024, 768}, {800, 600}, {300, 200}, {48, 48},  {64, 64}, {24, 24},
                               {16, 16},   {40, 30},    {321, 241}, {2000, 3}, {3, 2000}, {1, 1},   {333, 77}};
    for (int w = 1; w <= 13; ++w)
        for (int h = 1; h <= 13; h += 4)
            sizes.push_back({w, h});
    const double factors[] = {0.001, 0.05, 0.1, 0.25, 1.0 / 3, 0.37, 0.5, 2.0 / 3, 0.75, 0.99, 1.0,
                              1.01,  1.25, 1.5, 2.0,  2.5,     3.3,  4.0};
    int compared = 0;
    for (const Format& f : kFormats)
        for (const Size& size : sizes) {
            SDL_Surface* source = make_picture(f, size.w, size.h);
            ASSERT_NE(source, nullptr);
            std::vector<std::pair<double, double>> pairs;
            for (double fx : factors)
                for (double fy : {fx, 0.5, 1.7})
                    pairs.push_back({fx, fy});
            // Exact target sizes, asked the way the shell asks: width over width.
            for (int to : {1, 2, 7, 32, 48, 240, 320})
                pairs.push_back({static_cast<double>(to) / size.w, static_cast<double>(to) / size.h});
            for (auto [fx, fy] : pairs) {
                if (size.w * fx > 4000 || size.h * fy > 4000 || size.w * fx * size.h * fy > 200000)
                    continue;
                SDL_Surface* ours = zoom_surface(source, fx, fy);
                SDL_Surface* theirs = zoomSurface(source, fx, fy, SMOOTHING_OFF);
                int w = 0, h = 0, gw = 0, gh = 0;
                zoom_size(size.w, size.h, fx, fy, w, h);
                zoomSurfaceSize(size.w, size.h, fx, fy, &gw, &gh);
                ASSERT_EQ(w, gw) << size.w << "x" << size.h << " by " << fx << ", " << fy;
                ASSERT_EQ(h, gh) << size.w << "x" << size.h << " by " << fx << ", " << fy;
                ASSERT_EQ(difference(ours, theirs), "")
                    << f.name << " " << size.w << "x" << size.h << " by " << fx << ", " << fy;
                SDL_FreeSurface(ours);
                SDL_FreeSurface(theirs);
                ++compared;
            }
            SDL_FreeSurface(source);
        }
    EXPECT_GT(compared, 10000);
}
#endif

TEST(Zoom, KnownCases)
{
    // Halving takes every other pixel from the first; doubling repeats each.
    const Format rgba = kFormats[4];
    SDL_Surface* source = make_picture(rgba, 6, 4);
    ASSERT_NE(source, nullptr);
    SDL_Surface* half = zoom_surface(source, 0.5, 0.5);
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(half->w, 3);
    EXPECT_EQ(half->h, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(pixel_at(half, x, y), pixel_at(source, 2 * x, 2 * y)) << x << ", " << y;
    EXPECT_TRUE(half->flags & SDL_SRCALPHA);
    SDL_Surface* twice = zoom_surface(source, 2.0, 2.0);
    ASSERT_NE(twice, nullptr);
    EXPECT_EQ(twice->w, 12);
    for (int x = 0; x < 12; ++x)
        EXPECT_EQ(pixel_at(twice, x, 5), pixel_at(source, x / 2, 2)) << x;
    SDL_FreeSurface(half);
    SDL_FreeSurface(twice);
    SDL_FreeSurface(source);

    // Sizes round to the nearest pixel and never reach 0.
    int w = 0, h = 0;
    zoom_size(320, 240, 0.1, 0.001, w, h);
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, 1);
    zoom_size(3, 5, 0.5, 0.5, w, h);   // 1.5 and 2.5 round up
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 3);
    zoom_size(10, 10, -0.5, 0.0, w, h);
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 1);

    // A paletted picture keeps its palette and is keyed by its key index
    // even when the original did not use the key; 16-bit ones are widened
    // to RGBA, their keyed pixels cleared.
    SDL_Surface* paletted = make_picture(kFormats[0], 5, 5);
    ASSERT_NE(paletted, nullptr);
    SDL_Surface* scaled = zoom_surface(paletted, 0.6, 1.0);
    ASSERT_NE(scaled, nullptr);
    EXPECT_EQ(scaled->format->BitsPerPixel, 8);
    EXPECT_TRUE(scaled->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(std::memcmp(scaled->format->palette->colors, paletted->format->palette->colors, 256 * sizeof(SDL_Color)),
              0);
    EXPECT_EQ(pixel_at(scaled, 2, 1), pixel_at(paletted, 3, 1));   // 2 * 5 / 3 = 3
    SDL_FreeSurface(scaled);
    SDL_FreeSurface(paletted);

    SDL_Surface* screenlike = make_picture(kFormats[3], 4, 4);
    ASSERT_NE(screenlike, nullptr);
    SDL_Surface* wide = zoom_surface(screenlike, 1.0, 1.0);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->format->BitsPerPixel, 32);
    EXPECT_EQ(wide->format->Amask, 0xFF000000u);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            Uint8 r, g, b, a;
            SDL_GetRGBA(pixel_at(wide, x, y), wide->format, &r, &g, &b, &a);
            const bool key = pixel_at(screenlike, x, y) == screenlike->format->colorkey;
            EXPECT_EQ(a, key ? 0 : 255) << x << ", " << y;
        }
    SDL_FreeSurface(wide);
    SDL_FreeSurface(screenlike);
    EXPECT_EQ(zoom_surface(nullptr, 1.0, 1.0), nullptr);
}

} // namespace
