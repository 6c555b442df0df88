// Start-up, the main loop and its dispatch table.
#pragma once

#include "core/state.h"

// One row per window: its draw operation (paints over the screen without
// refreshing it) and its input handler (calls wait_event once and acts).
struct WindowRow {
    WindowId id;
    void (*draw)();
    void (*input)();
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
// changed, the current window's draw and input, a refresh of the screen.
void main_loop_pass();
// The set-up for a change of window (also run by the first pass).
void window_change_setup();
