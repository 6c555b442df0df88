#include "gfx/spans.h"

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
};

// Room for every window frame, highlight and button of a skin.
constexpr size_t kSlots = 128;
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
            spans.push_back({static_cast<uint16_t>(y), static_cast<uint16_t>(start), static_cast<uint16_t>(x - start)});
        }
    }
    return spans;
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
    table[at].picture = picture;
    ++picture->refcount;
    return true;
}

bool blit_spans(SDL_Surface* picture, SDL_Surface* target, int x, int y, SDL_Rect& dest)
{
    // A picture given a per-surface alpha after it was prepared blends, and
    // one whose key was changed or dropped no longer matches its spans.
    if (!(picture->flags & SDL_SRCCOLORKEY) || (picture->flags & SDL_SRCALPHA))
        return false;
    const SpanPicture* entry = find(picture);
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
        std::memcpy(to + ty * target->pitch + sx * 2, from + span->row * picture->pitch + (span->x + skip) * 2,
                    static_cast<size_t>(n) * 2);
    }
    return true;
}
