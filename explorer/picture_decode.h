// Photos for the image viewer and the slide show, read at no more than the
// size a view needs, so that a camera picture stays within the console's
// memory. JPEGs are decoded already shrunk (libjpeg's scaled decoding) and
// reduced further while their rows are read; large PNGs, and PNGs with a
// side too long for a surface, are read row by row and reduced while they
// are read. Small pictures and the other formats go through load_image, so
// they look exactly as every other picture of the shell. Files are opened
// only when they are regular files, never waiting on a FIFO or a device.
#pragma once

#include <SDL.h>

#include <cstddef>

// The most memory a shown picture may take: every copy of it, the decoder's
// own buffers included, stays below this.
constexpr size_t kPictureMemory = 32u << 20;
// The largest screen-format (16-bit) copy of a picture, as actual size keeps
// it; the rest of kPictureMemory is left to the decoder and the view.
constexpr size_t kMaxPictureBytes = 28u << 20;
// The longest side of a copy: SDL keeps a surface's bytes per row and a
// blit's rectangles in 16 bits.
constexpr int kLargestSide = 16383;

enum class PictureKind { Unknown, Jpeg, Png, Gif, Bmp };

struct PictureHeader {
    PictureKind kind;
    int w, h;
    int bytes_per_pixel;   // of a whole decode by load_image (0: not decoded whole)
};

enum class PictureError { None, TooLarge, Failed };

// Reads the kind and size of the picture file at path from its first bytes,
// whatever its name says. False when it is none of the four kinds or its
// header is cut or gives a side of 0.
bool read_picture_header(const char* path, PictureHeader& header);

// Loads the picture at path in the screen's pixel format; the picture's own
// size goes to header. want_w x want_h is the size asked for, each side at
// most the picture's own. JPEGs and row-read PNGs come at exactly that size,
// or, where a copy that large would break the limits (kMaxPictureBytes,
// kLargestSide), at the largest size of the same shape within them. The
// pictures decoded whole come at their own size, shrunk to the size asked
// for when they are large. None with error set when even that cannot be
// made (TooLarge, found before anything is decoded) or the file cannot be
// read (missing, not a regular file, not a picture, cut short, corrupt).
SDL_Surface* load_picture(const char* path, int want_w, int want_h, PictureHeader& header, PictureError& error);
// load_picture for a caller that has read the header already (with
// read_picture_header): the file is not read for it a second time.
SDL_Surface* decode_picture(const char* path, int want_w, int want_h, PictureHeader& header, PictureError& error);

// A nearest-neighbour copy of image at w x h in its own pixel format, with
// its colour key and alpha; image is freed and replaced. Unlike zoom_image
// it never widens the picture to 32 bits first, so a large picture costs no
// more than itself and its copy.
void shrink_picture(SDL_Surface*& image, int w, int h);

// Replaces image by itself turned counter-clockwise by angle degrees (a
// multiple of 90; anything else counts as the nearest one below). Exact:
// every pixel moves, none is lost or added.
void turn_picture(SDL_Surface*& image, int angle);
