#include "gfx/font.h"

#include "core/state.h"
#include "core/text.h"
#include "gfx/changes.h"
#include "gfx/image.h"
#include "gfx/layer.h"
#include "gfx/pixels.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

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

// The 256-entry character table: each byte's index in kCharacters, -1 for
// a byte the fonts lack.
constexpr std::array<int8_t, 256> kIndexOf = [] {
    std::array<int8_t, 256> table{};
    for (int8_t& index : table)
        index = -1;
    for (size_t i = 0; i < kCharacters.size(); ++i)
        table[static_cast<unsigned char>(kCharacters[i])] = static_cast<int8_t>(i);
    return table;
}();
static_assert(kIndexOf[static_cast<unsigned char>('0')] == 0 && kIndexOf[static_cast<unsigned char>(' ')] == kSpaceIndex,
              "the table follows the character set");

// A glyph prepared for drawing straight into a 16-bit surface: its opaque
// pixels as runs along its rows, in the strip's own pixel values. A run is
// copied as it is, so the pixels are those a keyed blit of the strip gives.
struct Run {
    uint8_t row;       // from the glyph's top
    uint8_t x;         // from the glyph's left edge
    uint8_t length;
    uint16_t first;    // its first pixel in StripRuns::pixels
};

// Where a glyph's runs and its placed pixels begin in their lists.
struct GlyphRuns {
    uint16_t first_run = 0;
    uint16_t runs = 0;
    uint16_t first_placed = 0;
    uint16_t placed = 0;
};

struct StripRuns {
    bool ready = false;
    Uint32 masks[3] = {};   // the 16-bit format the pixels are in
    std::vector<Run> runs;
    std::vector<Uint16> pixels;
    std::array<GlyphRuns, kCharacterCount> glyphs{};
    // The rows of each glyph that hold any of its pixels (bit r: row r from
    // the glyph's top), apart: a text's are gathered as it is laid out.
    std::array<uint32_t, kCharacterCount> ink_rows{};
    // Every opaque pixel of the glyphs placed on a surface whose rows are
    // `pitch` bytes apart (the screen's), see put_pixels16; none when a
    // glyph's last row lies too far from its first for that pitch.
    int pitch = 0;
    std::vector<uint32_t> placed;
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
    // The runs of each strip, prepared when it is loaded.
    StripRuns black_runs;
    StripRuns white_runs;
};

Font large_font = {"font_black.png", "font_white.png", 16, 15, 50, kLargeAdvance, nullptr, nullptr, {}, {}};
Font small_font = {"smallfont_black.png", "smallfont_white.png", 10, 9, 30, kSmallAdvance, nullptr, nullptr, {}, {}};

void release(Font& font)
{
    layers_changed();   // the next text may come from another skin
    SDL_FreeSurface(font.black);
    SDL_FreeSurface(font.white);
    font.black = nullptr;
    font.white = nullptr;
    font.black_runs = StripRuns{};
    font.white_runs = StripRuns{};
}

// Runs can be prepared from a 16-bit strip that a plain or keyed blit would
// copy pixel for pixel (no alpha, not run-length encoded); any other strip
// is blitted by SDL.
bool runs_possible(const SDL_Surface* strip)
{
    return strip && strip->format->BytesPerPixel == 2 && !strip->format->palette && strip->format->Amask == 0 &&
           !(strip->flags & (SDL_SRCALPHA | SDL_RLEACCEL)) && !SDL_MUSTLOCK(strip);
}

