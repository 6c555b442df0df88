#include "gfx/spans.h"

#include "gfx/pixels.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

struct Span {
    uint16_t row, x, length;
};

struct SpanPicture {
    SDL_Surface* picture = nullptr;   // a reference of the table's own
    std::vector<Span> spans;          // in row order
    // Rows next to each other whose spans lie alike make a band; each span
    // of a band is a rectangle, a column (in the picture's coordinates).
    std::vector<SDL_Rect> columns;
    // The same pixels as the blit draws them: on the ARM926 wide columns
    // stacked row on row taken together (see stacked_columns), elsewhere
    // the columns as they are.
    std::vector<SDL_Rect> drawn_columns;
    // The drawn columns as blocks onto a target whose rows are `pitch`
    // bytes apart, from the picture's pixels and from the shifted copy below.
    int pitch = 0;
    std::vector<PixelBlock> blocks;
    std::vector<PixelBlock> shifted_blocks;
    // The pixels of the small drawn columns (a frame's corner pixels), placed
    // one by one for such a target instead (see put_pixels16).
    std::vector<uint32_t> placed;
    // A few rectangles that together hold every opaque pixel (a frame's four
    // sides), or the one around them all: what a blit changes.
    std::vector<SDL_Rect> cover;
    // Rectangles holding every opaque pixel, fewer than the columns: what is
    // put back from beneath where the picture was (see restore_spans), as
    // blocks for a target of `pitch` bytes.
    std::vector<SDL_Rect> restore_cover;
    std::vector<PixelBlock> restore_blocks;
    // A small picture's pixels again, each row one pixel further into its
    // words: a picture drawn at an odd x copies from here, so that the two
    // ends of each copy lie alike within a word.
    std::vector<Uint16> shifted;
    int shifted_pitch = 0;
};

// Pictures up to this many pixels keep a shifted copy (highlights, buttons,
// icons, which overlays draw at any x); larger ones are drawn only when a
// layer is composed.
constexpr int kMostShiftedPixels = 64 * 64;

// The shifted copy: row r's pixel x at shifted[r * pitch + 1 + x], with an
// even pitch, so that pixel x lies at an odd index.
const Uint16* shifted_pixels(SpanPicture& entry, int& pitch)
{
    const SDL_Surface* p = entry.picture;
    if (entry.shifted.empty()) {
        entry.shifted_pitch = (p->w + 2) & ~1;
        entry.shifted.assign(static_cast<size_t>(entry.shifted_pitch) * p->h, 0);
        for (int y = 0; y < p->h; ++y)
            std::memcpy(&entry.shifted[static_cast<size_t>(y * entry.shifted_pitch + 1)],
                        static_cast<const Uint8*>(p->pixels) + y * p->pitch, static_cast<size_t>(p->w) * 2);
    }
    pitch = entry.shifted_pitch;
    return entry.shifted.data() + 1;
}

// A picture whose opaque pixels need more rectangles than this is said to
// change the rectangle around them all.
constexpr size_t kMostCoverRects = 8;

// Room for every window frame, highlight and button of a skin, and the
// icons of a full category and a full desktop.
constexpr size_t kSlots = 256;
std::array<SpanPicture, kSlots> table{};

size_t home(const SDL_Surface* picture)
{
    return (reinterpret_cast<uintptr_t>(picture) >> 4) % kSlots;
}

SpanPicture* find(const SDL_Surface* picture)
{
    for (size_t i = 0, at = home(picture); i < kSlots; ++i, at = (at + 1) % kSlots) {
        if (table[at].picture == picture)
            return &table[at];
        if (!table[at].picture)
            return nullptr;
    }
    return nullptr;
}

// Pictures whose owners have let them go are freed, and the others put
// back along their probe runs.
void let_go_of_unused()
{
    bool freed = false;
    for (SpanPicture& entry : table) {
        if (entry.picture && entry.picture->refcount <= 1) {
            SDL_FreeSurface(entry.picture);
            entry = SpanPicture{};
            freed = true;
        }
    }
    if (!freed)
        return;
    std::array<SpanPicture, kSlots> kept{};
    std::swap(kept, table);
    for (SpanPicture& entry : kept) {
        if (!entry.picture)
            continue;
        size_t at = home(entry.picture);
        while (table[at].picture)
            at = (at + 1) % kSlots;
        table[at] = std::move(entry);
    }
}

