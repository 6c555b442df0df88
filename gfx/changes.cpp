#include "gfx/changes.h"

#include "core/state.h"
#include "gfx/pixels.h"
#include "gfx/spans.h"
#include "platform/platform.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr int kScreenWidth = 320;
constexpr int kScreenHeight = 240;
constexpr long kScreenPixels = static_cast<long>(kScreenWidth) * kScreenHeight;
// A frame that changed more than this share of the screen shows all of it:
// one rectangle costs the display less than many that cover most of it.
constexpr long kWholeFrom = kScreenPixels * 3 / 4;

// A frame keeps this many rectangles apart; more are merged into the one
// rectangle around them all.
constexpr int kMostRects = 32;

struct Changes {
    std::array<SDL_Rect, kMostRects> rects{};
    int count = 0;
    bool whole = false;
    long area = 0;   // of the rectangles kept
};

// The changes of the frame being drawn and those the last frame showed:
// two lists that change places when a frame is shown (no copy).
std::array<Changes, 2> change_lists{};
Changes* pending = &change_lists[0];
Changes* shown_list = &change_lists[1];
int frame_depth = 0;
unsigned long frame_count = 0;
bool overdrawn = true;   // nothing was shown yet

// A rectangle copied field by field: its fields are 16-bit, and for such a
// copy through a reference the ARM's compiler calls the C library's memcpy,
// which costs the overlay more than the rest of noting a change.
void copy_rect(SDL_Rect& to, const SDL_Rect& from)
{
    to.x = from.x;
    to.y = from.y;
    to.w = from.w;
    to.h = from.h;
}

long area(const SDL_Rect& r)
{
    return static_cast<long>(r.w) * r.h;
}

bool inside(const SDL_Rect& inner, const SDL_Rect& outer)
{
    return inner.y >= outer.y && inner.y + inner.h <= outer.y + outer.h && inner.x >= outer.x &&
           inner.x + inner.w <= outer.x + outer.w;
}

SDL_Rect around(const SDL_Rect& a, const SDL_Rect& b)
{
    int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    int x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
    return {static_cast<Sint16>(x0), static_cast<Sint16>(y0), static_cast<Uint16>(x1 - x0),
            static_cast<Uint16>(y1 - y0)};
}

// What showing a rectangle costs the display: it copies the rectangle row
// by row, and starting a row costs about as much as copying 64 pixels of it.
constexpr long kRowCost = 64;

long show_cost(const SDL_Rect& r)
{
    return (static_cast<long>(r.w) + kRowCost) * r.h;
}

void add(Changes& changes, SDL_Rect r)
{
    // A rectangle that costs the display less together with one already
    // noted than apart (the two sides of a frame, a label beside its icon)
    // takes that one's place in the rectangle around both, which is then
    // looked at again. Only rectangles whose rows meet or touch can gain:
    // those of two apart are copied row by row either way.
    for (int i = 0; i < changes.count;) {
        SDL_Rect& old = changes.rects[static_cast<size_t>(i)];
        if (old.y > r.y + r.h || r.y > old.y + old.h) {
            ++i;
            continue;
        }
        if (inside(r, old))
            return;
        SDL_Rect both = around(old, r);
        if (show_cost(both) > show_cost(old) + show_cost(r)) {
            ++i;
            continue;
        }
        changes.area -= area(old);
        copy_rect(old, changes.rects[static_cast<size_t>(--changes.count)]);
        copy_rect(r, both);
        i = 0;
    }
    // (A rectangle inside the new one went with it there.)
    if (changes.count == kMostRects) {
        SDL_Rect all = r;
        for (const SDL_Rect& old : changes.rects)
            all = around(all, old);
        copy_rect(changes.rects[0], all);
        changes.count = 1;
        changes.area = area(all);
    } else {
        copy_rect(changes.rects[static_cast<size_t>(changes.count++)], r);
        changes.area += area(r);
    }
}

void forget_changes(Changes& changes)
{
    changes.count = 0;
    changes.whole = false;
    changes.area = 0;
}

