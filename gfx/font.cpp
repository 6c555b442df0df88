#include "gfx/font.h"

#include "core/text.h"
#include "gfx/image.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

constexpr std::string_view kCharacters =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz:;.!-_'#()?*=/\\@$%^&, ";
constexpr size_t kCharacterCount = 84;
static_assert(kCharacters.size() == kCharacterCount, "84 characters");

constexpr int kSpaceIndex = 83;
constexpr int kPenStart = 3;

// Pen advances in the order of kCharacters.
constexpr std::array<uint8_t, kCharacterCount> kLargeAdvance = {
    7, 5, 7, 7, 7, 7, 7, 8, 7, 7,
    9, 8, 9, 9, 8, 7, 9, 9, 3, 7, 9, 8, 9, 9, 9, 8, 9, 9, 8, 9, 9, 9, 13, 9, 9, 9,
    7, 7, 6, 7, 7, 6, 7, 7, 3, 4, 7, 3, 11, 7, 7, 7, 7, 5, 7, 5, 7, 7, 11, 7, 7, 7,
    3, 3, 3, 3, 5, 9, 3, 9, 5, 5, 7, 7, 8, 5, 5, 13, 7, 11, 7, 9, 3, 4,
};
constexpr std::array<uint8_t, kCharacterCount> kSmallAdvance = {
    5, 4, 5, 5, 6, 5, 5, 5, 5, 5,
    6, 6, 7, 6, 6, 5, 7, 6, 2, 5, 6, 5, 8, 7, 7, 6, 7, 7, 6, 6, 7, 6, 8, 7, 6, 6,
    5, 5, 5, 5, 5, 4, 5, 5, 2, 3, 5, 2, 8, 5, 5, 5, 5, 4, 5, 4, 5, 6, 8, 6, 6, 5,
    2, 2, 2, 2, 3, 6, 2, 7, 3, 3, 5, 4, 5, 4, 4, 8, 6, 8, 4, 6, 3, 3,
};

struct Font {
    const char* black_file;
    const char* white_file;
    int cell;       // glyph i starts at x = cell * i, y = 1
    int glyph;      // glyphs are glyph x glyph pixels
    int limit;      // characters drawn at most
    const std::array<uint8_t, kCharacterCount>& advance;
    SDL_Surface* black;
    SDL_Surface* white;
    int pen;
    // Each glyph cut out of its strip when the strip is loaded: a glyph of
    // its own is blitted whole, where a blit out of the strip first clips
    // the strip to the glyph. None when the strip has no key or the glyph
    // does not lie wholly inside it.
    std::array<SDL_Surface*, kCharacterCount> black_glyphs;
    std::array<SDL_Surface*, kCharacterCount> white_glyphs;
};

Font large_font = {"font_black.png", "font_white.png", 16, 15, 50, kLargeAdvance, nullptr, nullptr, kPenStart, {}, {}};
Font small_font = {"smallfont_black.png", "smallfont_white.png", 10, 9, 30, kSmallAdvance, nullptr, nullptr, kPenStart,
                   {}, {}};

void release_glyphs(std::array<SDL_Surface*, kCharacterCount>& glyphs)
{
    for (SDL_Surface*& glyph : glyphs) {
        SDL_FreeSurface(glyph);
        glyph = nullptr;
    }
}

void release(Font& font)
{
    SDL_FreeSurface(font.black);
    SDL_FreeSurface(font.white);
    font.black = nullptr;
    font.white = nullptr;
    release_glyphs(font.black_glyphs);
    release_glyphs(font.white_glyphs);
}

