// Plain text on a framebuffer, for the programs that have no display of
// their own (the installer and the uninstaller link nothing but the C
// runtime). Both backends draw with it: the console's into "/dev/fb0", the
// PC's into the emulated screen the tests look at.
#pragma once

#include <cstdint>

// A framebuffer in memory: 16-bit pixels are RGB565, 32-bit ones XRGB8888.
struct TextScreen {
    uint8_t* pixels;
    int width;
    int height;
    int pitch;             // bytes from one row to the next
    int bytes_per_pixel;   // 2 or 4; anything else draws nothing
};

// Glyph cells are 8x8; lines are kTextLineHeight apart from kTextTop down,
// starting kTextLeft from the left edge.
constexpr int kTextLeft = 4;
constexpr int kTextTop = 4;
constexpr int kTextLineHeight = 10;

// Clears the screen to black and writes the lines in white; characters
// outside 32..126 show as '?', text past an edge is cut.
void draw_screen_text(const TextScreen& screen, const char* const lines[], int count);
