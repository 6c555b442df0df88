// The two bitmap fonts: a large one (15x15 glyphs) and a small one (9x9),
// each in a black and a white variant of the skin. All of Korvo's text is
// drawn with them.
#pragma once

#include <SDL.h>

#include <cstddef>

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

// Texts that must stay inside a field (a bar, a row, a box) are cut to fit
// it rather than run over its edge.
enum class FontSize { Large, Small };

// Writes into fitted (capacity bytes) the text as it fits in a field of
// `field` pixels of the font, within the font's character limit: the whole
// text when it fits; else its longest start that fits followed by "..."
// (blanks before the "..." dropped); else, in a field too narrow for the
// "...", the longest start that fits alone. Returns the width of what it
// wrote (text_width or small_text_width of fitted). keep_free characters of
// the font's limit are left for an ending the caller adds (a "?").
int fit_text(FontSize size, const char* text, int field, char* fitted, size_t capacity, size_t keep_free = 0);

// Draws text cut to fit a field of `field` pixels (as fit_text), its first
// glyph 3 pixels right of x as with draw_text.
void draw_fitted_text(SDL_Surface* surface, FontSize size, int x, int y, int field, const char* text, int white,
                      const char* skin);
// The same, centred on x = centre by the width of what is drawn.
void draw_centred_text(SDL_Surface* surface, FontSize size, int centre, int y, int field, const char* text,
                       int white, const char* skin);

// Index of c in the fonts' character set, -1 when the fonts lack it.
int font_index(char c);

// Releases the images of both fonts (start-up and the logon screens do so
// before the user's own skin is used).
void release_fonts();