bool spans_possible(const SDL_Surface* p)
{
    const SDL_PixelFormat* f = p->format;
    return f->BytesPerPixel == 2 && !f->palette && f->Amask == 0 && (p->flags & SDL_SRCCOLORKEY) &&
           !(p->flags & (SDL_SRCALPHA | SDL_RLEACCEL)) && !SDL_MUSTLOCK(p);
}

std::vector<Span> spans_of(const SDL_Surface* p)
{
    std::vector<Span> spans;
    Uint16 key = static_cast<Uint16>(p->format->colorkey);
    for (int y = 0; y < p->h; ++y) {
        const Uint16* row = reinterpret_cast<const Uint16*>(static_cast<const Uint8*>(p->pixels) + y * p->pitch);
        for (int x = 0; x < p->w;) {
            if (row[x] == key) {
                ++x;
                continue;
            }
            int start = x;
            while (x < p->w && row[x] != key)
                ++x;
            spans.push_back(
                {static_cast<uint16_t>(y), static_cast<uint16_t>(start), static_cast<uint16_t>(x - start)});
        }
    }
    return spans;
}

// The end of the spans of the row whose first span is spans[i].
size_t row_end(const std::vector<Span>& spans, size_t i)
{
    size_t j = i;
    while (j < spans.size() && spans[j].row == spans[i].row)
        ++j;
    return j;
}

bool alike(const std::vector<Span>& spans, size_t a, size_t a_end, size_t b, size_t b_end)
{
    if (a_end - a != b_end - b)
        return false;
    for (; a < a_end; ++a, ++b)
        if (spans[a].x != spans[b].x || spans[a].length != spans[b].length)
            return false;
    return true;
}

// Rows next to each other whose spans lie alike make a band; each span of
// a band is a rectangle.
std::vector<SDL_Rect> columns_of(const std::vector<Span>& spans)
{
    std::vector<SDL_Rect> columns;
    for (size_t i = 0; i < spans.size();) {
        size_t j = row_end(spans, i);
        int rows = 1;
        size_t k = j;
        while (k < spans.size() && spans[k].row == spans[i].row + rows) {
            size_t l = row_end(spans, k);
            if (!alike(spans, i, j, k, l))
                break;
            ++rows;
            k = l;
        }
        for (size_t m = i; m < j; ++m)
            columns.push_back({static_cast<Sint16>(spans[m].x), static_cast<Sint16>(spans[m].row), spans[m].length,
                               static_cast<Uint16>(rows)});
        i = k;
    }
    return columns;
}

// What copying a rectangle costs, in sixteenths of a turn of a copy loop:
// a narrow one a turn for two rows, a wider one a turn for every row and
// every sixteen pixels, and each rectangle a few to begin with.
long copy_cost(const SDL_Rect& r)
{
    return r.w <= 8 ? 32 + 8L * r.h : 64 + static_cast<long>(r.h) * (16 + r.w);
}

// A frame's rounded top or bottom is a few rows each a band of its own, its
// span a pixel or two longer or shorter than the one above: drawn column by
// column that is a copy of one row for each. Wide columns stacked row on
// row are drawn instead as one rectangle over the part all of them share,
// and each one's ends beyond it (a few pixels, copied as narrow columns or
// placed pixel by pixel) as columns of their own: the same pixels.
//
// Only the ARM926's row copy takes a rectangle's rows in one call (see
// gfx/pixels.h); elsewhere each row is a call of its own either way, and
// the ends would only add work.
#if defined(__arm__) && !defined(__thumb__)
constexpr bool kRowsInOneCopy = true;
#else
constexpr bool kRowsInOneCopy = false;
#endif
constexpr int kWideColumn = 9;     // pixels; narrower ones are copied inline
constexpr int kMostEndOver = 8;    // pixels an end may reach beyond the part shared
constexpr int kLeastShared = 16;   // pixels