void prepare_runs(const Font& font, const SDL_Surface* strip, StripRuns& prepared)
{
    prepared = StripRuns{};
    if (!runs_possible(strip))
        return;
    bool keyed = (strip->flags & SDL_SRCCOLORKEY) != 0;
    Uint16 key = static_cast<Uint16>(strip->format->colorkey);
    for (size_t i = 0; i < kCharacterCount; ++i) {
        GlyphRuns& glyph = prepared.glyphs[i];
        glyph.first_run = static_cast<uint16_t>(prepared.runs.size());
        int left = font.cell * static_cast<int>(i);
        // The part of the glyph's rectangle that lies inside the strip.
        int width = std::min(font.glyph, strip->w - left);
        int height = std::min(font.glyph, strip->h - 1);
        for (int row = 0; row < height; ++row) {
            const Uint16* line =
                reinterpret_cast<const Uint16*>(static_cast<const Uint8*>(strip->pixels) + (row + 1) * strip->pitch) + left;
            for (int x = 0; x < width;) {
                if (keyed && line[x] == key) {
                    ++x;
                    continue;
                }
                Run run{static_cast<uint8_t>(row), static_cast<uint8_t>(x), 0,
                        static_cast<uint16_t>(prepared.pixels.size())};
                while (x < width && !(keyed && line[x] == key)) {
                    prepared.pixels.push_back(line[x++]);
                    ++run.length;
                }
                prepared.runs.push_back(run);
            }
        }
        glyph.runs = static_cast<uint16_t>(prepared.runs.size() - glyph.first_run);
        for (size_t r = glyph.first_run; r < prepared.runs.size(); ++r)
            prepared.ink_rows[i] |= 1u << prepared.runs[r].row;
    }
    const SDL_PixelFormat* f = strip->format;
    prepared.masks[0] = f->Rmask;
    prepared.masks[1] = f->Gmask;
    prepared.masks[2] = f->Bmask;
    prepared.ready = true;
}

bool runs_fit(const StripRuns& prepared, const SDL_Surface* surface)
{
    const SDL_PixelFormat* f = surface->format;
    return prepared.ready && f->BytesPerPixel == 2 && f->Rmask == prepared.masks[0] && f->Gmask == prepared.masks[1] &&
           f->Bmask == prepared.masks[2] && !SDL_MUSTLOCK(surface);
}

// The glyphs' pixels placed for a surface whose rows are pitch bytes apart.
void place_for(StripRuns& prepared, int pitch)
{
    if (prepared.pitch == pitch)
        return;
    prepared.pitch = pitch;
    prepared.placed.clear();
    prepared.placed.reserve(prepared.pixels.size());
    for (GlyphRuns& glyph : prepared.glyphs) {
        glyph.first_placed = static_cast<uint16_t>(prepared.placed.size());
        for (int i = glyph.first_run; i < glyph.first_run + glyph.runs; ++i) {
            const Run& run = prepared.runs[static_cast<size_t>(i)];
            for (int k = 0; k < run.length; ++k) {
                long at = static_cast<long>(run.row) * pitch + (run.x + k) * 2;
                if (at > kMostPlacedOffset) {
                    prepared.placed.clear();
                    return;
                }
                prepared.placed.push_back(placed_pixel(static_cast<uint32_t>(at), prepared.pixels[run.first + k]));
            }
        }
        pad_placed(prepared.placed, glyph.first_placed);
        glyph.placed = static_cast<uint16_t>(prepared.placed.size() - glyph.first_placed);
        if (prepared.placed.size() > UINT16_MAX) {
            prepared.placed.clear();
            return;
        }
    }
}

bool placed_fit(const StripRuns& prepared, const SDL_Surface* surface)
{
    return prepared.pitch == surface->pitch && !prepared.placed.empty();
}

