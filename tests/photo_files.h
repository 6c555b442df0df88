// Photo files of any size for the tests and the benchmarks, written row by
// row from a function of the position, so that writing a 12-megapixel
// picture holds no more than one row of it.
#pragma once

#include <csetjmp>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

// Gives the red, green and blue of the pixel at (x, y).
using PhotoPixel = std::function<void(int x, int y, unsigned char* rgb)>;

// Smooth colour slopes with fine detail over them, about as hard to
// compress as a photo.
inline void photo_pattern(int x, int y, unsigned char* rgb)
{
    rgb[0] = static_cast<unsigned char>(x / 16);
    rgb[1] = static_cast<unsigned char>(y / 12);
    rgb[2] = static_cast<unsigned char>((x ^ y) * 7);
}

inline bool write_photo_jpeg(const std::string& path, int w, int h, const PhotoPixel& pixel = photo_pattern,
                             bool progressive = false)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(w);
    info.image_height = static_cast<JDIMENSION>(h);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 85, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            pixel(x, y, &row[static_cast<size_t>(x) * 3]);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

inline bool write_photo_png(const std::string& path, int w, int h, const PhotoPixel& pixel = photo_pattern,
                            bool interlaced = false)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, PNG_COLOR_TYPE_RGB,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    int passes = png_set_interlace_handling(png);
    std::vector<unsigned char> row(static_cast<size_t>(w) * 3);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                pixel(x, y, &row[static_cast<size_t>(x) * 3]);
            png_write_row(png, row.data());
        }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}