// --- the overlay's parts ---

constexpr int kMostParts = 32;

struct LastPart {
    DrawnPart part;
    char text[52];   // a text's characters
    bool restored;   // put back from the layer in this frame
    bool kept;       // drawn alike again: left as it is
    bool apart;      // overlaps no other part of the last frame
};

// The parts of the overlay being drawn and those of the last frame shown,
// in two lists that change places at the end of each frame.
std::array<std::array<LastPart, kMostParts>, 2> part_lists{};
size_t drawing = 0;   // the list of the overlay being drawn
const void* overlay_owner = nullptr;
SDL_Surface* overlay_layer = nullptr;
int parts_count = 0;
bool parts_known = false;   // every part of the frame is in its list
int last_count = 0;         // of the last frame's, while an overlay builds on them
const void* shown_owner = nullptr;
int shown_count_parts = 0;
bool shown_parts_known = false;

std::array<LastPart, kMostParts>& last_parts()
{
    return part_lists[1 - drawing];
}

bool overlap(const SDL_Rect& a, const SDL_Rect& b)
{
    // Most parts lie in other rows: those are told first.
    return a.y < b.y + b.h && b.y < a.y + a.h && a.x < b.x + b.w && b.x < a.x + a.w && a.w > 0 && a.h > 0 &&
           b.w > 0 && b.h > 0;
}

SDL_Rect clipped(const SDL_Rect& r)
{
    int x0 = std::max<int>(r.x, 0), y0 = std::max<int>(r.y, 0);
    int x1 = std::min<int>(r.x + r.w, kScreenWidth), y1 = std::min<int>(r.y + r.h, kScreenHeight);
    if (x1 <= x0 || y1 <= y0)
        return {static_cast<Sint16>(x0), static_cast<Sint16>(y0), 0, 0};
    return {static_cast<Sint16>(x0), static_cast<Sint16>(y0), static_cast<Uint16>(x1 - x0), static_cast<Uint16>(y1 - y0)};
}

// A text's characters are a dozen or so: copied and compared here, not
// through the C library, whose calls cost more than the bytes.
// The first n characters of from, as many as to holds; how many it got.
template <size_t N>
size_t copy_chars(char (&to)[N], const char* from, size_t n)
{
    n = std::min(n, N);
    for (size_t i = 0; i < n; ++i)
        to[i] = from[i];
    return n;
}