// An end beyond the shared part, w pixels wide and h rows high: a few
// pixels are placed one by one (see blocks_for), some three instructions
// each, about six sixteenths of a turn.
long end_cost(int w, int h)
{
    if (w <= 0)
        return 0;
    if (w <= 3 && w * h <= 16)
        return 6L * w * h;
    return copy_cost({0, 0, static_cast<Uint16>(w), static_cast<Uint16>(h)});
}

std::vector<SDL_Rect> stacked_columns(const std::vector<SDL_Rect>& columns)
{
    auto wide = [](const SDL_Rect& c) { return c.w >= kWideColumn; };
    std::vector<bool> taken(columns.size(), false);
    std::vector<size_t> group;
    std::vector<SDL_Rect> drawn;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (taken[i])
            continue;
        const SDL_Rect& first = columns[i];
        taken[i] = true;
        group.assign(1, i);
        int shared_x0 = first.x, shared_x1 = first.x + first.w, bottom = first.y + first.h;
        while (wide(first)) {
            // The wide column in the row just below that meets the shared
            // part (columns lie in row order).
            size_t below = columns.size();
            for (size_t j = i + 1; j < columns.size() && columns[j].y <= bottom; ++j) {
                const SDL_Rect& c = columns[j];
                if (!taken[j] && c.y == bottom && wide(c) && c.x < shared_x1 && c.x + c.w > shared_x0) {
                    below = j;
                    break;
                }
            }
            if (below == columns.size())
                break;
            const SDL_Rect& next = columns[below];
            int x0 = std::max<int>(shared_x0, next.x), x1 = std::min<int>(shared_x1, next.x + next.w);
            bool ends_short = x1 - x0 >= kLeastShared;
            group.push_back(below);
            // Taken together only where that costs less than apart.
            long apart = 0, together = copy_cost({0, 0, static_cast<Uint16>(std::max(x1 - x0, 0)),
                                                  static_cast<Uint16>(next.y + next.h - first.y)});
            for (size_t k : group) {
                const SDL_Rect& c = columns[k];
                int before = x0 - c.x, after = c.x + c.w - x1;
                ends_short = ends_short && before <= kMostEndOver && after <= kMostEndOver;
                apart += copy_cost(c);
                together += end_cost(before, c.h) + end_cost(after, c.h);
            }
            if (!ends_short || together > apart) {
                group.pop_back();
                break;
            }
            taken[below] = true;
            shared_x0 = x0;
            shared_x1 = x1;
            bottom = next.y + next.h;
        }
        if (group.size() == 1) {
            drawn.push_back(first);
            continue;
        }
        drawn.push_back({static_cast<Sint16>(shared_x0), first.y, static_cast<Uint16>(shared_x1 - shared_x0),
                         static_cast<Uint16>(bottom - first.y)});
        for (size_t k : group) {
            const SDL_Rect& c = columns[k];
            if (c.x < shared_x0)
                drawn.push_back({c.x, c.y, static_cast<Uint16>(shared_x0 - c.x), c.h});
            if (c.x + c.w > shared_x1)
                drawn.push_back({static_cast<Sint16>(shared_x1), c.y, static_cast<Uint16>(c.x + c.w - shared_x1), c.h});
        }
    }
    return drawn;
}

SDL_Rect around(const SDL_Rect& a, const SDL_Rect& b)
{
    int x0 = std::min<int>(a.x, b.x), y0 = std::min<int>(a.y, b.y);
    int x1 = std::max<int>(a.x + a.w, b.x + b.w), y1 = std::max<int>(a.y + a.h, b.y + b.h);
    return {static_cast<Sint16>(x0), static_cast<Sint16>(y0), static_cast<Uint16>(x1 - x0),
            static_cast<Uint16>(y1 - y0)};
}

