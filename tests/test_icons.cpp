// Program icons: decoded once per file and again only when the file
// changes; pictures with an alpha channel made keyed or kept soft; and
// whatever form an icon takes, the same pixels on screen as the picture
// blitted the plain way.
#include "harness.h"

#include "work_counts.h"

#include "gfx/icons.h"
#include "gfx/image.h"
#include "platform/pc_console.h"

#include <SDL_image.h>

#include <cmath>
#include <functional>
#include <string>

namespace {

using Icons = GroupNeeding<Needs::nothing>;

using AlphaOf = std::function<Uint8(int x, int y)>;

// A w x h RGBA PNG whose colours vary over the picture and whose alpha is
// alpha(x, y).
void write_rgba_png(const std::string& path, int w, int h, const AlphaOf& alpha)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0x000000FFu, 0x0000FF00u, 0x00FF0000u,
                                          0xFF000000u);
    auto* pixels = static_cast<Uint32*>(s->pixels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels[y * (s->pitch / 4) + x] =
                SDL_MapRGBA(s->format, static_cast<Uint8>(x * 5), static_cast<Uint8>(255 - y * 5),
                            static_cast<Uint8>((x * y) & 0xFF), alpha(x, y));
    ShellTest::write_file(path, "");
    ASSERT_TRUE(pc_save_png(s, path.c_str()));
    SDL_FreeSurface(s);
}

// Every alpha value from 0 to 255 appears, most of them more than once.
Uint8 every_alpha(int x, int y)
{
    return static_cast<Uint8>((x * 48 + y) % 256);
}

Uint8 hard_disc(int x, int y)
{
    return std::hypot(x - 23.5, y - 23.5) < 20 ? 255 : 0;
}

// The screen filled with a pattern of every colour, an icon blitted at
// (10, 10), and the pixels read back.
std::vector<Uint32> drawn(SDL_Surface* icon)
{
    Uint16* pixels = static_cast<Uint16*>(screen->pixels);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            pixels[y * (screen->pitch / 2) + x] = static_cast<Uint16>(x * 977 + y * 131);
    blit_at(icon, 10, 10);
    return ShellTest::snapshot();
}

// The picture as the shell drew it before icons had forms of their own:
// converted to the screen's format with its key or alpha, then scaled.
SDL_Surface* plain_icon(const char* path, bool scale)
{
    SDL_Surface* icon = load_image(path);
    if (icon && scale && (icon->w != 32 || icon->h != 32))
        zoom_image(icon, 32, 32);
    return icon;
}

void expect_same_pixels(const char* path, bool scale)
{
    SDL_Surface* plain = plain_icon(path, scale);
    SDL_Surface* icon = load_icon(path, !scale);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->w, plain->w);
    EXPECT_EQ(icon->h, plain->h);
    std::vector<Uint32> expected = drawn(plain);
    EXPECT_EQ(drawn(icon), expected);
    EXPECT_EQ(drawn(icon), expected) << "blitted a second time (run-length encoded by then)";
    SDL_FreeSurface(plain);
    SDL_FreeSurface(icon);
}

} // namespace

TEST_F(Icons, SoftEdgesKeepTheirAlphaAtThirtyTwoPixels)
{
    TEST_NEEDS(Needs::display);   // the display's pixel format
    write_rgba_png("soft.png", 48, 48, every_alpha);
    SDL_Surface* icon = load_icon("soft.png");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->w, 32);
    EXPECT_EQ(icon->h, 32);
    EXPECT_NE(icon->format->Amask, 0u);
    EXPECT_TRUE(icon->flags & SDL_SRCALPHA);
    EXPECT_TRUE(icon->flags & (SDL_RLEACCELOK | SDL_RLEACCEL));
    SDL_FreeSurface(icon);
    expect_same_pixels("soft.png", true);

    write_rgba_png("soft32.png", 32, 32, every_alpha);
    expect_same_pixels("soft32.png", true);
}

