// The test program stands in for SDL_UpdateRect and SDL_UpdateRects: the
// platform's refreshes reach these definitions, which tell the watching test
// and then pass the call on to SDL's own. One call is one frame, however
// many rectangles it shows.
#include "frames.h"

#include "harness.h"

#include <dlfcn.h>

namespace {

std::function<void(SDL_Surface*)> frame_observer;
int frames_seen = 0;
std::vector<SDL_Rect> rects_seen;
// SDL_UpdateRect shows its rectangle through SDL_UpdateRects: one frame.
bool inside_update_rect = false;

using UpdateRect = void (*)(SDL_Surface*, Sint32, Sint32, Uint32, Uint32);
using UpdateRects = void (*)(SDL_Surface*, int, SDL_Rect*);

UpdateRect sdl_update_rect()
{
    static UpdateRect real = reinterpret_cast<UpdateRect>(dlsym(RTLD_NEXT, "SDL_UpdateRect"));
    return real;
}

UpdateRects sdl_update_rects()
{
    static UpdateRects real = reinterpret_cast<UpdateRects>(dlsym(RTLD_NEXT, "SDL_UpdateRects"));
    return real;
}

} // namespace

extern "C" void SDL_UpdateRect(SDL_Surface* screen, Sint32 x, Sint32 y, Uint32 w, Uint32 h)
{
    if (frame_observer) {
        ++frames_seen;
        rects_seen.push_back({static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
                              static_cast<Uint16>(h)});
        frame_observer(screen);
    }
    inside_update_rect = true;
    if (UpdateRect real = sdl_update_rect())
        real(screen, x, y, w, h);
    inside_update_rect = false;
}

extern "C" void SDL_UpdateRects(SDL_Surface* screen, int count, SDL_Rect* rects)
{
    if (frame_observer && !inside_update_rect) {
        ++frames_seen;
        for (int i = 0; i < count; ++i)
            rects_seen.push_back(rects[i]);
        frame_observer(screen);
    }
    if (UpdateRects real = sdl_update_rects())
        real(screen, count, rects);
}

FrameWatch::FrameWatch(std::function<void(SDL_Surface*)> observer)
{
    ShellTest::require(Needs::display, "FrameWatch");
    frames_seen = 0;
    rects_seen.clear();
    rects_seen.reserve(256);   // no allocation of the watch's own while a test counts them
    frame_observer = observer ? std::move(observer) : [](SDL_Surface*) {};
}

FrameWatch::~FrameWatch()
{
    frame_observer = nullptr;
}

int FrameWatch::frames() const
{
    return frames_seen;
}

const std::vector<SDL_Rect>& FrameWatch::rects() const
{
    return rects_seen;
}
