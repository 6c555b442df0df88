// PC backend, SDL half: a window for the screen, and the PC keyboard standing
// in for the console's buttons. A mapped key arrives as the same joystick
// 0 button event the console produces; the mouse is the touch screen.
#include "platform/pc_console.h"
#include "platform/platform.h"

#include <SDL.h>

#include <array>
#include <atomic>
#include <cstdlib>

namespace {

struct KeyBinding {
    SDLKey key;
    int button;
};

// PC key           console button
constexpr std::array<KeyBinding, 19> kKeyBindings = {{
    {SDLK_UP,          0},   // up
    {SDLK_LEFT,        2},   // left
    {SDLK_DOWN,        4},   // down
    {SDLK_RIGHT,       6},   // right
    {SDLK_m,           8},   // menu
    {SDLK_RETURN,      8},
    {SDLK_s,           9},   // select
    {SDLK_TAB,         9},
    {SDLK_l,          10},   // L
    {SDLK_r,          11},   // R
    {SDLK_a,          12},   // A
    {SDLK_b,          13},   // B
    {SDLK_x,          14},   // X
    {SDLK_y,          15},   // Y
    {SDLK_PLUS,       16},   // volume up
    {SDLK_EQUALS,     16},
    {SDLK_KP_PLUS,    16},
    {SDLK_MINUS,      17},   // volume down
    {SDLK_KP_MINUS,   17},
}};

constexpr int kButtonCount = 18;
std::array<std::atomic<bool>, kButtonCount> held_by_test{};

int button_for_key(SDLKey key)
{
    for (const KeyBinding& binding : kKeyBindings)
        if (binding.key == key)
            return binding.button;
    return -1;
}

// Turns a mapped key into the console's button event; other events pass.
void translate(SDL_Event* event)
{
    if (event->type == SDL_QUIT)
        std::exit(0);
    if (event->type != SDL_KEYDOWN && event->type != SDL_KEYUP)
        return;
    int button = button_for_key(event->key.keysym.sym);
    if (button < 0)
        return;
    bool down = event->type == SDL_KEYDOWN;
    SDL_Event joy{};
    joy.jbutton.type = down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
    joy.jbutton.which = 0;
    joy.jbutton.button = static_cast<Uint8>(button);
    joy.jbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
    *event = joy;
}

} // namespace

void pc_hold_button(int button, bool held)
{
    if (button >= 0 && button < kButtonCount)
        held_by_test[static_cast<size_t>(button)] = held;
}

void pc_release_buttons()
{
    for (std::atomic<bool>& held : held_by_test)
        held = false;
}

SDL_Surface* platform_open_display()
{
    SDL_WM_SetCaption("Korvo", "Korvo");
    return SDL_SetVideoMode(320, 240, 16, SDL_SWSURFACE);
}

void platform_update(SDL_Surface* screen, int x, int y, int w, int h)
{
    SDL_UpdateRect(screen, x, y, static_cast<Uint32>(w), static_cast<Uint32>(h));
}

int platform_wait_event(SDL_Event* event)
{
    int got = SDL_WaitEvent(event);
    if (got)
        translate(event);
    return got;
}

int platform_poll_event(SDL_Event* event)
{
    int got = SDL_PollEvent(event);
    if (got)
        translate(event);
    return got;
}

bool platform_button_held(SDL_Joystick* joystick, int button)
{
    if (button >= 0 && button < kButtonCount && held_by_test[static_cast<size_t>(button)])
        return true;
    if (joystick) {
        SDL_JoystickUpdate();
        if (SDL_JoystickGetButton(joystick, button) == 1)
            return true;
    }
    SDL_PumpEvents();
    int count = 0;
    const Uint8* keys = SDL_GetKeyState(&count);
    for (const KeyBinding& binding : kKeyBindings)
        if (binding.button == button && binding.key < count && keys[binding.key])
            return true;
    return false;
}
