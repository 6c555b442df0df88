// Pictures and fonts: the skin lookup, conversion and zooming with their
// colour keys, and text placement checked on screen pixels.
#include "harness.h"

#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx/pixels.h"
#include "gfx/spans.h"
#include "resource_files.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Pictures = GroupNeeding<Needs::nothing>;
using Fonts = GroupNeeding<Needs::nothing>;

// A paletted picture whose index 0 is the colour key and index 1 to n are
// opaque colours; pixel (x, y) gets index fill(x, y). Saved as BMP under a
// .png name: the loader goes by content.
template <typename Fill>
void save_paletted(const std::string& path, int w, int h, bool keyed, Fill fill)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0);
    SDL_Color colours[8] = {{0, 0, 0, 0},     {0, 0, 0, 0},     {255, 0, 0, 0}, {0, 255, 0, 0},
                            {0, 0, 255, 0},   {255, 255, 0, 0}, {0, 255, 255, 0}, {255, 255, 255, 0}};
    SDL_SetColors(s, colours, 0, 8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            static_cast<Uint8*>(s->pixels)[y * s->pitch + x] = static_cast<Uint8>(fill(x, y));
    if (keyed)
        SDL_SetColorKey(s, SDL_SRCCOLORKEY, 0);
    ShellTest::write_file(path, "");
    SDL_SaveBMP(s, path.c_str());
    SDL_FreeSurface(s);
}

bool is_colour(SDL_Color c, Uint8 r, Uint8 g, Uint8 b)
{
    return c.r == r && c.g == g && c.b == b;
}

} // namespace

TEST_F(Pictures, SkinLookupRule)
{
    auto solid = [](int, int) { return 2; };
    save_paletted("resources/wallpaper/sky.png", 4, 4, false, solid);
    save_paletted("resources/skin/Gold/sky.png", 5, 5, false, solid);
    save_paletted("resources/icondatabase/folder.png", 6, 6, false, solid);
    save_paletted("resources/skin/Gold/wallpapers.png", 7, 7, false, solid);
    save_paletted("resources/skin/Gold/wallpaper", 8, 8, false, solid);

    SDL_Surface* s = load_skin_image("wallpaper/sky.png", "Gold");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 4) << "wallpapers are shared by all skins";
    SDL_FreeSurface(s);
    s = load_skin_image("sky.png", "Gold");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 5);
    SDL_FreeSurface(s);
    s = load_skin_image("icondatabase/folder.png", "Blue");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 6);
    SDL_FreeSurface(s);
    s = load_skin_image("wallpapers.png", "Gold");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 7) << "first ten characters differ from both prefixes";
    SDL_FreeSurface(s);
    s = load_skin_image("wallpaper", "Gold");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 8) << "a name of nine characters is looked up in the skin";
    SDL_FreeSurface(s);
    EXPECT_EQ(load_skin_image("missing.png", "Gold"), nullptr);
}

TEST_F(Pictures, PathsLongerThanTheBufferAreRefused)
{
    // "resources/skin/" + skin + "/" + name must fit 49 characters.
    std::string skin = "S";
    std::string fits(32, 'n');   // 16 + 1 + 32 = 49
    save_paletted("resources/skin/S/" + fits, 3, 3, false, [](int, int) { return 2; });
    SDL_Surface* s = load_skin_image(fits.c_str(), skin.c_str());
    EXPECT_NE(s, nullptr);
    SDL_FreeSurface(s);
    std::string too_long(33, 'n');
    save_paletted("resources/skin/S/" + too_long, 3, 3, false, [](int, int) { return 2; });
    EXPECT_EQ(load_skin_image(too_long.c_str(), skin.c_str()), nullptr);
}

