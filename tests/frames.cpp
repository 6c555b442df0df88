// The test program stands in for SDL_UpdateRect: the platform's refresh
// reaches this definition, which tells the watching test and then passes the
// call on to SDL's own.
#include "frames.h"

#include <dlfcn.h>

namespace {

std::function<void(SDL_Surface*)> frame_observer;
int frames_seen = 0;
std::vector<SDL_Rect> rects_seen;

using UpdateRect = void (*)(SDL_Surface*, Sint32, Sint32, Uint32, Uint32);

UpdateRect sdl_update_rect()
{
    static UpdateRect real = reinterpret_cast<UpdateRect>(dlsym(RTLD_NEXT, "SDL_UpdateRect"));
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
    if (UpdateRect real = sdl_update_rect())
        real(screen, x, y, w, h);
}

FrameWatch::FrameWatch(std::function<void(SDL_Surface*)> observer)
{
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