// Draws glyph index with its top left corner at (gx, gy), clipped to the
// surface's clip rectangle as a blit is.
void draw_runs(const Font& font, const StripRuns& prepared, SDL_Surface* surface, int gx, int gy, int index)
{
    const SDL_Rect& clip = surface->clip_rect;
    const int left = clip.x, top = clip.y, right = clip.x + clip.w, bottom = clip.y + clip.h;
    const GlyphRuns& glyph = prepared.glyphs[static_cast<size_t>(index)];
    const Run* run = prepared.runs.data() + glyph.first_run;
    const Run* end = run + glyph.runs;
    Uint8* pixels = static_cast<Uint8*>(surface->pixels);
    const int pitch = surface->pitch;
    if (gx >= left && gy >= top && gx + font.glyph <= right && gy + font.glyph <= bottom &&
        placed_fit(prepared, surface)) {
        put_pixels16(pixels + gy * pitch + gx * 2, prepared.placed.data() + glyph.first_placed, glyph.placed);
        return;
    }
    for (; run != end; ++run) {
        int y = gy + run->row;
        if (y < top || y >= bottom)
            continue;
        int x = gx + run->x, n = run->length, skip = 0;
        if (x < left) {
            skip = left - x;
            x = left;
        }
        n = std::min(n - skip, right - x);
        if (n > 0)
            copy_pixels16(reinterpret_cast<Uint16*>(pixels + y * pitch) + x,
                          prepared.pixels.data() + run->first + skip, n);
    }
}

void load_strips(Font& font, const char* skin)
{
    if (!font.black || !font.white)
        layers_changed();   // glyphs that come, or are to be tried again
    if (!font.black) {
        font.black = load_skin_image(font.black_file, skin);
        prepare_runs(font, font.black, font.black_runs);
    }
    if (!font.white) {
        font.white = load_skin_image(font.white_file, skin);
        prepare_runs(font, font.white, font.white_runs);
    }
}

// The glyph of each character: its own, or the last one before it that the
// font has, or the space for a text that starts outside the set.
template <typename Visit>
void for_each_glyph(const char* text, size_t limit, Visit visit)
{
    int borrowed = kSpaceIndex;
    for (size_t i = 0; text[i] && i < limit; ++i) {
        int index = kIndexOf[static_cast<unsigned char>(text[i])];
        if (index < 0)
            index = borrowed;
        borrowed = index;
        visit(index);
    }
}

// The glyphs of a text and where they land: pen positions from the text's
// x, the right edge of the last glyph, and the rows of the glyphs that hold
// pixels (bit r: row r; from the strip's runs, else all).
struct Glyphs {
    std::array<uint8_t, 64> index;
    std::array<int16_t, 64> pen;
    size_t count = 0;
    int right = 0;
    uint32_t ink_rows = 0;
};

void lay_out(const Font& font, const StripRuns& prepared, const char* text, Glyphs& glyphs)
{
    static_assert(sizeof(Glyphs::index) >= 50, "room for the large font's limit");
    int pen = kPenStart, right = kPenStart;
    size_t count = 0;
    uint32_t ink = 0;
    const uint8_t* advance = font.advance.data();
    const uint32_t* rows = prepared.ink_rows.data();
    for_each_glyph(text, static_cast<size_t>(font.limit), [&](int index) {
        glyphs.index[count] = static_cast<uint8_t>(index);
        glyphs.pen[count] = static_cast<int16_t>(pen);
        ++count;
        right = pen + font.glyph;
        pen += advance[index];
        ink |= rows[index];
    });
    glyphs.count = count;
    glyphs.right = right;
    glyphs.ink_rows = prepared.ready ? ink : (1u << font.glyph) - 1;
}

