// Copying rows of 16-bit pixels.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <cstring>

// Copies n 16-bit pixels. The C library's copy is fastest for long runs
// whose two ends lie alike within a word; it falls back to byte copies when
// they do not (a picture's span drawn at an odd x), and costs more than it
// copies for a few pixels. Those are copied a pixel at a time.
inline void copy_pixels16(Uint16* to, const Uint16* from, int n)
{
    if (n >= 16 && ((reinterpret_cast<uintptr_t>(to) ^ reinterpret_cast<uintptr_t>(from)) & 3u) == 0) {
        std::memcpy(to, from, static_cast<size_t>(n) * 2);
        return;
    }
    for (; n >= 4; n -= 4, to += 4, from += 4) {
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
        to[3] = from[3];
    }
    for (; n > 0; --n)
        *to++ = *from++;
}