bool same_chars(const char* kept, const char* text, size_t n, size_t kept_n)
{
    if (n != kept_n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (kept[i] != text[i])
            return false;
    return true;
}

bool same_part(const LastPart& last, const DrawnPart& b, const SDL_Rect& b_rect)
{
    const DrawnPart& a = last.part;
    // The picture (or glyph strip) tells most parts apart; the rectangles
    // are compared whole.
    if (a.source != b.source || a.rect.x != b_rect.x || a.rect.y != b_rect.y || a.rect.w != b_rect.w ||
        a.rect.h != b_rect.h)
        return false;
    bool alike = (a.kind == b.kind) & (a.colour == b.colour) & (b_rect.w > 0);
    return alike && (a.kind != PartKind::Text || same_chars(last.text, b.text, b.text_length, a.text_length));
}

void remember(const DrawnPart& part, const SDL_Rect& r)
{
    if (parts_count == kMostParts) {
        parts_known = false;
        return;
    }
    LastPart& kept = part_lists[drawing][static_cast<size_t>(parts_count++)];
    kept.part.kind = part.kind;
    kept.part.source = part.source;
    kept.part.colour = part.colour;
    copy_rect(kept.part.rect, r);
    // A text keeps its characters: the caller's go.
    kept.part.text = nullptr;
    kept.part.text_length = 0;
    if (part.kind == PartKind::Text)
        kept.part.text_length = copy_chars(kept.text, part.text, part.text_length);
}

// The screen beneath a part of the last frame, from the layer: all of its
// rectangle when whole, else for a keyed picture only around its opaque
// pixels (a frame changed only its sides).
void put_back(LastPart& last, bool whole)
{
    last.restored = true;
    const SDL_Rect& r = last.part.rect;
    if (!overlay_layer || !screen || r.w == 0 || r.h == 0)
        return;
    if (!whole && last.part.kind == PartKind::Picture &&
        restore_spans(static_cast<const SDL_Surface*>(last.part.source), overlay_layer, screen, r)) {
        note_changed(r.x, r.y, r.w, r.h);
        return;
    }
    size_t bytes = screen->format->BytesPerPixel;
    const Uint8* from = static_cast<const Uint8*>(overlay_layer->pixels) + r.y * overlay_layer->pitch + r.x * bytes;
    Uint8* to = static_cast<Uint8*>(screen->pixels) + r.y * screen->pitch + r.x * bytes;
    // The same place in both: the ends of each row lie alike in their words.
    if (bytes == 2) {
        copy_rect16(to, screen->pitch, from, overlay_layer->pitch, r.w, r.h);
    } else {
        for (int row = 0; row < r.h; ++row, from += overlay_layer->pitch, to += screen->pitch)
            std::memcpy(to, from, r.w * bytes);
    }
    note_changed(r.x, r.y, r.w, r.h);
}

// Whether the part at i of the last frame lies within the one at j (of two
// alike rectangles the first holds the second).
bool held_by(const std::array<LastPart, kMostParts>& lasts, int i, int j)
{
    const SDL_Rect& r = lasts[static_cast<size_t>(i)].part.rect;
    const SDL_Rect& o = lasts[static_cast<size_t>(j)].part.rect;
    return i != j && inside(r, o) && (j < i || !inside(o, r));
}

// Parts of the last frame, one bit each.
typedef uint32_t PartSet;
static_assert(sizeof(PartSet) * 8 >= kMostParts, "a bit for every part");

constexpr PartSet bit(int i)
{
    return PartSet{1} << i;
}

// The lowest part of a set.
int first_of(PartSet set)
{
    return __builtin_ctz(set);
}

// Puts back the parts of the last frame in batch. Nothing is drawn between
// them, so a part lying wholly inside another of the batch (the name inside
// its row's highlight, an icon on its frame) comes back with the other,
// which is then put back whole.
void put_back_batch(PartSet batch)
{
    std::array<LastPart, kMostParts>& lasts = last_parts();
    PartSet holds = 0, held = 0;
    // Only the parts of the batch are looked at, two by two.
    if (batch & (batch - 1)) {   // more than one
        for (PartSet is = batch; is; is &= is - 1) {
            int i = first_of(is);
            for (PartSet js = batch & ~bit(i); js; js &= js - 1) {
                int j = first_of(js);
                if (held_by(lasts, i, j)) {
                    held |= bit(i);
                    holds |= bit(j);
                }
            }
        }
    }
    for (PartSet is = batch; is; is &= is - 1) {
        int i = first_of(is);
        LastPart& part = lasts[static_cast<size_t>(i)];
        if (held & bit(i))
            part.restored = true;
        else
            put_back(part, (holds & bit(i)) != 0);
    }
}

// The parts of the last frame that did not come again are put back, and
// this frame's become the last.
void end_overlay()
{
    if (overlay_owner) {
        PartSet batch = 0;
        for (int i = 0; i < last_count; ++i) {
            const LastPart& last = last_parts()[static_cast<size_t>(i)];
            if (!last.restored && !last.kept)
                batch |= bit(i);
        }
        if (batch)
            put_back_batch(batch);
    }
    shown_owner = overlay_owner;
    drawing = 1 - drawing;
    shown_count_parts = parts_count;
    shown_parts_known = overlay_owner && parts_known;
    overlay_owner = nullptr;
    overlay_layer = nullptr;
    last_count = 0;
    parts_count = 0;
}

// Something drew over the whole screen in the overlay: the next frame
// cannot build on its parts.
void note_overlay_unknown()
{
    parts_known = false;
}

} // namespace

