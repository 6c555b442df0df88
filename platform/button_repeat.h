// Auto-repeat of the direction and volume buttons, shared by both backends'
// input source (platform_wait_event and platform_poll_event), so that every
// window, list and dialog gets it alike: a button held for kRepeatDelayMs
// arrives again as a press every kRepeatIntervalMs until it is released.
//
// Only presses are repeated, never releases: the sidebar, which acts on the
// release of L or R, and the recovery check of R at start-up see the
// button exactly as before.
#pragma once

#include <SDL.h>

#include <array>

constexpr Uint32 kRepeatDelayMs = 400;
constexpr Uint32 kRepeatIntervalMs = 100;

// up, left, down, right, volume up, volume down
constexpr std::array<int, 6> kRepeatingButtons = {0, 2, 4, 6, 16, 17};

constexpr bool button_repeats(int button)
{
    for (int b : kRepeatingButtons)
        if (b == button)
            return true;
    return false;
}

// The one button that repeats (the last repeating one pressed), and when.
struct ButtonRepeat {
    int button = -1;      // -1: none held
    Uint32 due_ms = 0;    // SDL_GetTicks time of its next press
};

// Notes an event on its way to the shell: a press of a repeating button
// starts its repeat; its release, or a press of any other button, ends it.
inline void repeat_note(ButtonRepeat& r, const SDL_Event& e, Uint32 now_ms)
{
    if (e.type == SDL_JOYBUTTONDOWN) {
        bool starts = button_repeats(e.jbutton.button) && e.jbutton.button != r.button;
        if (starts) {
            r.button = e.jbutton.button;
            r.due_ms = now_ms + kRepeatDelayMs;
        } else if (e.jbutton.button != r.button) {
            r.button = -1;
        }
    } else if (e.type == SDL_JOYBUTTONUP && e.jbutton.button == r.button) {
        r.button = -1;
    }
}

inline bool repeat_armed(const ButtonRepeat& r)
{
    return r.button >= 0;
}

// Signed, so that a tick count that wrapped around still compares.
inline bool repeat_due(const ButtonRepeat& r, Uint32 now_ms)
{
    return repeat_armed(r) && static_cast<Sint32>(now_ms - r.due_ms) >= 0;
}

// The repeated press, and the time of the next one. Called when
// repeat_due; still_held false (the button went up without its release
// reaching us) ends the repeat instead, and false is returned.
inline bool repeat_press(ButtonRepeat& r, Uint32 now_ms, bool still_held, SDL_Event* event)
{
    if (!still_held) {
        r.button = -1;
        return false;
    }
    SDL_Event press{};
    press.jbutton.type = SDL_JOYBUTTONDOWN;
    press.jbutton.which = 0;
    press.jbutton.button = static_cast<Uint8>(r.button);
    press.jbutton.state = SDL_PRESSED;
    *event = press;
    // A slow window does not collect a burst of presses to catch up with.
    r.due_ms = now_ms + kRepeatIntervalMs;
    return true;
}