TEST_F(Pictures, ConvertedToTheScreenFormatKeepingTheKey)
{
    TEST_NEEDS(Needs::display);   // the display's pixel format
    // A black opaque pixel beside the transparent entry (also black) must
    // stay visible: the key colour is made unique before conversion. (A
    // picture file's transparent entry arrives as exactly such a keyed
    // paletted surface.)
    save_paletted("icon.bmp", 8, 8, true, [](int x, int) { return x < 4 ? 0 : 1; });
    SDL_Surface* loaded = SDL_LoadBMP("icon.bmp");
    ASSERT_NE(loaded, nullptr);
    SDL_SetColorKey(loaded, SDL_SRCCOLORKEY, 0);
    SDL_Surface* s = to_screen_format(loaded);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format->BitsPerPixel, screen->format->BitsPerPixel);
    EXPECT_TRUE(s->flags & SDL_SRCCOLORKEY);

    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 255, 0));
    blit_at(s, 10, 10);
    EXPECT_TRUE(is_colour(colour(11, 11), 0, 255, 0)) << "keyed pixel is transparent";
    EXPECT_TRUE(is_colour(colour(16, 11), 0, 0, 0)) << "opaque black stays black";

    zoom_image(s, 16, 16);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 16);
    EXPECT_EQ(s->format->BitsPerPixel, screen->format->BitsPerPixel);
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 255, 0));
    blit_at(s, 0, 0);
    EXPECT_TRUE(is_colour(colour(7, 7), 0, 255, 0)) << "keyed pixel stays transparent after zooming";
    EXPECT_TRUE(is_colour(colour(8, 7), 0, 0, 0));
    EXPECT_TRUE(is_colour(colour(15, 15), 0, 0, 0));
    EXPECT_TRUE(is_colour(colour(16, 15), 0, 255, 0));
    SDL_FreeSurface(s);
}

TEST_F(Pictures, ZoomKeepsAnUnkeyedPictureOpaque)
{
    TEST_NEEDS(Needs::display);
    save_paletted("resources/skin/Blue/photo.png", 4, 4, false, [](int, int) { return 0; });
    SDL_Surface* s = load_skin_image("photo.png", "Blue");
    ASSERT_NE(s, nullptr);
    zoom_image(s, 40, 30);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 40);
    EXPECT_EQ(s->h, 30);
    EXPECT_FALSE(s->flags & SDL_SRCCOLORKEY);
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 255, 0));
    blit_at(s, 0, 0);
    EXPECT_TRUE(is_colour(colour(39, 29), 0, 0, 0));
    SDL_FreeSurface(s);
}

TEST_F(Fonts, PenStartsAtThreeAndAdvancesByTheTable)
{
    TEST_NEEDS(Needs::display);
    write_coded_fonts("Blue");
    SDL_FillRect(screen, nullptr, 0);
    draw_text(screen, 20, 30, "Hi", 0, "Blue");
    EXPECT_EQ(glyph_at(screen, 22, 35), -1);
    EXPECT_EQ(glyph_at(screen, 23, 30), font_index('H'));
    EXPECT_EQ(glyph_at(screen, 31, 44), font_index('H')) << "H is 9 wide: i starts at x + 12";
    EXPECT_EQ(glyph_at(screen, 32, 30), font_index('i'));
    EXPECT_EQ(text_width("Hi"), 12);
    EXPECT_EQ(text_width(""), 0);

    draw_text(screen, 20, 100, "Hi", 1, "Blue");
    EXPECT_EQ(font_at(screen, 23, 100), FontCode::LargeWhite) << "the white variant";
    draw_text(screen, 0, 150, "", 0, "Blue");
    draw_text(screen, 40, 150, "0", 0, "Blue");
    EXPECT_EQ(glyph_at(screen, 43, 150), 0) << "an empty text leaves the pen at 3";
}

TEST_F(Fonts, LimitsOfFiftyAndThirtyCharacters)
{
    TEST_NEEDS(Needs::display);
    write_coded_fonts("Blue");
    SDL_FillRect(screen, nullptr, 0);
    std::string sixty(60, 'i');   // advance 3 large, 2 small
    draw_text(screen, 0, 0, sixty.c_str(), 0, "Blue");
    EXPECT_EQ(glyph_at(screen, 3 + 49 * 3, 5), font_index('i'));
    EXPECT_EQ(glyph_at(screen, 3 + 50 * 3 + 14, 5), -1) << "the 51st character is not drawn";
    draw_small_text(screen, 0, 100, sixty.c_str(), 0, "Blue");
    EXPECT_EQ(glyph_at(screen, 3 + 29 * 2, 105), font_index('i'));
    EXPECT_EQ(glyph_at(screen, 3 + 30 * 2 + 8, 105), -1);
    EXPECT_EQ(text_width(sixty.c_str()), 180) << "widths have no limit";
    EXPECT_EQ(small_text_width(sixty.c_str()), 120);
}

