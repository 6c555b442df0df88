#include "gfx/changes.h"

#include "core/state.h"
#include "platform/platform.h"

#include <algorithm>
#include <array>

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
};

Changes pending;
std::array<SDL_Rect, kMostRects> shown{};
int shown_count = 0;
int frame_depth = 0;
bool overdrawn = true;   // nothing was shown yet

long area(const SDL_Rect& r)
{
    return static_cast<long>(r.w) * r.h;
}

bool inside(const SDL_Rect& inner, const SDL_Rect& outer)
{
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

SDL_Rect around(const SDL_Rect& a, const SDL_Rect& b)
{
    int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    int x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
    return {static_cast<Sint16>(x0), static_cast<Sint16>(y0), static_cast<Uint16>(x1 - x0),
            static_cast<Uint16>(y1 - y0)};
}

long pending_area()
{
    long sum = 0;
    for (int i = 0; i < pending.count; ++i)
        sum += area(pending.rects[static_cast<size_t>(i)]);
    return sum;
}

void add(const SDL_Rect& r)
{
    for (int i = 0; i < pending.count; ++i)
        if (inside(r, pending.rects[static_cast<size_t>(i)]))
            return;
    // Rectangles the new one covers are dropped.
    int kept = 0;
    for (int i = 0; i < pending.count; ++i)
        if (!inside(pending.rects[static_cast<size_t>(i)], r))
            pending.rects[static_cast<size_t>(kept++)] = pending.rects[static_cast<size_t>(i)];
    pending.count = kept;
    if (pending.count == kMostRects) {
        SDL_Rect all = r;
        for (const SDL_Rect& old : pending.rects)
            all = around(all, old);
        pending.rects[0] = all;
        pending.count = 1;
    } else {
        pending.rects[static_cast<size_t>(pending.count++)] = r;
    }
    if (pending_area() > kWholeFrom)
        pending.whole = true;
}

} // namespace

void note_changed(int x, int y, int w, int h)
{
    if (frame_depth == 0)
        overdrawn = true;
    if (pending.whole)
        return;
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min(x + w, kScreenWidth), y1 = std::min(y + h, kScreenHeight);
    if (x1 <= x0 || y1 <= y0)
        return;
    add({static_cast<Sint16>(x0), static_cast<Sint16>(y0), static_cast<Uint16>(x1 - x0), static_cast<Uint16>(y1 - y0)});
}

void note_whole_screen_changed()
{
    if (frame_depth == 0)
        overdrawn = true;
    pending.whole = true;
}

void begin_frame()
{
    ++frame_depth;
}

void end_frame()
{
    if (frame_depth > 1) {
        --frame_depth;
        return;
    }
    frame_depth = 0;
    if (screen && pending.whole) {
        shown[0] = {0, 0, kScreenWidth, kScreenHeight};
        shown_count = 1;
        platform_update(screen, 0, 0, kScreenWidth, kScreenHeight);
    } else if (screen && pending.count > 0) {
        std::copy_n(pending.rects.begin(), pending.count, shown.begin());
        shown_count = pending.count;
        platform_update_rects(screen, shown.data(), shown_count);
    } else {
        shown_count = 0;
    }
    pending = Changes{};
    overdrawn = false;
}

bool in_frame()
{
    return frame_depth > 0;
}

bool screen_as_last_shown()
{
    return !overdrawn;
}

void note_screen_overdrawn()
{
    overdrawn = true;
}

int last_shown_rects(const SDL_Rect*& rects)
{
    rects = shown.data();
    return shown_count;
}

long last_shown_pixels()
{
    long sum = 0;
    for (int i = 0; i < shown_count; ++i)
        sum += area(shown[static_cast<size_t>(i)]);
    return sum;
}
