// The stand-in for SDL's event queue (event_queue.h): the Wiz build only.
// The definitions below take the place of SDL's for the whole test program,
// as frames.cpp's do for the display refresh; while the stand-in is off they
// pass every call on to SDL's own.
#include "event_queue.h"

#ifdef KORVO_WIZ_TESTS

#include "harness.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <dlfcn.h>
#include <mutex>

namespace {

// As many events as SDL's own queue holds; a push beyond them is refused,
// as SDL refuses it.
constexpr size_t kCapacity = 127;

bool active = false;
std::mutex lock;
std::deque<SDL_Event> queue;

template <typename Function>
Function sdl_own(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool take(SDL_Event* event)
{
    std::lock_guard<std::mutex> hold(lock);
    if (queue.empty())
        return false;
    if (event) {
        *event = queue.front();
        queue.pop_front();
    }
    return true;
}

} // namespace

void use_stand_in_event_queue(bool on)
{
    std::lock_guard<std::mutex> hold(lock);
    active = on;
    queue.clear();
}

extern "C" int SDL_PushEvent(SDL_Event* event)
{
    if (!active) {
        static auto own = sdl_own<int (*)(SDL_Event*)>("SDL_PushEvent");
        return own ? own(event) : -1;
    }
    std::lock_guard<std::mutex> hold(lock);
    if (queue.size() >= kCapacity)
        return -1;
    queue.push_back(*event);
    return 0;
}

extern "C" int SDL_PollEvent(SDL_Event* event)
{
    if (!active) {
        static auto own = sdl_own<int (*)(SDL_Event*)>("SDL_PollEvent");
        return own ? own(event) : 0;
    }
    return take(event) ? 1 : 0;
}

extern "C" int SDL_WaitEvent(SDL_Event* event)
{
    if (!active) {
        static auto own = sdl_own<int (*)(SDL_Event*)>("SDL_WaitEvent");
        return own ? own(event) : 0;
    }
    for (;;) {
        if (take(event))
            return 1;
        // Only another thread could push an event now. Where none can be
        // started, the wait would never end: the test fails here instead.
        if (const char* why = ShellTest::missing(Needs::threads)) {
            ADD_FAILURE() << "the shell waits for input the test did not push, and nothing else can push any ("
                          << why << ")";
            std::fflush(stdout);
            std::_Exit(1);
        }
        SDL_Delay(1);
    }
}

#else

void use_stand_in_event_queue(bool) {}

#endif