TEST_F(Fonts, CharactersOutsideTheSetBorrowTheLastGlyph)
{
    TEST_NEEDS(Needs::display);
    write_coded_fonts("Blue");
    SDL_FillRect(screen, nullptr, 0);
    draw_text(screen, 0, 0, "a+b", 0, "Blue");
    EXPECT_EQ(glyph_at(screen, 3, 2), font_index('a'));
    EXPECT_EQ(glyph_at(screen, 10, 2), font_index('a')) << "the plus sign is drawn as a, advancing 7";
    EXPECT_EQ(glyph_at(screen, 17, 2), font_index('b'));
    EXPECT_EQ(text_width("a+b"), 21);
    draw_text(screen, 0, 50, "+x", 0, "Blue");
    EXPECT_EQ(glyph_at(screen, 3, 52), font_index(' ')) << "nothing to borrow: the space";
}

TEST_F(Fonts, ReleaseReloadsFromTheNextSkin)
{
    TEST_NEEDS(Needs::display);
    write_coded_fonts("Blue");
    write_skin_picture("Gold", "font_black.png", 1344, 16, {8, 200, 8});
    write_skin_picture("Gold", "smallfont_black.png", 840, 10, {8, 200, 8});
    draw_text(screen, 0, 0, "A", 0, "Blue");
    draw_text(screen, 0, 0, "A", 0, "Gold");
    EXPECT_EQ(glyph_at(screen, 3, 0), font_index('A')) << "kept until released";
    release_fonts();
    draw_text(screen, 0, 0, "A", 0, "Gold");
    EXPECT_TRUE(shows(screen, 3, 0, {8, 200, 8}));
    draw_small_text(screen, 0, 50, "A", 0, "Gold");
    EXPECT_TRUE(shows(screen, 3, 50, {8, 200, 8}));
    release_fonts();
}

TEST_F(Fonts, TextsAreCutToTheirFieldWithAnEllipsis)
{
    char fitted[64];
    EXPECT_EQ(fit_text(FontSize::Large, "Hi", 12, fitted, sizeof fitted), 12);
    EXPECT_STREQ(fitted, "Hi") << "a text that fits stays whole";
    // "Hello world": H9 e7 l3 l3 o7 space4 w11 ...; "..." is 9 in the large font.
    int width = fit_text(FontSize::Large, "Hello world", 30, fitted, sizeof fitted);
    EXPECT_STREQ(fitted, "Hel...");
    EXPECT_EQ(width, 28);
    fit_text(FontSize::Large, "Hello world", 38, fitted, sizeof fitted);
    EXPECT_STREQ(fitted, "Hello...");
    fit_text(FontSize::Large, "Hello world", 42, fitted, sizeof fitted);
    EXPECT_STREQ(fitted, "Hello...") << "no blank before the ellipsis";
    fit_text(FontSize::Large, "Hello", 8, fitted, sizeof fitted);
    EXPECT_STREQ(fitted, "") << "too narrow for H, and for the ellipsis: nothing";
    fit_text(FontSize::Large, "iiii", 7, fitted, sizeof fitted);
    EXPECT_STREQ(fitted, "ii") << "too narrow for the ellipsis: only what fits";

    // Within the characters a font draws: 30 for the small one.
    std::string forty(40, 'i');
    fit_text(FontSize::Small, forty.c_str(), 300, fitted, sizeof fitted);
    EXPECT_EQ(std::string(fitted), std::string(27, 'i') + "...");
    fit_text(FontSize::Small, forty.c_str(), 300, fitted, sizeof fitted, 1);
    EXPECT_EQ(std::string(fitted), std::string(26, 'i') + "...") << "one kept free for the caller's ending";
    std::string thirty(30, 'i');
    fit_text(FontSize::Small, thirty.c_str(), 300, fitted, sizeof fitted);
    EXPECT_EQ(std::string(fitted), thirty);
}