// Putting back what a picture covered may copy its keyed pixels too (they
// show what lies beneath anyway): the columns of a band are taken together
// where that costs less, and so are bands over one another.
std::vector<SDL_Rect> restore_cover_of(const std::vector<SDL_Rect>& columns)
{
    std::vector<SDL_Rect> cover;
    bool last_whole = false;   // the last rectangle is a band's whole
    for (size_t i = 0; i < columns.size();) {
        size_t j = i + 1;
        SDL_Rect band = columns[i];
        long apart = copy_cost(columns[i]);
        for (; j < columns.size() && columns[j].y == columns[i].y && columns[j].h == columns[i].h; ++j) {
            band = around(band, columns[j]);
            apart += copy_cost(columns[j]);
        }
        if (copy_cost(band) <= apart) {
            if (last_whole && cover.back().y + cover.back().h == band.y &&
                copy_cost(around(cover.back(), band)) <= copy_cost(cover.back()) + copy_cost(band)) {
                cover.back() = around(cover.back(), band);
            } else {
                cover.push_back(band);
            }
            last_whole = true;
        } else {
            cover.insert(cover.end(), columns.begin() + static_cast<long>(i), columns.begin() + static_cast<long>(j));
            last_whole = false;
        }
        i = j;
    }
    return cover;
}

// The rectangles a blit changes: the columns, or the one around them all.
std::vector<SDL_Rect> cover_of(const std::vector<SDL_Rect>& columns)
{
    std::vector<SDL_Rect> cover = columns;
    if (cover.empty())
        return cover;
    int x0 = INT16_MAX, y0 = INT16_MAX, x1 = 0, y1 = 0;
    long covered = 0;
    for (const SDL_Rect& r : cover) {
        x0 = std::min<int>(x0, r.x);
        y0 = std::min<int>(y0, r.y);
        x1 = std::max<int>(x1, r.x + r.w);
        y1 = std::max<int>(y1, r.y + r.h);
        covered += static_cast<long>(r.w) * r.h;
    }
    // The sides are worth keeping apart only where they leave out most of
    // the rectangle around them (a frame's inside): each costs the display
    // a refresh of its own.
    if (cover.size() > kMostCoverRects || 2 * covered > static_cast<long>(x1 - x0) * (y1 - y0))
        cover.assign(1, {static_cast<Sint16>(x0), static_cast<Sint16>(y0), static_cast<Uint16>(x1 - x0),
                         static_cast<Uint16>(y1 - y0)});
    return cover;
}

// The columns as blocks onto a target of pitch bytes, from the picture's
// pixels and from its shifted copy (where it keeps one), and the rectangles
// put back where it was: all made at once for the target's pitch, so that a
// frame that moves a highlight makes none.
void blocks_for(SpanPicture& entry, int pitch)
{
    if (entry.pitch == pitch)
        return;
    entry.pitch = pitch;
    // A column of a few pixels costs less placed pixel by pixel than as a
    // block of its own: the copy of a block begins with a dozen
    // instructions, a placed pixel costs three.
    const SDL_Surface* p = entry.picture;
    auto placed_column = [&](const SDL_Rect& c) {
        return c.w <= 3 && c.w * c.h <= 16 &&
               static_cast<long>(c.y + c.h - 1) * pitch + (c.x + c.w - 1) * 2 <= kMostPlacedOffset;
    };
    entry.placed.clear();
    for (const SDL_Rect& c : entry.drawn_columns) {
        if (!placed_column(c))
            continue;
        for (int row = c.y; row < c.y + c.h; ++row) {
            const Uint16* line = reinterpret_cast<const Uint16*>(static_cast<const Uint8*>(p->pixels) + row * p->pitch);
            for (int x = c.x; x < c.x + c.w; ++x)
                entry.placed.push_back(placed_pixel(static_cast<uint32_t>(row * pitch + x * 2), line[x]));
        }
    }
    pad_placed(entry.placed, 0);
    auto make = [&](std::vector<PixelBlock>& blocks, int source_pitch) {
        blocks.clear();
        blocks.reserve(entry.drawn_columns.size());
        for (const SDL_Rect& c : entry.drawn_columns)
            if (!placed_column(c))
                blocks.push_back({static_cast<uint32_t>(c.y * pitch + c.x * 2),
                                  static_cast<uint32_t>(c.y * source_pitch + c.x * 2), c.w, c.h});
    };
    make(entry.blocks, entry.picture->pitch);
    entry.shifted_blocks.clear();
    if (entry.picture->w * entry.picture->h <= kMostShiftedPixels) {
        int shifted_pitch = 0;
        shifted_pixels(entry, shifted_pitch);
        make(entry.shifted_blocks, shifted_pitch * 2);
    }
    entry.restore_blocks.clear();
    entry.restore_blocks.reserve(entry.restore_cover.size());
    for (const SDL_Rect& r : entry.restore_cover) {
        uint32_t at = static_cast<uint32_t>(r.y * pitch + r.x * 2);
        entry.restore_blocks.push_back({at, at, r.w, r.h});
    }
}

} // namespace

