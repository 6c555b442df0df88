// Pictures: loading (converted once to the screen's pixel format), the
// skin lookup, scaling, and the rectangles every blit uses.
#pragma once

#include <SDL.h>

// Loads a picture file and converts it to the screen's pixel format, keeping
// its colour key (or, for a picture with an alpha channel, its per-pixel
// alpha), so every later blit is a plain copy. None when it cannot be loaded.
SDL_Surface* load_image(const char* path);

// Converts a freshly loaded picture to the screen's pixel format as
// load_image does, freeing it; without a video mode it is kept as it is.
SDL_Surface* to_screen_format(SDL_Surface* loaded);

// Loads name from the skin: "resources/skin/<skin>/<name>", except names
// whose first ten characters are "wallpaper/" or "icondataba", which are
// taken from "resources/<name>". None when the file cannot be loaded or the
// path does not fit the 50-byte path buffer. The caller owns the surface.
SDL_Surface* load_skin_image(const char* name, const char* skin);
// The path load_skin_image loads name from; false when it does not fit.
bool skin_image_path(char (&path)[50], const char* name, const char* skin);

// Replaces image by a copy scaled to width x height (no smoothing), in the
// screen's pixel format, keeping the colour key; frees the old surface.
void zoom_image(SDL_Surface*& image, double width, double height);

// Stores x, y (signed 16-bit) and w, h (unsigned 16-bit) into rect.
void set_rect(SDL_Rect& rect, int x, int y, int w, int h);

// Keeps a picture of the skin in handle: loads name on first use (and after
// a failed load), then keeps it for the rest of the run. A colour-keyed one
// is blitted by its spans of opaque pixels (gfx/spans.h), or, where it has
// none, run-length encoded.
void load_cached(SDL_Surface*& handle, const char* name, const char* skin);

// Marks a colour-keyed picture for run-length encoding and returns it: its
// blits then copy runs of opaque pixels and skip runs of transparent ones,
// showing exactly the pixels the plain keyed blit shows; SDL decodes them
// for every blit, a span of a keyed picture is copied plainly.
SDL_Surface* run_length_encoded(SDL_Surface* picture);

// Blits the whole of image onto target at (x, y); nothing for a missing image.
void blit_onto(SDL_Surface* target, SDL_Surface* image, int x, int y);
// The same onto screen.
void blit_at(SDL_Surface* image, int x, int y);
// Fills the rectangle of screen with one colour.
void fill_rect(int x, int y, int w, int h, Uint8 r, Uint8 g, Uint8 b);

// Shows the whole 320x240 surface on the display.
void show_whole_screen(SDL_Surface* surface);
