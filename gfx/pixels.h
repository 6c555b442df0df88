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

#if defined(__arm__) && !defined(__thumb__)
} // namespace pixels_detail

// Rows of a rectangle n pixels wide (1 to 321), their two ends lying alike
// within a word and both pitches whole words, on the ARM926 (written out in
// gfx/pixels_arm.cpp). A call of the C library's copy costs some fifty
// instructions before it moves a byte, as much as a highlight's row holds;
// and under an emulator every turn of a loop costs as much again as the
// instructions in it. So the row's make-up is worked out once, and each row
// jumps into a ladder of twenty blocks of sixteen pixels (one load and one
// store of eight registers each) at the block that leaves as many as the
// row holds, and ends with what is left, without a loop. A pixel comes
// first where the row starts between words.
extern "C" void korvo_copy_rows16(Uint8* to, int to_pitch, const Uint8* from, int from_pitch, int n, int rows);

namespace pixels_detail {

// Rows of any width, in pieces of at most 320 pixels (a whole screen row:
// the ladder's length), which keep the ends' places within their words.
inline void copy_rows16(Uint8* to, int to_pitch, const Uint8* from, int from_pitch, int n, int rows)
{
    constexpr int kPiece = 320;
    for (; n > kPiece + 1; n -= kPiece, to += 2 * kPiece, from += 2 * kPiece)
        korvo_copy_rows16(to, to_pitch, from, from_pitch, kPiece, rows);
    korvo_copy_rows16(to, to_pitch, from, from_pitch, n, rows);
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
#if defined(__arm__) && !defined(__thumb__)
        pixels_detail::copy_rows16(reinterpret_cast<Uint8*>(to), 0, reinterpret_cast<const Uint8*>(from), 0, n, 1);
#else
        std::memcpy(to, from, static_cast<size_t>(n) * 2);
#endif
        return;
    }
    for (; n >= 8; n -= 8, to += 8, from += 8)
        pixels_detail::copy_few16(to, from, 8);
    pixels_detail::copy_few16(to, from, n);
}

// A pixel placed for a surface of a known pitch: how many bytes past a
// corner it goes (the high half) and its value (the low half). A glyph is
// drawn by placing its pixels one by one: its runs are mostly one or two
// pixels long, so this costs under three instructions a pixel and no jump.
constexpr long kMostPlacedOffset = 0xFFFF;

constexpr uint32_t placed_pixel(uint32_t offset, Uint16 value)
{
    return offset << 16 | value;
}

// Placed pixels go four at a time: a list (from first) is made a whole
// number of fours by placing its first pixel again, which changes nothing.
template <typename List>
void pad_placed(List& placed, size_t first)
{
    while ((placed.size() - first) % 4 != 0)
        placed.push_back(placed[first]);
}

// Places count pixels (a multiple of four) from pixel past corner.
inline void put_pixels16(Uint8* corner, const uint32_t* pixel, uint32_t count)
{
#if defined(__arm__) && !defined(__thumb__)
    // One load of four words, then a shift and a store for each.
    if (count == 0)
        return;
    asm volatile("1:\n\t"
                 "ldmia %[p]!, {r4, r5, r6, r7}\n\t"
                 "mov r8, r4, lsr #16\n\tstrh r4, [%[c], r8]\n\t"
                 "mov r8, r5, lsr #16\n\tstrh r5, [%[c], r8]\n\t"
                 "mov r8, r6, lsr #16\n\tstrh r6, [%[c], r8]\n\t"
                 "mov r8, r7, lsr #16\n\tstrh r7, [%[c], r8]\n\t"
                 "subs %[n], %[n], #4\n\t"
                 "bgt 1b"
                 : [p] "+r"(pixel), [n] "+r"(count)
                 : [c] "r"(corner)
                 : "r4", "r5", "r6", "r7", "r8", "cc", "memory");
#else
    auto put = [corner](uint32_t p) { *reinterpret_cast<Uint16*>(corner + (p >> 16)) = static_cast<Uint16>(p); };
    for (; count >= 4; count -= 4, pixel += 4) {
        put(pixel[0]);
        put(pixel[1]);
        put(pixel[2]);
        put(pixel[3]);
    }
#endif
}