bool prepare_spans(SDL_Surface* picture)
{
    if (!picture || !spans_possible(picture) || picture->w > UINT16_MAX || picture->h > UINT16_MAX)
        return false;
    if (find(picture))
        return true;
    let_go_of_unused();
    size_t at = home(picture);
    for (size_t i = 0; i < kSlots && table[at].picture; ++i)
        at = (at + 1) % kSlots;
    if (table[at].picture)
        return false;
    table[at].spans = spans_of(picture);
    table[at].columns = columns_of(table[at].spans);
    table[at].drawn_columns = kRowsInOneCopy ? stacked_columns(table[at].columns) : table[at].columns;
    table[at].cover = cover_of(table[at].columns);
    table[at].restore_cover = restore_cover_of(table[at].columns);
    table[at].restore_blocks.clear();
    table[at].pitch = 0;
    table[at].blocks.clear();
    table[at].shifted_blocks.clear();
    table[at].picture = picture;
    ++picture->refcount;
    return true;
}

namespace {

// A 16-bit keyed picture whose pixels can be read as they are.
bool plainly_keyed(const SDL_Surface* picture)
{
    const SDL_PixelFormat* f = picture->format;
    return (picture->flags & SDL_SRCCOLORKEY) && f->BytesPerPixel == 2 && !f->palette && !f->Amask &&
           !(picture->flags & (SDL_SRCALPHA | SDL_RLEACCEL)) && !SDL_MUSTLOCK(picture);
}

} // namespace

bool pixel_shows(const SDL_Surface* picture, int x, int y)
{
    if (!picture || x < 0 || y < 0 || x >= picture->w || y >= picture->h)
        return false;
    if (!plainly_keyed(picture))
        return true;
    const Uint16* row = reinterpret_cast<const Uint16*>(static_cast<const Uint8*>(picture->pixels) + y * picture->pitch);
    return row[x] != static_cast<Uint16>(picture->format->colorkey);
}

bool opaque_within(const SDL_Surface* picture, const SDL_Rect& r)
{
    const SDL_PixelFormat* f = picture->format;
    if (!plainly_keyed(picture))
        return true;
    Uint16 key = static_cast<Uint16>(f->colorkey);
    int x1 = std::min<int>(r.x + r.w, picture->w), y1 = std::min<int>(r.y + r.h, picture->h);
    for (int y = std::max<int>(r.y, 0); y < y1; ++y) {
        const Uint16* row = reinterpret_cast<const Uint16*>(static_cast<const Uint8*>(picture->pixels) + y * picture->pitch);
        for (int x = std::max<int>(r.x, 0); x < x1; ++x)
            if (row[x] != key)
                return true;
    }
    return false;
}

int span_cover(const SDL_Surface* picture, const SDL_Rect*& rects)
{
    const SpanPicture* entry = picture ? find(picture) : nullptr;
    if (!entry)
        return 0;
    rects = entry->cover.data();
    return static_cast<int>(entry->cover.size());
}

bool has_spans(const SDL_Surface* picture)
{
    return picture && find(picture) != nullptr;
}

