// Start-up, the main loop and its dispatch table.
#pragma once

#include "core/state.h"

// One row per window: its draw operation (paints over the screen without
// refreshing it), its input handler (calls wait_event once and acts), and
// whether that handler acts on button releases as well as on presses and
// touches.
struct WindowRow {
    WindowId id;
    void (*draw)();
    void (*input)();
    bool acts_on_release;
};
const WindowRow& window_row(WindowId id);

// Brings the devices, SDL and the mixer up, sets the processor clock, logs a
// user on and applies the user's settings.
void start_up();
// The entry's steps after start-up: removes a leftover launch script, puts
// back an automatic logon parked by a log-off, shows the desktop.
void prepare_main_loop();
// prepare_main_loop, then the main loop for ever.
[[noreturn]] void enter_shell();
// One pass of the main loop: the window-change set-up when current_window
// changed; the current window's draw and a refresh of the screen when the
// screen is out of date; then the window's input. The screen is out of date
// after a change of window, after an event the window's handler acts on
// (a button press or a touch, and a release in a window that acts on
// releases) and when the taskbar clock's minute has passed; mouse motion,
// lifts and every other event draw nothing.
void main_loop_pass();
// The drawing half of a pass: the window-change set-up when current_window
// changed, then the draw and refresh when the screen is out of date.
void main_loop_draw();
// Marks the screen out of date, so that the next pass draws it again.
void redraw_screen();
// The set-up for a change of window (also run by the first pass).
void window_change_setup();