TEST_F(Fonts, FittedTextIsCentredOnWhatIsDrawn)
{
    TEST_NEEDS(Needs::display);
    write_coded_fonts("Blue");
    SDL_FillRect(screen, nullptr, 0);
    draw_centred_text(screen, FontSize::Large, 160, 20, 30, "Hello world", 0, "Blue");
    int left = 160 - 28 / 2 + 3;   // "Hel..." is 28 wide
    EXPECT_EQ(glyph_at(screen, left - 1, 25), -1);
    EXPECT_EQ(glyph_at(screen, left, 25), font_index('H'));
    EXPECT_EQ(glyph_at(screen, left + 19, 25), font_index('.'));
    draw_fitted_text(screen, FontSize::Small, 10, 100, 40, "Hello world", 1, "Blue");
    EXPECT_EQ(glyph_at(screen, 13, 102), font_index('H'));
    EXPECT_EQ(font_at(screen, 13, 102), FontCode::SmallWhite);
}

TEST_F(Pictures, APictureAlreadyAtItsSizeIsKeptAsItIs)
{
    TEST_NEEDS(Needs::display);
    save_paletted("resources/skin/Blue/tile.png", 6, 5, false, [](int x, int y) { return (x + y) % 3; });
    SDL_Surface* s = load_skin_image("tile.png", "Blue");
    ASSERT_NE(s, nullptr);
    SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, 0, 0, 0));
    SDL_Surface* before = s;
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 255, 0));
    blit_at(s, 0, 0);
    std::vector<Uint32> drawn = snapshot();
    zoom_image(s, 6, 5);
    EXPECT_EQ(s, before) << "no copy of a picture that needs no scaling";
    EXPECT_TRUE(s->flags & SDL_SRCCOLORKEY);
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 255, 0));
    blit_at(s, 0, 0);
    EXPECT_EQ(snapshot(), drawn);
    SDL_FreeSurface(s);
}

// Text is drawn straight into the screen, clipped as a blit is: a text cut by
// the screen's edge, or by a clip rectangle, shows exactly the part of the
// same text drawn whole that lies inside.
TEST_F(Fonts, TextCutByAnEdgeShowsThePartInside)
{
    TEST_NEEDS(Needs::display);
    const char* text = "Wg@%_Mj";
    auto drawn_whole = [&](int y, bool small) {
        SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 90, 0));
        if (small)
            draw_small_text(screen, 100, y, text, 0, "Blue");
        else
            draw_text(screen, 100, y, text, 1, "Blue");
        return snapshot();
    };
    for (bool small : {false, true}) {
        std::vector<Uint32> whole = drawn_whole(100, small);
        int width = (small ? small_text_width(text) : text_width(text)) + 20;
        struct Cut {
            int x, y;          // where the text is drawn
            SDL_Rect clip;     // the clip rectangle then
        };
        const Cut cuts[] = {
            {-102, 93, {0, 0, 320, 240}},    // past the left edge
            {230, -5, {0, 0, 320, 240}},     // past the top
            {240, 230, {0, 0, 320, 240}},    // past the right and the bottom
            {100, 100, {104, 103, 9, 5}},    // a small clip rectangle
        };
        for (const Cut& cut : cuts) {
            SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 90, 0));
            SDL_SetClipRect(screen, &cut.clip);
            if (small)
                draw_small_text(screen, cut.x, cut.y, text, 0, "Blue");
            else
                draw_text(screen, cut.x, cut.y, text, 1, "Blue");
            SDL_SetClipRect(screen, nullptr);
            for (int dy = 0; dy < 15; ++dy)
                for (int dx = 0; dx < width; ++dx) {
                    int x = cut.x + dx, y = cut.y + dy;
                    if (x < 0 || y < 0 || x >= 320 || y >= 240)
                        continue;
                    bool in_clip = x >= cut.clip.x && y >= cut.clip.y && x < cut.clip.x + cut.clip.w &&
                                   y < cut.clip.y + cut.clip.h;
                    Uint32 want = in_clip ? whole[static_cast<size_t>((100 + dy) * 320 + 100 + dx)]
                                          : SDL_MapRGB(screen->format, 0, 90, 0);
                    ASSERT_EQ(pixel(x, y), want) << "at (" << x << ", " << y << ") drawn from (" << cut.x << ", "
                                                 << cut.y << "), small " << small;
                }
        }
    }
}

