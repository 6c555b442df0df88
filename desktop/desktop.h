// The desktop: wallpaper, taskbar (start button, battery, sound, clock), the
// grid of shortcut icons and the description bar that slides in from the top.
#pragma once

#include "core/state.h"

#include <cstdint>

// Paints the whole desktop into screen without refreshing the display (only
// the description bar's slide shows its own frames), as the current window
// shows it: the desktop itself with its selection, from its layer (see
// gfx/layer.h), every other window without. Every window is drawn over it.
void draw_desktop();

// The description bar of desktop_items[item]: slides down one pixel per
// shown frame the first time it is drawn after being switched on or after
// the selection moved, then stays at the top edge. Called by draw_desktop.
void draw_desc_bar(int item);

// The current local time, "%I:%M%p" when twelve_hour is non-zero, else
// "%H:%M", in a buffer of 10 bytes that the next call overwrites.
const char* clock_text(int twelve_hour);

// What the draw operation of a window above the desktop calls first: shows
// the window's layer (gfx/layer.h), the desktop beneath painted by compose
// with what stays of the window (its picture, a page of icons and labels),
// composed anew when anything of it changed: the window, its own values a to
// d (a page, the item it shows), and what every layer's key holds. The
// window's changing parts are then drawn over it.
void show_window_layer(WindowId window, void (*compose)(), intptr_t a = 0, intptr_t b = 0, intptr_t c = 0,
                       intptr_t d = 0);

// Paints the desktop as every window but the desktop shows it beneath
// itself (wallpaper, taskbar, icons; no selection), from the desktop's layer.
void paint_desktop_beneath();

// Frees the desktop's cached pictures and forgets which item the
// description bar was drawn for, so the next draw starts afresh.
void release_desktop_images();
