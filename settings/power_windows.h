// The three small settings windows over the system window: "off" (automatic
// power-off interval), "saver" (screensaver interval) and "bright" (backlight
// brightness), each a list of four choices.
#pragma once

// Draws the power window that is current over the system window.
void draw_power_window();
// Waits for one event and handles it for the current power window: moving
// the highlight, accepting (stored and saved at once) or cancelling.
void power_window_input();