// Glyphs are placed once for the pitch of the surface drawn on: a surface
// too wide for the placed form (its glyph rows lie too far apart) is drawn
// glyph by glyph, and both show what the screen shows, before and after.
TEST_F(Fonts, TextShowsAlikeOnSurfacesOfEveryPitch)
{
    TEST_NEEDS(Needs::display);
    const char* text = "Wg@%_Mj 05";
    const SDL_PixelFormat* f = screen->format;
    auto on_screen = [&](bool small) {
        SDL_FillRect(screen, nullptr, SDL_MapRGB(f, 0, 90, 0));
        if (small)
            draw_small_text(screen, 10, 20, text, 0, "Blue");
        else
            draw_text(screen, 10, 20, text, 1, "Blue");
        return snapshot();
    };
    for (bool small : {false, true}) {
        std::vector<Uint32> want = on_screen(small);
        for (int width : {400, 2600}) {
            SDL_Surface* wide = SDL_CreateRGBSurface(SDL_SWSURFACE, width, 60, 16, f->Rmask, f->Gmask, f->Bmask, 0);
            ASSERT_NE(wide, nullptr);
            SDL_FillRect(wide, nullptr, SDL_MapRGB(wide->format, 0, 90, 0));
            if (small)
                draw_small_text(wide, width - 310, 20, text, 0, "Blue");
            else
                draw_text(wide, width - 310, 20, text, 1, "Blue");
            for (int y = 0; y < 60; ++y)
                for (int x = 0; x < 320; ++x) {
                    Uint16 got = static_cast<const Uint16*>(wide->pixels)[y * (wide->pitch / 2) + width - 320 + x];
                    ASSERT_EQ(got, want[static_cast<size_t>(y * 320 + x)])
                        << "at (" << x << ", " << y << ") of a surface " << width << " wide, small " << small;
                }
            SDL_FreeSurface(wide);
            EXPECT_EQ(on_screen(small), want) << "the screen after a surface " << width << " wide";
        }
    }
}

