// The system window: the control panel whose eight icons open the settings
// windows and tools (accounts, USB, wallpaper, files, power-off, brightness,
// screensaver, skin).
#pragma once

// Draws the window; its highlight and description only while it is the
// current window, so the settings windows it opens draw it as their
// background.
void draw_system_window();
// Waits for one event and handles it: moving the highlight, opening an item
// with button 13 or a double tap, closing.
void system_window_input();
