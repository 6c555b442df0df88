// Copying rows of 16-bit pixels.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <cstring>

namespace pixels_detail {

typedef uint32_t __attribute__((may_alias)) Word;

// Up to eight pixels, one by one: a glyph's runs are mostly two pixels
// long, a frame's sides four.
__attribute__((always_inline)) inline void copy_few16(Uint16* to, const Uint16* from, int n)
{
    switch (n) {
    case 8: to[7] = from[7]; [[fallthrough]];
    case 7: to[6] = from[6]; [[fallthrough]];
    case 6: to[5] = from[5]; [[fallthrough]];
    case 5: to[4] = from[4]; [[fallthrough]];
    case 4: to[3] = from[3]; [[fallthrough]];
    case 3: to[2] = from[2]; [[fallthrough]];
    case 2: to[1] = from[1]; [[fallthrough]];
    case 1: to[0] = from[0]; [[fallthrough]];
    default: break;
    }
}

#if defined(__arm__)
// A row whose two ends lie alike within a word, on the ARM926: a call of
// the C library's copy costs some fifty instructions before it moves a
// byte, as much as a highlight's row holds, and moves long rows in blocks
// no larger than these. Here a pixel before the first whole word, then
// blocks of sixteen pixels with one load and one store of eight registers
// each, then what is left.
__attribute__((noinline)) inline void copy_words16(Uint16* to, const Uint16* from, int n)
{
    if (reinterpret_cast<uintptr_t>(to) & 2u) {
        *to++ = *from++;
        --n;
    }
    Word* t = reinterpret_cast<Word*>(to);
    const Word* f = reinterpret_cast<const Word*>(from);
    for (int blocks = n >> 4; blocks > 0; --blocks)
        asm volatile("ldmia %0!, {r3, r4, r5, r6, r7, r8, r9, r10}\n\tstmia %1!, {r3, r4, r5, r6, r7, r8, r9, r10}"
                     : "+r"(f), "+r"(t)
                     :
                     : "r3", "r4", "r5", "r6", "r7", "r8", "r9", "r10", "memory");
    if (n & 8)
        asm volatile("ldmia %0!, {r3, r4, r5, r6}\n\tstmia %1!, {r3, r4, r5, r6}"
                     : "+r"(f), "+r"(t)
                     :
                     : "r3", "r4", "r5", "r6", "memory");
    if (n & 4) {
        t[0] = f[0];
        t[1] = f[1];
        t += 2;
        f += 2;
    }
    if (n & 2)
        *t++ = *f++;
    if (n & 1)
        *reinterpret_cast<Uint16*>(t) = *reinterpret_cast<const Uint16*>(f);
}

// Rows of a rectangle n pixels wide (n above 8 and below 64), their ends
// lying alike within a word: the row's make-up is worked out once, and each
// row copied in blocks of eight pixels.
__attribute__((noinline)) inline void copy_rows16(Uint8* to, int to_pitch, const Uint8* from, int from_pitch, int n,
                                                  int rows)
{
    bool lead = (reinterpret_cast<uintptr_t>(to) & 2u) != 0;
    int rest = lead ? n - 1 : n;
    int blocks = rest >> 3;
    for (; rows > 0; --rows, to += to_pitch, from += from_pitch) {
        Uint16* t16 = reinterpret_cast<Uint16*>(to);
        const Uint16* f16 = reinterpret_cast<const Uint16*>(from);
        if (lead)
            *t16++ = *f16++;
        Word* t = reinterpret_cast<Word*>(t16);
        const Word* f = reinterpret_cast<const Word*>(f16);
        for (int b = blocks; b > 0; --b)
            asm volatile("ldmia %0!, {r3, r4, r5, r6}\n\tstmia %1!, {r3, r4, r5, r6}"
                         : "+r"(f), "+r"(t)
                         :
                         : "r3", "r4", "r5", "r6", "memory");
        if (rest & 4) {
            t[0] = f[0];
            t[1] = f[1];
            t += 2;
            f += 2;
        }
        if (rest & 2)
            *t++ = *f++;
        if (rest & 1)
            *reinterpret_cast<Uint16*>(t) = *reinterpret_cast<const Uint16*>(f);
    }
}
#endif

} // namespace pixels_detail

