// Scaling pictures without smoothing: every pixel of the scaled picture is a
// copy of one pixel of the original. The one scaler of the shell (wallpapers,
// account pictures, icons, the image viewer), on the PC as on the console.
#pragma once

#include <SDL.h>

// The size a w x h picture scaled by factor_x, factor_y gets: each side
// rounded to the nearest whole pixel, at least 1; factors are taken as their
// size (a negative one mirrors nothing) and at least 0.001.
void zoom_size(int w, int h, double factor_x, double factor_y, int& out_w, int& out_h);

// A new picture of zoom_size(source...). An 8-bit picture stays 8-bit with
// the same palette, colour-keyed by the original's key (the key counts
// whether or not the original used it); a 32-bit one stays 32-bit with the
// same masks and per-pixel alpha switched on; any other kind is widened to
// 32-bit RGBA first by a plain blit (keyed pixels of the original come out
// transparent black). nullptr when there is no source or no memory.
SDL_Surface* zoom_surface(SDL_Surface* source, double factor_x, double factor_y);