SDL_Surface* cut_glyph(SDL_Surface* strip, const SDL_Rect& from)
{
    if (!(strip->flags & SDL_SRCCOLORKEY) || (strip->flags & SDL_SRCALPHA) || from.x + from.w > strip->w ||
        from.y + from.h > strip->h)
        return nullptr;
    const SDL_PixelFormat* f = strip->format;
    SDL_Surface* glyph =
        SDL_CreateRGBSurface(SDL_SWSURFACE, from.w, from.h, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (!glyph)
        return nullptr;
    if (f->palette)
        SDL_SetPalette(glyph, SDL_LOGPAL, f->palette->colors, 0, f->palette->ncolors);
    Uint32 key = f->colorkey;
    Uint32 flags = strip->flags & (SDL_SRCCOLORKEY | SDL_RLEACCELOK);
    SDL_SetColorKey(strip, 0, 0);
    SDL_Rect source = from;
    SDL_BlitSurface(strip, &source, glyph, nullptr);
    SDL_SetColorKey(strip, flags, key);
    SDL_SetColorKey(glyph, SDL_SRCCOLORKEY, key);
    return glyph;
}

void cut_glyphs(const Font& font, SDL_Surface* strip, std::array<SDL_Surface*, kCharacterCount>& glyphs)
{
    for (size_t i = 0; i < glyphs.size() && strip; ++i) {
        SDL_Rect from;
        set_rect(from, font.cell * static_cast<int>(i), 1, font.glyph, font.glyph);
        glyphs[i] = cut_glyph(strip, from);
    }
}

void load_strips(Font& font, const char* skin)
{
    if (!font.black) {
        font.black = load_skin_image(font.black_file, skin);
        release_glyphs(font.black_glyphs);
        cut_glyphs(font, font.black, font.black_glyphs);
    }
    if (!font.white) {
        font.white = load_skin_image(font.white_file, skin);
        release_glyphs(font.white_glyphs);
        cut_glyphs(font, font.white, font.white_glyphs);
    }
}

// The glyph of each character: its own, or the last one before it that the
// font has, or the space for a text that starts outside the set.
template <typename Visit>
void for_each_glyph(const char* text, size_t limit, Visit visit)
{
    int borrowed = kSpaceIndex;
    for (size_t i = 0; text[i] && i < limit; ++i) {
        int index = font_index(text[i]);
        if (index < 0)
            index = borrowed;
        borrowed = index;
        visit(index);
    }
}

void draw(Font& font, SDL_Surface* surface, int x, int y, const char* text, int white, const char* skin)
{
    if (!surface) {
        release(font);
        return;
    }
    load_strips(font, skin);
    SDL_Surface* strip = white ? font.white : font.black;
    const std::array<SDL_Surface*, kCharacterCount>& glyphs = white ? font.white_glyphs : font.black_glyphs;
    for_each_glyph(text, static_cast<size_t>(font.limit), [&](int index) {
        SDL_Rect at, from;
        set_rect(at, x + font.pen, y, font.glyph, font.glyph);
        set_rect(from, font.cell * index, 1, font.glyph, font.glyph);
        font.pen += font.advance[static_cast<size_t>(index)];
        if (SDL_Surface* glyph = glyphs[static_cast<size_t>(index)])
            SDL_BlitSurface(glyph, nullptr, surface, &at);
        else if (strip)
            SDL_BlitSurface(strip, &from, surface, &at);
    });
    font.pen = kPenStart;
}

int width(const Font& font, const char* text)
{
    int sum = 0;
    for_each_glyph(text, SIZE_MAX, [&](int index) { sum += font.advance[static_cast<size_t>(index)]; });
    return sum;
}

constexpr std::string_view kEllipsis = "...";

Font& font_of(FontSize size)
{
    return size == FontSize::Large ? large_font : small_font;
}

// The longest start of text, at most `most` characters, whose width with
// `extra` pixels added fits in field.
size_t fitting_start(const Font& font, const char* text, size_t most, int field, int extra)
{
    size_t n = 0;
    int sum = extra;
    bool full = false;
    for_each_glyph(text, most, [&](int index) {
        sum += font.advance[static_cast<size_t>(index)];
        full = full || sum > field;
        n += full ? 0 : 1;
    });
    return n;
}

} // namespace

int fit_text(FontSize size, const char* text, int field, char* fitted, size_t capacity, size_t keep_free)
{
    const Font& font = font_of(size);
    size_t limit = static_cast<size_t>(font.limit) - std::min(keep_free, kEllipsis.size());
    std::string_view whole(text);
    if (whole.size() <= limit) {
        // A text that fits is copied as it is and keeps the width just
        // measured; only a copy cut short by capacity is measured again.
        int whole_width = width(font, text);
        if (whole_width <= field)
            return copy_text(fitted, capacity, whole) ? whole_width : width(font, fitted);
    }
    int dots = width(font, kEllipsis.data());
    bool ellipsis = dots <= field;
    size_t n = fitting_start(font, text, ellipsis ? limit - kEllipsis.size() : limit, field, ellipsis ? dots : 0);
    while (ellipsis && n > 0 && text[n - 1] == ' ')
        --n;
    copy_text(fitted, capacity, whole.substr(0, n));
    if (ellipsis)
        append_text(fitted, capacity, kEllipsis);
    return width(font, fitted);
}

void draw_fitted_text(SDL_Surface* surface, FontSize size, int x, int y, int field, const char* text, int white,
                      const char* skin)
{
    char fitted[64];
    fit_text(size, text, field, fitted, sizeof fitted);
    draw(font_of(size), surface, x, y, fitted, white, skin);
}

void draw_centred_text(SDL_Surface* surface, FontSize size, int centre, int y, int field, const char* text,
                       int white, const char* skin)
{
    char fitted[64];
    int drawn = fit_text(size, text, field, fitted, sizeof fitted);
    draw(font_of(size), surface, centre - drawn / 2, y, fitted, white, skin);
}

int font_index(char c)
{
    size_t at = kCharacters.find(c);
    return c == '\0' || at == std::string_view::npos ? -1 : static_cast<int>(at);
}

void draw_text(SDL_Surface* surface, int x, int y, const char* text, int white, const char* skin)
{
    draw(large_font, surface, x, y, text, white, skin);
}

void draw_small_text(SDL_Surface* surface, int x, int y, const char* text, int white, const char* skin)
{
    draw(small_font, surface, x, y, text, white, skin);
}

int text_width(const char* text)
{
    return width(large_font, text);
}

int small_text_width(const char* text)
{
    return width(small_font, text);
}

void release_fonts()
{
    release(large_font);
    release(small_font);
}