// Copies n 16-bit pixels: a few one by one; a longer row whose two ends lie
// alike within a word by words (on the PC by the C library's copy);
// otherwise eight at a time.
__attribute__((always_inline)) inline void copy_pixels16(Uint16* to, const Uint16* from, int n)
{
    if (n <= 8) {
        pixels_detail::copy_few16(to, from, n);
        return;
    }
    if (((reinterpret_cast<uintptr_t>(to) ^ reinterpret_cast<uintptr_t>(from)) & 3u) == 0) {
#if defined(__arm__)
        pixels_detail::copy_words16(to, from, n);
#else
        std::memcpy(to, from, static_cast<size_t>(n) * 2);
#endif
        return;
    }
    for (; n >= 8; n -= 8, to += 8, from += 8)
        pixels_detail::copy_few16(to, from, 8);
    pixels_detail::copy_few16(to, from, n);
}

// A run of a prepared picture or glyph: length pixels copied to `to` bytes
// past the target's corner, from `from` bytes past the source's start.
struct PixelCopy {
    uint32_t to, from, length;
};

// Copies the runs from copy to end. A glyph's runs are mostly one or two
// pixels long: those are copied without a jump.
inline void copy_runs16(Uint8* corner, const Uint8* source, const PixelCopy* copy, const PixelCopy* end)
{
    for (; copy != end; ++copy) {
        Uint16* to = reinterpret_cast<Uint16*>(corner + copy->to);
        const Uint16* from = reinterpret_cast<const Uint16*>(source + copy->from);
        uint32_t n = copy->length;
        if (n <= 2) {
            to[0] = from[0];
            if (n == 2)
                to[1] = from[1];
            continue;
        }
        copy_pixels16(to, from, static_cast<int>(n));
    }
}

namespace pixels_detail {

template <int N>
__attribute__((always_inline)) inline void copy_column16(Uint8* to, int to_pitch, const Uint8* from, int from_pitch,
                                                         int rows)
{
    for (; rows > 0; --rows, to += to_pitch, from += from_pitch)
        copy_few16(reinterpret_cast<Uint16*>(to), reinterpret_cast<const Uint16*>(from), N);
}

} // namespace pixels_detail

// Copies a rectangle n pixels wide and rows high: a narrow one (a frame's
// side) by a loop made for its width, a wider one row by row.
inline void copy_rect16(Uint8* to, int to_pitch, const Uint8* from, int from_pitch, int n, int rows)
{
    using namespace pixels_detail;
    switch (n) {
    case 1: copy_column16<1>(to, to_pitch, from, from_pitch, rows); return;
    case 2: copy_column16<2>(to, to_pitch, from, from_pitch, rows); return;
    case 3: copy_column16<3>(to, to_pitch, from, from_pitch, rows); return;
    case 4: copy_column16<4>(to, to_pitch, from, from_pitch, rows); return;
    case 5: copy_column16<5>(to, to_pitch, from, from_pitch, rows); return;
    case 6: copy_column16<6>(to, to_pitch, from, from_pitch, rows); return;
    case 7: copy_column16<7>(to, to_pitch, from, from_pitch, rows); return;
    case 8: copy_column16<8>(to, to_pitch, from, from_pitch, rows); return;
    default: break;
    }
#if defined(__arm__)
    if (n < 64 && (((reinterpret_cast<uintptr_t>(to) ^ reinterpret_cast<uintptr_t>(from)) | to_pitch | from_pitch) & 3u) == 0) {
        copy_rows16(to, to_pitch, from, from_pitch, n, rows);
        return;
    }
#endif
    for (; rows > 0; --rows, to += to_pitch, from += from_pitch)
        copy_pixels16(reinterpret_cast<Uint16*>(to), reinterpret_cast<const Uint16*>(from), n);
}

// A rectangle of a prepared picture: length pixels wide and rows high,
// copied to `to` bytes past the target's corner from `from` bytes past the
// source's start.
struct PixelBlock {
    uint32_t to, from;
    uint16_t length, rows;
};

// Copies the blocks from block to end, onto a target whose rows are pitch
// bytes apart from a source whose rows are source_pitch apart.
inline void copy_blocks16(Uint8* corner, int pitch, const Uint8* source, int source_pitch, const PixelBlock* block,
                          const PixelBlock* end)
{
    for (; block != end; ++block)
        copy_rect16(corner + block->to, pitch, source + block->from, source_pitch, block->length, block->rows);
}
