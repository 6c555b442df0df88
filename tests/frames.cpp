// The test program stands in for SDL_UpdateRect: the platform's refresh
// reaches this definition, which tells the watching test and then passes the
// call on to SDL's own.
#include "frames.h"

#include <dlfcn.h>

namespace {

std::function<void(SDL_Surface*)> frame_observer;
int frames_seen = 0;

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
        frame_observer(screen);
    }
    if (UpdateRect real = sdl_update_rect())
        real(screen, x, y, w, h);
}

FrameWatch::FrameWatch(std::function<void(SDL_Surface*)> observer)
{
    frames_seen = 0;
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