void draw(Font& font, SDL_Surface* surface, int x, int y, const char* text, int white, const char* skin)
{
    if (!surface) {
        release(font);
        return;
    }
    load_strips(font, skin);
    SDL_Surface* strip = white ? font.white : font.black;
    StripRuns& prepared = white ? font.white_runs : font.black_runs;
    Glyphs glyphs;
    lay_out(font, prepared, text, glyphs);
    // What the text changes: its glyphs' rectangles, only the rows of them
    // that hold pixels (a label's blank rows above and below are then not
    // shown again).
    int top = 0, bottom = 0;
    if (glyphs.ink_rows) {
        top = __builtin_ctz(glyphs.ink_rows);
        bottom = 32 - __builtin_clz(glyphs.ink_rows);
    }
    SDL_Rect area = {static_cast<Sint16>(x + kPenStart), static_cast<Sint16>(y + top),
                     static_cast<Uint16>(glyphs.right - kPenStart), static_cast<Uint16>(bottom - top)};
    // As a part of the screen: the text's characters and where they land.
    if (surface == screen) {
        DrawnPart part{PartKind::Text, strip, 0, area, text, glyphs.count};
        if (!draw_part(part))
            return;
    }
    bool straight = runs_fit(prepared, surface);
    if (straight && surface->pitch % 2 == 0)
        place_for(prepared, surface->pitch);
    const SDL_Rect& clip = surface->clip_rect;
    if (straight && placed_fit(prepared, surface) && x + kPenStart >= clip.x && y >= clip.y &&
        x + glyphs.right <= clip.x + clip.w && y + font.glyph <= clip.y + clip.h) {
        // Wholly inside: each glyph's pixels go straight where they land.
        Uint8* corner = static_cast<Uint8*>(surface->pixels) + y * surface->pitch + x * 2;
        const uint32_t* placed = prepared.placed.data();
        for (size_t i = 0; i < glyphs.count; ++i) {
            const GlyphRuns& glyph = prepared.glyphs[glyphs.index[i]];
            put_pixels16(corner + glyphs.pen[i] * 2, placed + glyph.first_placed, glyph.placed);
        }
    } else {
        for (size_t i = 0; i < glyphs.count; ++i) {
            int gx = x + glyphs.pen[i];
            if (straight) {
                draw_runs(font, prepared, surface, gx, y, glyphs.index[i]);
            } else if (strip) {
                SDL_Rect at, from;
                set_rect(at, gx, y, font.glyph, font.glyph);
                set_rect(from, font.cell * glyphs.index[i], 1, font.glyph, font.glyph);
                SDL_BlitSurface(strip, &from, surface, &at);
            }
        }
    }
    if (surface == screen && glyphs.count > 0)
        note_changed(area.x, area.y, area.w, area.h);
}

int width(const Font& font, const char* text)
{
    int sum = 0;
    for_each_glyph(text, SIZE_MAX, [&](int index) { sum += font.advance[static_cast<size_t>(index)]; });
    return sum;
}

// The width of text when it fits field as it is, at most limit characters,
// else -1. Such a text, most of those a frame draws, is drawn from where it
// lies: no fitted copy, no second pass over it.
int width_as_it_is(const Font& font, const char* text, int field, size_t limit)
{
    size_t n = 0;
    int sum = 0;
    for_each_glyph(text, SIZE_MAX, [&](int index) {
        sum += font.advance[static_cast<size_t>(index)];
        ++n;
    });
    return n <= limit && sum <= field ? sum : -1;
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
    // A text that fits is copied as it is and keeps the width just measured;
    // only a copy cut short by capacity is measured again.
    int whole_width = width_as_it_is(font, text, field, limit);
    if (whole_width >= 0)
        return copy_text(fitted, capacity, whole) ? whole_width : width(font, fitted);
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
    Font& font = font_of(size);
    if (width_as_it_is(font, text, field, static_cast<size_t>(font.limit)) >= 0) {
        draw(font, surface, x, y, text, white, skin);
        return;
    }
    char fitted[64];
    fit_text(size, text, field, fitted, sizeof fitted);
    draw(font, surface, x, y, fitted, white, skin);
}

void draw_centred_text(SDL_Surface* surface, FontSize size, int centre, int y, int field, const char* text,
                       int white, const char* skin)
{
    Font& font = font_of(size);
    int drawn = width_as_it_is(font, text, field, static_cast<size_t>(font.limit));
    if (drawn >= 0) {
        draw(font, surface, centre - drawn / 2, y, text, white, skin);
        return;
    }
    char fitted[64];
    drawn = fit_text(size, text, field, fitted, sizeof fitted);
    draw(font, surface, centre - drawn / 2, y, fitted, white, skin);
}

int font_index(char c)
{
    return c == '\0' ? -1 : kIndexOf[static_cast<unsigned char>(c)];
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