bool blit_spans(SDL_Surface* picture, SDL_Surface* target, int x, int y, SDL_Rect& dest)
{
    // A picture given a per-surface alpha after it was prepared blends, and
    // one whose key was changed or dropped no longer matches its spans.
    if (!(picture->flags & SDL_SRCCOLORKEY) || (picture->flags & SDL_SRCALPHA))
        return false;
    SpanPicture* entry = find(picture);
    const SDL_PixelFormat* f = target->format;
    const SDL_PixelFormat* p = picture->format;
    if (!entry || f->BytesPerPixel != 2 || f->Rmask != p->Rmask || f->Gmask != p->Gmask || f->Bmask != p->Bmask ||
        SDL_MUSTLOCK(target))
        return false;
    const SDL_Rect& clip = target->clip_rect;
    int left = std::max<int>(x, clip.x), top = std::max<int>(y, clip.y);
    int right = std::min<int>(x + picture->w, clip.x + clip.w), bottom = std::min<int>(y + picture->h, clip.y + clip.h);
    if (right <= left || bottom <= top) {
        dest = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
        return true;
    }
    dest = {static_cast<Sint16>(left), static_cast<Sint16>(top), static_cast<Uint16>(right - left),
            static_cast<Uint16>(bottom - top)};
    const Uint8* from = static_cast<const Uint8*>(picture->pixels);
    Uint8* to = static_cast<Uint8*>(target->pixels);
    // Wholly inside: each span goes where its start says.
    if (left == x && top == y && right == x + picture->w && bottom == y + picture->h && target->pitch % 2 == 0 &&
        picture->pitch % 2 == 0) {
        Uint8* corner = to + y * target->pitch + x * 2;
        const Uint8* source = from;
        int source_pitch = picture->pitch;
        bool shifted = (reinterpret_cast<uintptr_t>(corner) & 2u) && picture->w * picture->h <= kMostShiftedPixels;
        if (shifted) {
            source = reinterpret_cast<const Uint8*>(shifted_pixels(*entry, source_pitch));
            source_pitch *= 2;
        }
        blocks_for(*entry, target->pitch);
        const std::vector<PixelBlock>& blocks = shifted ? entry->shifted_blocks : entry->blocks;
        copy_blocks16(corner, target->pitch, source, source_pitch, blocks.data(), blocks.data() + blocks.size());
        put_pixels16(corner, entry->placed.data(), static_cast<uint32_t>(entry->placed.size()));
        return true;
    }
    // The first span of the first row drawn.
    auto span = std::lower_bound(entry->spans.begin(), entry->spans.end(), top - y,
                                 [](const Span& s, int row) { return s.row < row; });
    for (; span != entry->spans.end() && span->row < bottom - y; ++span) {
        int sx = x + span->x, n = span->length, skip = 0;
        if (sx < left) {
            skip = left - sx;
            sx = left;
        }
        n = std::min(n - skip, right - sx);
        if (n <= 0)
            continue;
        int ty = y + span->row;
        copy_pixels16(reinterpret_cast<Uint16*>(to + ty * target->pitch) + sx,
                      reinterpret_cast<const Uint16*>(from + span->row * picture->pitch) + span->x + skip, n);
    }
    return true;
}

namespace {

SpanPicture* restorable(const SDL_Surface* picture, const SDL_Surface* beneath, const SDL_Surface* target,
                        const SDL_Rect& where)
{
    // Found, the picture is alive: the table holds a reference to it.
    SpanPicture* entry = picture ? find(picture) : nullptr;
    int x = where.x, y = where.y;
    if (!entry || !beneath)
        return nullptr;
    // Told all at once (one test, not a branch for each: this runs for
    // every frame that moves a highlight).
    bool alike = (beneath->pitch == target->pitch) & (beneath->w == target->w) & (beneath->h == target->h) &
                 (target->format->BytesPerPixel == 2) & (beneath->format->BytesPerPixel == 2);
    bool whole = (where.w == picture->w) & (where.h == picture->h) & (x >= 0) & (y >= 0) &
                 (x + picture->w <= target->w) & (y + picture->h <= target->h);
    return alike & whole & !SDL_MUSTLOCK(target) ? entry : nullptr;
}

} // namespace

bool restore_spans(const SDL_Surface* picture, const SDL_Surface* beneath, SDL_Surface* target, const SDL_Rect& where)
{
    SpanPicture* entry = restorable(picture, beneath, target, where);
    int x = where.x, y = where.y;
    if (!entry)
        return false;
    blocks_for(*entry, target->pitch);
    const std::vector<PixelBlock>& blocks = entry->restore_blocks;
    size_t corner = static_cast<size_t>(y) * target->pitch + static_cast<size_t>(x) * 2;
    Uint8* to = static_cast<Uint8*>(target->pixels) + corner;
    const Uint8* from = static_cast<const Uint8*>(beneath->pixels) + corner;
    // The same place in both: each block's start on the target is its start beneath.
    for (const PixelBlock& block : blocks)
        copy_rect16(to + block.to, target->pitch, from + block.to, target->pitch, block.length, block.rows);
    return true;
}
