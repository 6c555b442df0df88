// libpng 1.2's interface, the part Korvo and its tests call, for the Wiz build: the
// firmware carries libpng 1.2.33 (libpng.so.3, SDL_image's own), Debian only
// 1.6's headers. The declarations are those of libpng 1.2's png.h, with its
// types (png_uint_32 is an unsigned long there); the library checks the
// version string Korvo hands png_create_read_struct against its own, so a
// library of another series refuses the reader instead of misreading it.
//
// Found before the armel root's png.h because the Wiz build puts this
// folder first on the include path (CMakeLists.txt); every other build uses
// the system's libpng.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#define PNG_LIBPNG_VER_STRING "1.2.33"
#define PNG_INTERLACE_NONE 0
#define PNG_INTERLACE_ADAM7 1
#define PNG_COLOR_TYPE_GRAY 0
#define PNG_COLOR_TYPE_RGB 2
#define PNG_COLOR_TYPE_PALETTE 3
#define PNG_COLOR_TYPE_RGB_ALPHA 6
#define PNG_COMPRESSION_TYPE_DEFAULT 0
#define PNG_FILTER_TYPE_DEFAULT 0

extern "C" {

typedef unsigned char png_byte;
typedef png_byte* png_bytep;
typedef unsigned long png_uint_32;
typedef void* png_voidp;
typedef const char* png_const_charp;
typedef unsigned short png_uint_16;
typedef std::FILE* png_FILE_p;

typedef struct png_color_struct {
    png_byte red;
    png_byte green;
    png_byte blue;
} png_color;
typedef png_color* png_colorp;
typedef struct png_color_16_struct {
    png_byte index;
    png_uint_16 red;
    png_uint_16 green;
    png_uint_16 blue;
    png_uint_16 gray;
} png_color_16;
typedef png_color_16* png_color_16p;

// libpng 1.2's png_struct is public and starts with the jump buffer its
// errors return through (png_jmpbuf); nothing else of it is used here.
struct png_struct_def {
    std::jmp_buf jmpbuf;
};
typedef struct png_struct_def png_struct;
typedef png_struct* png_structp;
typedef png_struct** png_structpp;
typedef struct png_info_struct png_info;
typedef png_info* png_infop;
typedef png_info** png_infopp;

typedef void (*png_error_ptr)(png_structp, png_const_charp);

png_structp png_create_read_struct(png_const_charp user_png_ver, png_voidp error_ptr, png_error_ptr error_fn,
                                   png_error_ptr warn_fn);
png_infop png_create_info_struct(png_structp png_ptr);
void png_destroy_read_struct(png_structpp png_ptr_ptr, png_infopp info_ptr_ptr, png_infopp end_info_ptr_ptr);
void png_init_io(png_structp png_ptr, png_FILE_p fp);
void png_read_info(png_structp png_ptr, png_infop info_ptr);
void png_read_update_info(png_structp png_ptr, png_infop info_ptr);
void png_read_row(png_structp png_ptr, png_bytep row, png_bytep display_row);
void png_read_end(png_structp png_ptr, png_infop info_ptr);
void png_set_expand(png_structp png_ptr);
void png_set_strip_16(png_structp png_ptr);
void png_set_gray_to_rgb(png_structp png_ptr);
int png_set_interlace_handling(png_structp png_ptr);
png_uint_32 png_get_image_width(png_structp png_ptr, png_infop info_ptr);
png_uint_32 png_get_image_height(png_structp png_ptr, png_infop info_ptr);
png_byte png_get_interlace_type(png_structp png_ptr, png_infop info_ptr);
png_byte png_get_channels(png_structp png_ptr, png_infop info_ptr);
png_uint_32 png_get_rowbytes(png_structp png_ptr, png_infop info_ptr);

// Writing: only the tests write pictures (to read them back).
png_structp png_create_write_struct(png_const_charp user_png_ver, png_voidp error_ptr, png_error_ptr error_fn,
                                    png_error_ptr warn_fn);
void png_destroy_write_struct(png_structpp png_ptr_ptr, png_infopp info_ptr_ptr);
void png_set_compression_level(png_structp png_ptr, int level);
void png_set_IHDR(png_structp png_ptr, png_infop info_ptr, png_uint_32 width, png_uint_32 height, int bit_depth,
                  int color_type, int interlace_method, int compression_method, int filter_method);
void png_set_PLTE(png_structp png_ptr, png_infop info_ptr, png_colorp palette, int num_palette);
void png_set_tRNS(png_structp png_ptr, png_infop info_ptr, png_bytep trans, int num_trans,
                  png_color_16p trans_values);
void png_write_info(png_structp png_ptr, png_infop info_ptr);
void png_write_row(png_structp png_ptr, png_bytep row);
void png_write_end(png_structp png_ptr, png_infop info_ptr);

}  // extern "C"

// Whether row y and column x of a picture take part in interlace pass
// 0...6 (Adam7): every row_step-th row from start_row, and so for columns.
// Later libpng versions name these tests as macros; 1.2 has none.
namespace png12 {
constexpr int kStartRow[7] = {0, 0, 4, 0, 2, 0, 1};
constexpr int kRowStep[7] = {8, 8, 8, 4, 4, 2, 2};
constexpr int kStartCol[7] = {0, 4, 0, 2, 0, 1, 0};
constexpr int kColStep[7] = {8, 8, 4, 4, 2, 2, 1};
constexpr bool row_in_pass(unsigned y, int pass)
{
    return static_cast<int>(y % kRowStep[pass]) == kStartRow[pass];
}
constexpr bool col_in_pass(unsigned x, int pass)
{
    return static_cast<int>(x % kColStep[pass]) == kStartCol[pass];
}
}  // namespace png12
#define PNG_ROW_IN_INTERLACE_PASS(y, pass) (png12::row_in_pass(static_cast<unsigned>(y), pass))
#define PNG_COL_IN_INTERLACE_PASS(x, pass) (png12::col_in_pass(static_cast<unsigned>(x), pass))

// libpng 1.2's way to the jump buffer, and the jump back that later libpng
// versions have as png_longjmp.
#define png_jmpbuf(png_ptr) ((png_ptr)->jmpbuf)

[[noreturn]] inline void png_longjmp(png_structp png_ptr, int value)
{
    std::longjmp(png_ptr->jmpbuf, value);
}
