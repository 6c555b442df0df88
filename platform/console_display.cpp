// Console backend, SDL half: the screen and the buttons as the Wiz's SDL
// presents them (buttons as joystick 0, the touch screen as the mouse).
#include "platform/button_repeat.h"
#include "platform/platform.h"

#include <SDL.h>

namespace {

constexpr Uint32 kRepeatPollMs = 5;

ButtonRepeat repeat;

// The button's release always reaches the queue on the console, so a due
// repeat needs no second look at the joystick.
bool take_repeat(SDL_Event* event)
{
    Uint32 now = SDL_GetTicks();
    return repeat_due(repeat, now) && repeat_press(repeat, now, true, event);
}

int deliver(const SDL_Event* event)
{
    repeat_note(repeat, *event, SDL_GetTicks());
    return 1;
}

} // namespace

SDL_Surface* platform_open_display()
{
    SDL_ShowCursor(0);
    SDL_WM_GrabInput(SDL_GRAB_ON);
    return SDL_SetVideoMode(320, 240, 16, 0);
}

void platform_update(SDL_Surface* screen, int x, int y, int w, int h)
{
    SDL_UpdateRect(screen, x, y, static_cast<Uint32>(w), static_cast<Uint32>(h));
}

void platform_update_rects(SDL_Surface* screen, const SDL_Rect* rects, int count)
{
    SDL_UpdateRects(screen, count, const_cast<SDL_Rect*>(rects));
}

int platform_wait_event(SDL_Event* event)
{
    // While a button repeats, the wait looks at the clock as well.
    while (repeat_armed(repeat)) {
        if (SDL_PollEvent(event))
            return deliver(event);
        if (take_repeat(event))
            return 1;
        SDL_Delay(kRepeatPollMs);
    }
    int got = SDL_WaitEvent(event);
    if (got)
        deliver(event);
    return got;
}

int platform_poll_event(SDL_Event* event)
{
    if (SDL_PollEvent(event))
        return deliver(event);
    return take_repeat(event) ? 1 : 0;
}

bool platform_button_held(SDL_Joystick* joystick, int button)
{
    SDL_JoystickUpdate();
    return joystick && SDL_JoystickGetButton(joystick, button) == 1;
}