TEST_F(Icons, HardAlphaBecomesAColourKey)
{
    TEST_NEEDS(Needs::display);   // the display's pixel format
    write_rgba_png("hard.png", 48, 48, hard_disc);
    SDL_Surface* icon = load_icon("hard.png");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->w, 32);
    EXPECT_EQ(icon->format->BitsPerPixel, 16);
    EXPECT_TRUE(icon->flags & SDL_SRCCOLORKEY);
    EXPECT_FALSE(icon->flags & SDL_SRCALPHA);
    SDL_FreeSurface(icon);
    expect_same_pixels("hard.png", true);
}

TEST_F(Icons, HardAlphaWhoseColoursTakeTheUsualKeysStaysExact)
{
    TEST_NEEDS(Needs::display);
    // Opaque magenta and cyan: the key must be a colour no opaque pixel has.
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 32, 32, 32, 0x000000FFu, 0x0000FF00u, 0x00FF0000u,
                                          0xFF000000u);
    auto* pixels = static_cast<Uint32*>(s->pixels);
    for (int i = 0; i < 32 * 32; ++i)
        pixels[i] = i % 3 == 0 ? SDL_MapRGBA(s->format, 0, 0, 0, 0)
                    : i % 3 == 1 ? SDL_MapRGBA(s->format, 255, 0, 255, 255)
                                 : SDL_MapRGBA(s->format, 0, 255, 255, 255);
    write_file("keys.png", "");
    ASSERT_TRUE(pc_save_png(s, "keys.png"));
    SDL_FreeSurface(s);
    expect_same_pixels("keys.png", true);
}

TEST_F(Icons, KeyedPicturesStayKeyedAndExact)
{
    TEST_NEEDS(Needs::display);   // the display's pixel format
    SDL_Surface* icon = load_icon(source_path("resources/skin/Blue/genericico.png").c_str());
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(icon->format->BitsPerPixel, 16);
    SDL_FreeSurface(icon);
    expect_same_pixels(source_path("resources/skin/Blue/genericico.png").c_str(), false);
    expect_same_pixels(source_path("resources/icondatabase/gpe.png").c_str(), true);
}

TEST_F(Icons, DecodedOnceAndAgainWhenTheFileChanges)
{
    TEST_NEEDS(Needs::display);   // the display's pixel format
    write_rgba_png("icon.png", 48, 48, hard_disc);
    SDL_Surface* first = nullptr;
    SDL_Surface* second = nullptr;
    {
        CountWork work;
        first = cached_icon("icon.png");
        second = cached_icon("icon.png");
        EXPECT_EQ(work.counts().decodes, 1);
    }
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second) << "one picture, shared";
    SDL_FreeSurface(second);
    EXPECT_EQ(first->w, 32) << "a holder's reference stays valid";

    write_rgba_png("icon.png", 32, 32, every_alpha);   // the user puts another picture there
    CountWork work;
    SDL_Surface* third = cached_icon("icon.png");
    EXPECT_EQ(work.counts().decodes, 1);
    ASSERT_NE(third, nullptr);
    EXPECT_TRUE(third->flags & SDL_SRCALPHA) << "the new picture, soft-edged";
    EXPECT_TRUE(first->flags & SDL_SRCCOLORKEY) << "the old one, still held, unchanged";
    SDL_FreeSurface(first);
    SDL_FreeSurface(third);
    release_icon_cache();
}

TEST_F(Icons, AMissingFileCostsOneStatusCallAndNoDecoding)
{
    CountWork work;
    EXPECT_EQ(cached_icon("nothing/here.png"), nullptr);
    EXPECT_EQ(work.counts().decodes, 0);
    EXPECT_EQ(work.counts().status_calls, 1);

    write_file("broken.png", "not a picture");
    EXPECT_EQ(cached_icon("broken.png"), nullptr);
    EXPECT_EQ(cached_icon("broken.png"), nullptr);
    EXPECT_EQ(work.counts().decodes, 1) << "a file that does not decode is not decoded again while unchanged";
    release_icon_cache();
}