namespace pixels_detail {

// One row of a narrow column: by halves of words, or (where the two ends
// lie alike within a word) by words, with a pixel before where the row
// starts between words (Lead) and one after where that leaves an odd one.
template <int N, int Way>
__attribute__((always_inline)) inline void copy_narrow_row16(Uint8* to, const Uint8* from)
{
    if constexpr (Way == 0) {
        copy_few16(reinterpret_cast<Uint16*>(to), reinterpret_cast<const Uint16*>(from), N);
    } else {
        constexpr int kLead = Way == 2 ? 1 : 0;
        constexpr int kRest = N - kLead;
        if constexpr (kLead == 1)
            *reinterpret_cast<Uint16*>(to) = *reinterpret_cast<const Uint16*>(from);
        Word* t = reinterpret_cast<Word*>(to + 2 * kLead);
        const Word* f = reinterpret_cast<const Word*>(from + 2 * kLead);
        for (int i = 0; i < kRest / 2; ++i)
            t[i] = f[i];
        if constexpr (kRest % 2 == 1)
            *reinterpret_cast<Uint16*>(t + kRest / 2) = *reinterpret_cast<const Uint16*>(f + kRest / 2);
    }
}

// Way 0: pixel by pixel; 1: by words from a word's start; 2: a pixel, then
// by words.
template <int N, int Way>
__attribute__((always_inline)) inline void copy_column_way16(Uint8* to, int to_pitch, const Uint8* from,
                                                             int from_pitch, int rows)
{
    // Four rows a turn (see korvo_copy_rows16).
    for (; rows >= 4; rows -= 4, to += 4 * to_pitch, from += 4 * from_pitch) {
        copy_narrow_row16<N, Way>(to, from);
        copy_narrow_row16<N, Way>(to + to_pitch, from + from_pitch);
        copy_narrow_row16<N, Way>(to + 2 * to_pitch, from + 2 * from_pitch);
        copy_narrow_row16<N, Way>(to + 3 * to_pitch, from + 3 * from_pitch);
    }
    if (rows & 2) {
        copy_narrow_row16<N, Way>(to, from);
        copy_narrow_row16<N, Way>(to + to_pitch, from + from_pitch);
        to += 2 * to_pitch;
        from += 2 * from_pitch;
    }
    if (rows & 1)
        copy_narrow_row16<N, Way>(to, from);
}

template <int N>
__attribute__((always_inline)) inline void copy_column16(Uint8* to, int to_pitch, const Uint8* from, int from_pitch,
                                                         int rows)
{
    bool words = N >= 3 && (((reinterpret_cast<uintptr_t>(to) ^ reinterpret_cast<uintptr_t>(from)) | to_pitch |
                             from_pitch) & 3u) == 0;
    if (!words)
        copy_column_way16<N, 0>(to, to_pitch, from, from_pitch, rows);
    else if (reinterpret_cast<uintptr_t>(to) & 2u)
        copy_column_way16<N, 2>(to, to_pitch, from, from_pitch, rows);
    else
        copy_column_way16<N, 1>(to, to_pitch, from, from_pitch, rows);
}

} // namespace pixels_detail

// Copies a rectangle n pixels wide (0 or more) and rows high: a narrow one
// (a frame's side) by a loop made for its width, a wider one row by row.
__attribute__((always_inline)) inline void copy_rect16(Uint8* to, int to_pitch, const Uint8* from, int from_pitch, int n, int rows)
{
    using namespace pixels_detail;
    switch (n) {
    case 0: return;   // (the row copies below start with a pixel)
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
#if defined(__arm__) && !defined(__thumb__)
    if ((((reinterpret_cast<uintptr_t>(to) ^ reinterpret_cast<uintptr_t>(from)) | to_pitch | from_pitch) & 3u) == 0) {
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