void note_changed(int x, int y, int w, int h)
{
    if (frame_depth == 0)
        overdrawn = true;
    if (pending->whole)
        return;
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min(x + w, kScreenWidth), y1 = std::min(y + h, kScreenHeight);
    if (x1 <= x0 || y1 <= y0)
        return;
    SDL_Rect r = {static_cast<Sint16>(x0), static_cast<Sint16>(y0), static_cast<Uint16>(x1 - x0),
                  static_cast<Uint16>(y1 - y0)};
    add(*pending, r);
    if (pending->area > kWholeFrom)
        pending->whole = true;
}

void note_whole_screen_changed()
{
    if (frame_depth == 0)
        overdrawn = true;
    pending->whole = true;
    note_overlay_unknown();
}

void begin_frame()
{
    if (frame_depth++ == 0)
        ++frame_count;
}

void end_frame()
{
    if (frame_depth > 1) {
        --frame_depth;
        return;
    }
    frame_depth = 0;
    end_overlay();
    if (screen && pending->whole) {
        pending->rects[0] = {0, 0, kScreenWidth, kScreenHeight};
        pending->count = 1;
        platform_update(screen, 0, 0, kScreenWidth, kScreenHeight);
    } else if (screen && pending->count > 0) {
        platform_update_rects(screen, pending->rects.data(), pending->count);
    } else {
        pending->count = 0;
    }
    std::swap(pending, shown_list);
    forget_changes(*pending);
    overdrawn = false;
}

bool in_frame()
{
    return frame_depth > 0;
}

unsigned long frame_being_drawn()
{
    // (A count wrapped round to 0 reads as outside a frame: afresh.)
    return frame_depth > 0 ? frame_count : 0;
}

bool screen_as_last_shown()
{
    return !overdrawn;
}

void note_screen_overdrawn()
{
    overdrawn = true;
}

bool overlay_continues(const void* owner)
{
    return frame_depth > 0 && !overdrawn && owner && shown_owner == owner && shown_parts_known;
}

void begin_overlay(const void* owner, SDL_Surface* layer, bool continuing)
{
    if (frame_depth == 0)
        return;
    last_count = 0;
    if (continuing) {
        std::array<LastPart, kMostParts>& last = last_parts();
        last_count = shown_count_parts;
        for (int i = 0; i < last_count; ++i) {
            LastPart& p = last[static_cast<size_t>(i)];
            p.restored = p.kept = false;
            p.apart = true;
        }
        // A part of the last frame that overlaps another is never left as
        // it is: what lies over or under it may change.
        for (int i = 0; i < last_count; ++i)
            for (int j = i + 1; j < last_count; ++j)
                if (overlap(last[static_cast<size_t>(i)].part.rect, last[static_cast<size_t>(j)].part.rect))
                    last[static_cast<size_t>(i)].apart = last[static_cast<size_t>(j)].apart = false;
    }
    overlay_owner = owner;
    overlay_layer = layer;
    parts_count = 0;
    parts_known = true;
}

bool draw_part(const DrawnPart& part)
{
    if (!overlay_owner)
        return true;
    SDL_Rect r = clipped(part.rect);
    std::array<LastPart, kMostParts>& lasts = last_parts();
    PartSet batch = 0;
    for (int i = 0; i < last_count; ++i) {
        LastPart& last = lasts[static_cast<size_t>(i)];
        if (last.restored | last.kept)
            continue;
        if (last.apart && same_part(last, part, r)) {
            last.kept = true;
            remember(part, r);
            return false;
        }
        if (overlap(last.part.rect, r))
            batch |= bit(i);
    }
    if (batch)
        put_back_batch(batch);
    remember(part, r);
    return true;
}

int last_shown_rects(const SDL_Rect*& rects)
{
    rects = shown_list->rects.data();
    return shown_list->count;
}

long last_shown_pixels()
{
    long sum = 0;
    for (int i = 0; i < shown_list->count; ++i)
        sum += area(shown_list->rects[static_cast<size_t>(i)]);
    return sum;
}
