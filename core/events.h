// Waiting for input with the inactivity timers, the touch hit test, and the
// double-tap timer.
#pragma once

#include <SDL.h>

#include <ctime>

// Waits for the next event into `event`, keeping the screensaver and
// power-off timers armed while it waits; the first event after the backlight
// went off switches it on again (and is handled like any other).
void wait_event();
// The same wait into a record of the caller's own: the modal dialogs and
// screens (message boxes, keyboard, logon) wait with the timers armed too,
// so a console left at one of them dims and powers off as anywhere else.
void wait_event_into(SDL_Event& into);

// 1 when (px, py) lies in the rectangle (x, y, w, h), both edges inclusive:
// the rectangle accepts w + 1 columns and h + 1 rows.
int point_in_rect(int px, int py, int x, int y, int w, int h);
// point_in_rect against a layout rectangle.
bool point_in(int px, int py, const SDL_Rect& r);
// True when e is a touch (mouse button press) inside r.
bool touch_in(const SDL_Event& e, const SDL_Rect& r);

// The next highlight of a list of count items that wraps at both ends:
// index + step (step -1 or +1), from the last to the first and back.
constexpr int wrapped_step(int index, int step, int count)
{
    return (index + step + count) % count;
}

// Timer callbacks (SDL's timer thread).
Uint32 saver_expired(Uint32 interval, void* param);
Uint32 off_expired(Uint32 interval, void* param);
Uint32 tap_expired(Uint32 interval, void* param);

// A first tap: sets tap_pending and arms the 300 ms tap timer that clears it.
void start_tap_window();

// The event the power-off timer posts; wait_event acts on it (main thread).
constexpr int kPowerOffEventCode = 0x4B6F;   // in SDL_USEREVENT's user.code

// The taskbar clock shows minutes, and an idle desktop would otherwise keep
// showing the minute of its last event. The clock timer fires just after
// each minute begins and, while a window handler waits in wait_event, posts
// a tick; wait_event hands the tick to the handler (which has no use for
// it) so that the main loop draws once more. A tick is no input: it leaves
// the screensaver and power-off timers running and does not wake a dark
// screen (nor is it handed on while the screen is dark).
constexpr int kClockTickEventCode = 0x4B74;   // in SDL_USEREVENT's user.code
bool is_clock_tick(const SDL_Event& e);

// The event the sound player's music posts when it ends by itself (from
// the audio thread). It is no input either: the idle timers keep running
// and a dark screen stays dark. A dialog's wait hands it on (the player
// shows that the sound stopped); a window handler's wait drops it.
constexpr int kSoundEndedEventCode = 0x4B73;   // in SDL_USEREVENT's user.code
bool is_sound_end(const SDL_Event& e);
// Arms the clock timer (once; later calls do nothing).
void start_clock_timer();
Uint32 clock_tick_expired(Uint32 interval, void* param);
// Milliseconds from now to just after the next minute begins.
Uint32 ms_to_next_minute(time_t now);
