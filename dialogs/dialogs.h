// The modal dialogs every window uses. Each runs its own small event loop,
// waiting with the screensaver and power-off timers armed as every window
// does, and never changes current_window.
#pragma once

#include <SDL.h>
#include <cstddef>

// Shows text in a box of the skin and waits for the answer: a notice
// (question 0) with an OK button, or a question with Yes and No. Returns 1
// for OK or Yes, 0 for No or the close box. The shared `event` is left as
// the caller had it.
int message_box(SDL_Surface* surface, const char* text, int question, const char* skin);

// Draws the "Please wait..." picture over the screen before a slow step.
void wait_box(SDL_Surface* surface, const char* skin);

// Lets the user edit text (capacity bytes, terminator included) with the
// on-screen keyboard. Returns 1 when accepted, 0 when cancelled; the buffer
// holds the edited text either way. At most 22 characters, and never more
// than the buffer holds.
int on_screen_keyboard(SDL_Surface* surface, char* text, size_t capacity, const char* skin);

// The keyboard's state, kept between uses: the shift layout (0 or 1) that the
// next keyboard opens in, the highlighted key (0-39, back to 0 at every
// close) and the top edge of its picture (-240 hidden, 0 open).
extern int keyboard_shift;
extern int keyboard_cursor;
extern int keyboard_slide_y;

template <size_t N>
int on_screen_keyboard(SDL_Surface* surface, char (&text)[N], const char* skin)
{
    return on_screen_keyboard(surface, text, N, skin);
}
