// Console backend, SDL half: the screen and the buttons as the Wiz's SDL
// presents them (buttons as joystick 0, the touch screen as the mouse).
#include "platform/platform.h"

#include <SDL.h>

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

int platform_wait_event(SDL_Event* event)
{
    return SDL_WaitEvent(event);
}

int platform_poll_event(SDL_Event* event)
{
    return SDL_PollEvent(event);
}

bool platform_button_held(SDL_Joystick* joystick, int button)
{
    SDL_JoystickUpdate();
    return joystick && SDL_JoystickGetButton(joystick, button) == 1;
}
