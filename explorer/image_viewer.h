// The image viewer (a framed view of one picture: fitted, zoomed, at its
// actual size, panned with the buttons or by dragging) and the slide show
// of all pictures of its directory, full screen, turned in steps of 90
// degrees. Both are modal: they return to the explorer, which repaints.
#pragma once

#include <SDL.h>

// Shows the picture at path (a file of directory, which ends in "/") until
// the user leaves, directly or through the slide show.
void image_viewer(SDL_Surface* surface, const char* directory, const char* path, const char* skin);

// Shows the "png", "bmp", "jpg" and "gif" files of directory one at a time,
// the picture at path first, until a button 14 or a touch.
void slide_show(SDL_Surface* surface, const char* directory, const char* path, const char* skin);

// Shows the picture at path turned counter-clockwise by angle degrees (a
// multiple of 90), fitted to the screen, on black. 0 when it cannot be
// shown, after the notice "Picture too large!" for a picture whose copy
// would not fit the memory a picture may take, else "Load failed!".
int show_slide(SDL_Surface* surface, const char* path, const char* skin, int angle);

// The slide show's rotation in degrees (0-360). It outlives a show left by
// a touch and is set back to 0 only when a show is left with button 14.
extern int slide_angle;
