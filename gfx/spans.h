// Keyed pictures copied as spans: a window frame is opaque but for a few
// corner pixels, yet a keyed blit tests every pixel of it. Such a picture is
// looked at once, and its opaque pixels are kept as spans along its rows; a
// blit then copies each span plainly (a whole row at a time where the row
// has no keyed pixel) and skips only the keyed pixels, showing exactly what
// the keyed blit shows.
#pragma once

#include <SDL.h>

// Prepares the spans of a 16-bit colour-keyed picture and keeps them while
// the picture lives (the table holds a reference of its own, let go once
// nobody else holds the picture). Returns false, preparing nothing, for any
// other picture or when the table is full. Safe to call again.
bool prepare_spans(SDL_Surface* picture);

// Whether any pixel of picture inside r (in the picture's own coordinates)
// shows when it is blitted: not the key colour. True for a picture that is
// not a 16-bit keyed one, whose pixels are not looked at.
bool opaque_within(const SDL_Surface* picture, const SDL_Rect& r);

// Whether the pixel x, y of picture (its own coordinates) shows when it is
// blitted: inside it and not the key colour. True inside a picture that is
// not a 16-bit keyed one, whose pixels are not looked at.
bool pixel_shows(const SDL_Surface* picture, int x, int y);

// The rectangles (in the picture's own coordinates) that hold every opaque
// pixel of a picture with spans: a few for a frame's sides, else the one
// around them all. 0 for a picture without spans.
int span_cover(const SDL_Surface* picture, const SDL_Rect*& rects);

// Whether the table holds a reference to picture (its owners hold the rest).
bool has_spans(const SDL_Surface* picture);

// Blits picture onto target at (x, y) by its spans, clipped to the target's
// clip rectangle; false, drawing nothing, when it has none or they do not
// fit the target (another pixel format, a per-surface alpha set since) and
// SDL must blit it. dest receives the part of the target that was drawn on.
bool blit_spans(SDL_Surface* picture, SDL_Surface* target, int x, int y, SDL_Rect& dest);

// Puts back what picture, blitted by its spans onto target where it covered
// the rectangle where, changed there: a few rectangles holding its opaque
// pixels are copied from beneath, a surface of target's size and format (a
// layer). False, copying
// nothing, when the picture has no spans or where is not the whole picture
// wholly inside the target (a blit clipped it).
bool restore_spans(const SDL_Surface* picture, const SDL_Surface* beneath, SDL_Surface* target, const SDL_Rect& where);
