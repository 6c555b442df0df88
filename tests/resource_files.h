// Pictures and sounds that tests write into their working directory's
// resources, so that positions can be checked on screen pixels independently
// of the artwork.
#pragma once

#include <SDL.h>

#include <string>

// A colour that survives the 16-bit screen unchanged.
struct Rgb {
    Uint8 r, g, b;
};

// Writes a w x h picture of one colour to path (a BMP under whatever name:
// the loader goes by content), replacing a link to a delivered file.
void write_solid_picture(const std::string& path, int w, int h, Rgb colour);
// The same at "resources/skin/<skin>/<name>".
void write_skin_picture(const std::string& skin, const std::string& name, int w, int h, Rgb colour);

// Font strips for skin whose glyph i is a solid block: red and green encode
// i, blue tells which font and variant drew it.
enum class FontCode { LargeBlack = 40, LargeWhite = 80, SmallBlack = 120, SmallWhite = 160 };
void write_coded_fonts(const std::string& skin);
// The glyph index drawn at (x, y) of surface, -1 when no glyph is there.
int glyph_at(SDL_Surface* surface, int x, int y);
// The font and variant that drew (x, y); only meaningful on a glyph.
FontCode font_at(SDL_Surface* surface, int x, int y);

// True when (x, y) of surface shows colour exactly.
bool shows(SDL_Surface* surface, int x, int y, Rgb colour);
void fill(SDL_Surface* surface, Rgb colour);
// A 32 x 32 surface of one colour in the screen's format (a shortcut icon).
SDL_Surface* make_icon(Rgb colour);

// A short silent 16-bit PCM WAV file.
std::string silent_wav();
