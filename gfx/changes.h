// The changed parts of the screen. Every drawing helper (blit_onto and
// blit_at, the text operations, fill_rect) notes the rectangle of the screen
// it drew on; a frame of the main loop or of a dialog's loop is drawn
// between begin_frame and end_frame, and end_frame shows the display only
// the rectangles that changed in between.
//
// A frame also tells whether the screen still holds what the last frame
// left on it: drawing on the screen outside a frame (a handler's direct
// draw, a dialog) or showing it outside a frame means it may not, and the
// next frame is then drawn and shown whole (see gfx/layer.h).
#pragma once

#include <SDL.h>

// Notes that the rectangle x, y, w, h of the screen changed (clipped to the
// screen; nothing for an empty one).
void note_changed(int x, int y, int w, int h);
// The whole screen changed: the next end_frame shows all of it.
void note_whole_screen_changed();

// Starts a frame: from here the draws are collected.
void begin_frame();
// Ends the frame: shows the changed rectangles on the display (all of the
// screen once anything drew over most of it, or after
// note_whole_screen_changed) and forgets them.
void end_frame();
// Whether a frame is being drawn.
bool in_frame();
// Whether the screen holds exactly what the last end_frame showed: nothing
// drew on it and nothing showed it since.
bool screen_as_last_shown();
// Something outside the frames drew on the screen or showed it (a dialog
// that refreshes the display itself): the next frame starts afresh.
void note_screen_overdrawn();

// The rectangles the last end_frame showed, and how many pixels they cover.
int last_shown_rects(const SDL_Rect*& rects);
long last_shown_pixels();
