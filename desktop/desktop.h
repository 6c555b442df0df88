// The desktop: wallpaper, taskbar (start button, battery, sound, clock), the
// grid of shortcut icons and the description bar that slides in from the top.
#pragma once

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

// Paints the desktop as every window but the desktop shows it beneath
// itself (wallpaper, taskbar, icons; no selection), from the desktop's layer.
// The windows' compose procedures start with it.
void paint_desktop_beneath();

// Frees the desktop's cached pictures and forgets which item the
// description bar was drawn for, so the next draw starts afresh.
void release_desktop_images();
