// The two bitmap fonts: a large one (15x15 glyphs) and a small one (9x9),
// each in a black and a white variant of the skin. All of Korvo's text is
// drawn with them.
#pragma once

#include <SDL.h>

// Draws text with its first glyph 3 pixels right of x, top-aligned at y;
// white non-zero picks the white variant. The large font draws at most 50
// characters, the small one 30. A character outside the font takes the glyph
// of the last character before it that the font has (a space when none).
// A surface of none releases that font's images instead, so the next call
// loads them from the skin it is then given.
void draw_text(SDL_Surface* surface, int x, int y, const char* text, int white, const char* skin);
void draw_small_text(SDL_Surface* surface, int x, int y, const char* text, int white, const char* skin);

// The sum of the advances of every character of text, in pixels (no limit,
// no lead of 3).
int text_width(const char* text);
int small_text_width(const char* text);

// Index of c in the fonts' character set, -1 when the fonts lack it.
int font_index(char c);

// Releases the images of both fonts (start-up and the logon screens do so
// before the user's own skin is used).
void release_fonts();