// A keyed picture blitted by its spans shows what SDL's keyed blit shows,
// wherever it lands and however it is clipped.
TEST_F(Pictures, SpansShowWhatTheKeyedBlitShows)
{
    TEST_NEEDS(Needs::display);
    const SDL_PixelFormat* f = screen->format;
    auto make = [&](int w, int h, auto hole) {
        SDL_Surface* p = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 16, f->Rmask, f->Gmask, f->Bmask, 0);
        Uint32 key = SDL_MapRGB(p->format, 255, 0, 255);
        for (int y = 0; y < p->h; ++y)
            for (int x = 0; x < p->w; ++x) {
                Uint32 colour = SDL_MapRGB(p->format, static_cast<Uint8>(x * 6), static_cast<Uint8>(y * 9), 77);
                static_cast<Uint16*>(p->pixels)[y * (p->pitch / 2) + x] = static_cast<Uint16>(hole(x, y) ? key : colour);
            }
        SDL_SetColorKey(p, SDL_SRCCOLORKEY, key);
        return p;
    };
    struct Place {
        int x, y;
        SDL_Rect clip;
    };
    const Place places[] = {
        {50, 60, {0, 0, 320, 240}}, {51, 61, {0, 0, 320, 240}}, {-9, -4, {0, 0, 320, 240}},
        {300, 230, {0, 0, 320, 240}}, {50, 60, {60, 62, 11, 9}}, {50, 60, {0, 75, 320, 3}},
    };
    // Whole opaque rows, rows with holes and runs, a row all keyed.
    auto holes = [](int x, int y) { return (y % 3 == 1 && (x * 7 + y) % 5 < 2) || y == 11 || (y > 15 && x > 30); };
    // A frame with rounded corners, as a highlight's: rows each a little
    // longer than the one above, with single pixels and gaps beside them.
    auto rounded = [](int x, int y) {
        int from_edge = std::min(y, 39 - y), in = std::min(x, 39 - x);
        if (from_edge >= 5)
            return in >= 4;
        const int starts[] = {4, 5, 2, 1, 0};
        bool single = from_edge == 1 && in == 3;
        bool gap = from_edge == 4 && (in == 1 || in >= 5);
        return !single && (in < starts[from_edge] || gap);
    };
    for (int shape = 0; shape < 2; ++shape) {
        SDL_Surface* by_spans = shape == 0 ? make(37, 23, holes) : make(40, 40, rounded);
        SDL_Surface* by_sdl = shape == 0 ? make(37, 23, holes) : make(40, 40, rounded);
        ASSERT_TRUE(prepare_spans(by_spans));
        for (const Place& place : places) {
            SDL_FillRect(screen, nullptr, SDL_MapRGB(f, 10, 20, 30));
            SDL_SetClipRect(screen, &place.clip);
            SDL_Rect at = {static_cast<Sint16>(place.x), static_cast<Sint16>(place.y), 0, 0};
            SDL_BlitSurface(by_sdl, nullptr, screen, &at);
            SDL_SetClipRect(screen, nullptr);
            std::vector<Uint32> want = snapshot();
            SDL_FillRect(screen, nullptr, SDL_MapRGB(f, 10, 20, 30));
            SDL_SetClipRect(screen, &place.clip);
            SDL_Rect drawn;
            ASSERT_TRUE(blit_spans(by_spans, screen, place.x, place.y, drawn));
            SDL_SetClipRect(screen, nullptr);
            EXPECT_EQ(snapshot(), want) << "shape " << shape << " at (" << place.x << ", " << place.y << ")";
            EXPECT_EQ(drawn.x, at.x);
            EXPECT_EQ(drawn.y, at.y);
            EXPECT_EQ(drawn.w, at.w);
            EXPECT_EQ(drawn.h, at.h);
        }
        // Given a per-surface alpha it blends: SDL blits it.
        SDL_SetAlpha(by_spans, SDL_SRCALPHA, 128);
        SDL_Rect drawn;
        EXPECT_FALSE(blit_spans(by_spans, screen, 0, 0, drawn));
        // Its owner lets it go; the spans' own reference goes with the next one.
        SDL_FreeSurface(by_spans);
        SDL_Surface* next = make(37, 23, holes);
        EXPECT_TRUE(prepare_spans(next));
        SDL_FreeSurface(next);
        SDL_FreeSurface(by_sdl);
    }
}

// The row copies (on the ARM926 they jump into ladders of blocks, copy by
// words where both ends lie alike within a word and start with a pixel
// where a row begins between words): every width up to past a whole
// ladder and about a screen row (a longer row is copied in pieces), every
// placement within a word, narrow columns and wide rows alike copy exactly
// their pixels and touch none beside them.
TEST(PixelCopies, EveryWidthAndPlacementCopiesExactlyItsPixels)
{
    constexpr int kRows = 6;
    for (int to_pitch : {700, 702}) {
        const int from_pitch = 704;
        std::vector<Uint16> source(static_cast<size_t>(from_pitch / 2 * (kRows + 1)));
        for (size_t i = 0; i < source.size(); ++i)
            source[i] = static_cast<Uint16>(i * 40503u + 17u);
        for (int n = 0; n <= 340; n += n < 72 || (n >= 316 && n < 324) ? 1 : 7) {
            for (int to_at = 0; to_at < 2; ++to_at)
                for (int from_at = 0; from_at < 2; ++from_at)
                    for (int rows : {1, 2, 3, 4, 5, kRows}) {
                        std::vector<Uint16> target(static_cast<size_t>(to_pitch / 2 * (kRows + 1)), 0xBEEF);
                        std::vector<Uint16> want = target;
                        for (int y = 0; y < rows; ++y)
                            for (int x = 0; x < n; ++x)
                                want[static_cast<size_t>(y * to_pitch / 2 + 1 + to_at + x)] =
                                    source[static_cast<size_t>(y * from_pitch / 2 + 2 + from_at + x)];
                        Uint8* to = reinterpret_cast<Uint8*>(target.data()) + 2 * (1 + to_at);
                        const Uint8* from = reinterpret_cast<const Uint8*>(source.data()) + 2 * (2 + from_at);
                        copy_rect16(to, to_pitch, from, from_pitch, n, rows);
                        ASSERT_EQ(target, want) << "a rectangle " << n << " wide, " << rows << " rows, pitch "
                                                << to_pitch << ", target at " << to_at << ", source at " << from_at;
                        if (rows != 1)
                            continue;
                        std::vector<Uint16> row(target.size(), 0xBEEF);
                        copy_pixels16(reinterpret_cast<Uint16*>(reinterpret_cast<Uint8*>(row.data()) + 2 * (1 + to_at)),
                                      reinterpret_cast<const Uint16*>(from), n);
                        ASSERT_EQ(row, want) << "a row of " << n << ", target at " << to_at << ", source at " << from_at;
                    }
        }
    }
}

// What a keyed picture's blit by its spans changed is put back from the
// layer beneath by restore_spans, wherever it lies: a frame (a ring, whose
// opaque pixels lie in its four sides) and a picture with holes and keyed
// rows alike; one the screen's edge cut is left to be put back whole.
TEST_F(Pictures, RestoringSpansPutsBackEveryPixelTheBlitChanged)
{
    TEST_NEEDS(Needs::display);
    const SDL_PixelFormat* f = screen->format;
    auto make = [&](int w, int h, auto opaque) {
        SDL_Surface* p = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 16, f->Rmask, f->Gmask, f->Bmask, 0);
        Uint32 key = SDL_MapRGB(p->format, 255, 0, 255);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                static_cast<Uint16*>(p->pixels)[y * (p->pitch / 2) + x] = static_cast<Uint16>(
                    opaque(x, y) ? SDL_MapRGB(p->format, static_cast<Uint8>(x * 5), 200, static_cast<Uint8>(y * 4)) : key);
        SDL_SetColorKey(p, SDL_SRCCOLORKEY, key);
        return p;
    };
    SDL_Surface* ring = make(40, 40, [](int x, int y) {
        return (x < 4 || x >= 36 || y < 4 || y >= 36) && !((x == 0 || x == 39) && (y == 0 || y == 39));
    });
    SDL_Surface* holes = make(33, 21, [](int x, int y) { return y != 7 && (x * 3 + y) % 7 != 0 && x + y > 3; });
    SDL_Surface* beneath = SDL_CreateRGBSurface(SDL_SWSURFACE, screen->w, screen->h, 16, f->Rmask, f->Gmask,
                                                f->Bmask, 0);
    ASSERT_EQ(beneath->pitch, screen->pitch);
    for (int y = 0; y < beneath->h; ++y)
        for (int x = 0; x < beneath->w; ++x)
            static_cast<Uint16*>(beneath->pixels)[y * (beneath->pitch / 2) + x] = static_cast<Uint16>(x * 37 + y * 11);
    for (SDL_Surface* p : {ring, holes}) {
        ASSERT_TRUE(prepare_spans(p));
        for (SDL_Rect at : {SDL_Rect{10, 20, 0, 0}, SDL_Rect{111, 57, 0, 0}, SDL_Rect{280, 200, 0, 0},
                            SDL_Rect{0, 0, 0, 0}}) {
            SDL_BlitSurface(beneath, nullptr, screen, nullptr);
            std::vector<Uint32> before = snapshot();
            SDL_Rect drawn;
            ASSERT_TRUE(blit_spans(p, screen, at.x, at.y, drawn));
            ASSERT_NE(snapshot(), before);
            SDL_Rect where = {at.x, at.y, static_cast<Uint16>(p->w), static_cast<Uint16>(p->h)};
            ASSERT_TRUE(restore_spans(p, beneath, screen, where));
            EXPECT_EQ(snapshot(), before) << p->w << "x" << p->h << " at (" << at.x << ", " << at.y << ")";
        }
        SDL_Rect cut = {300, 230, static_cast<Uint16>(p->w), static_cast<Uint16>(p->h)};
        EXPECT_FALSE(restore_spans(p, beneath, screen, cut));
    }
    SDL_FreeSurface(beneath);
    SDL_FreeSurface(holes);
    SDL_FreeSurface(ring);
}
