#include "explorer/picture_decode.h"

#include "core/files.h"
#include "gfx/image.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>
#include <png.h>

namespace {

// Pictures up to this many pixels, with no side above kLargestSide, are read
// whole by load_image: that costs at most a few megabytes and keeps them
// exactly as the rest of the shell shows pictures (colour keys, alpha).
constexpr long kWholePixels = 1L << 20;
// The longest side libpng reads; sides are taken up to one more, which
// stands for anything larger.
constexpr long kLongestRead = 1000000;

int side(long v)
{
    return static_cast<int>(v < 0 || v > kLongestRead ? kLongestRead + 1 : v);
}

int big_endian(const unsigned char* b, int n)
{
    long v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | b[i];
    return side(v);
}

long little_endian(const unsigned char* b, int n)
{
    long v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | b[i];
    return v;
}

bool read_exactly(std::FILE* file, unsigned char* into, size_t n)
{
    return std::fread(into, 1, n, file) == n;
}

bool png_header(std::FILE* file, PictureHeader& header)
{
    unsigned char b[26];
    static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!read_exactly(file, b, sizeof b) || std::memcmp(b, kSignature, 8) != 0 || std::memcmp(b + 12, "IHDR", 4) != 0)
        return false;
    header.kind = PictureKind::Png;
    header.w = big_endian(b + 16, 4);
    header.h = big_endian(b + 20, 4);
    // What a whole decode holds: palette and grey pictures one byte a
    // pixel, colour three, anything with alpha four.
    static constexpr int kBytes[7] = {1, 0, 3, 1, 4, 0, 4};
    int colour_type = b[25] <= 6 ? b[25] : 6;
    long pixels = static_cast<long>(header.w) * header.h;
    bool whole = pixels <= kWholePixels && header.w <= kLargestSide && header.h <= kLargestSide;
    header.bytes_per_pixel = whole ? (kBytes[colour_type] ? kBytes[colour_type] : 4) : 0;
    return true;
}

// Walks the markers up to the frame header, which holds the size.
bool jpeg_header(std::FILE* file, PictureHeader& header)
{
    unsigned char b[2];
    if (!read_exactly(file, b, 2) || b[0] != 0xFF || b[1] != 0xD8)
        return false;
    for (;;) {
        int c = std::fgetc(file);
        if (c == EOF)
            return false;
        if (c != 0xFF)
            continue;
        int marker;
        while ((marker = std::fgetc(file)) == 0xFF) {
        }
        if (marker == EOF)
            return false;
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0)
            continue;
        unsigned char length[2];
        if (!read_exactly(file, length, 2))
            return false;
        int n = (length[0] << 8) | length[1];
        bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            unsigned char f[5];
            if (!read_exactly(file, f, 5))
                return false;
            header.kind = PictureKind::Jpeg;
            header.h = big_endian(f + 1, 2);
            header.w = big_endian(f + 3, 2);
            header.bytes_per_pixel = 0;
            return true;
        }
        if (n < 2 || std::fseek(file, n - 2, SEEK_CUR) != 0)
            return false;
    }
}

// The screen is as large as the picture; SDL_image makes its surface the
// size of the first image in it, which may be larger still.
bool gif_header(std::FILE* file, PictureHeader& header)
{
    unsigned char b[13];
    if (!read_exactly(file, b, sizeof b) || (std::memcmp(b, "GIF87a", 6) != 0 && std::memcmp(b, "GIF89a", 6) != 0))
        return false;
    header.kind = PictureKind::Gif;
    header.w = static_cast<int>(little_endian(b + 6, 2));
    header.h = static_cast<int>(little_endian(b + 8, 2));
    header.bytes_per_pixel = 1;
    if (b[10] & 0x80)
        std::fseek(file, 3L << ((b[10] & 7) + 1), SEEK_CUR);
    for (;;) {
        int c = std::fgetc(file);
        if (c == 0x2C) {
            unsigned char d[8];
            if (!read_exactly(file, d, sizeof d))
                return false;
            header.w = std::max(header.w, static_cast<int>(little_endian(d + 4, 2)));
            header.h = std::max(header.h, static_cast<int>(little_endian(d + 6, 2)));
            return true;
        }
        if (c != 0x21 || std::fgetc(file) == EOF)
            return false;
        int size;
        while ((size = std::fgetc(file)) > 0)
            std::fseek(file, size, SEEK_CUR);
        if (size == EOF)
            return false;
    }
}

bool bmp_header(std::FILE* file, PictureHeader& header)
{
    unsigned char b[30];
    if (!read_exactly(file, b, sizeof b) || b[0] != 'B' || b[1] != 'M')
        return false;
    header.kind = PictureKind::Bmp;
    long bits;
    if (little_endian(b + 14, 4) == 12) {
        header.w = static_cast<int>(little_endian(b + 18, 2));
        header.h = static_cast<int>(little_endian(b + 20, 2));
        bits = little_endian(b + 24, 2);
    } else {
        long w = static_cast<Sint32>(little_endian(b + 18, 4));
        long h = static_cast<Sint32>(little_endian(b + 22, 4));
        header.w = side(w < 0 ? -w : w);
        header.h = side(h < 0 ? -h : h);   // a negative height: rows top down
        bits = little_endian(b + 28, 2);
    }
    header.bytes_per_pixel = bits <= 8 ? 1 : static_cast<int>((bits + 7) / 8);
    return header.bytes_per_pixel <= 4;
}

// --- surfaces in the screen's format ---

SDL_Surface* screen_surface(int w, int h)
{
    const SDL_Surface* video = SDL_GetVideoSurface();
    if (!video)
        return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 16, 0xF800, 0x07E0, 0x001F, 0);
    const SDL_PixelFormat* f = video->format;
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, 0);
}

void put_pixel(SDL_Surface* s, int x, int y, Uint8 r, Uint8 g, Uint8 b)
{
    const SDL_PixelFormat* f = s->format;
    Uint32 p = (static_cast<Uint32>(r >> f->Rloss) << f->Rshift) | (static_cast<Uint32>(g >> f->Gloss) << f->Gshift) |
               (static_cast<Uint32>(b >> f->Bloss) << f->Bshift);
    Uint8* at = static_cast<Uint8*>(s->pixels) + y * s->pitch + x * f->BytesPerPixel;
    switch (f->BytesPerPixel) {
    case 2: *reinterpret_cast<Uint16*>(at) = static_cast<Uint16>(p); break;
    case 4: *reinterpret_cast<Uint32*>(at) = p; break;
    default: std::memcpy(at, &p, f->BytesPerPixel); break;   // little-endian hosts only
    }
}

// The size asked for, each side at least 1 and at most the picture's own.
void target_size(const PictureHeader& header, int& want_w, int& want_h)
{
    want_w = std::min(std::max(want_w, 1), header.w);
    want_h = std::min(std::max(want_h, 1), header.h);
}

// Brings w x h down, keeping its shape, to the largest size whose screen
// copy takes at most budget bytes and has no side above kLargestSide. False
// when not even that can be made. Whole numbers only: the longer side is
// searched for, the shorter follows it (at least 1 pixel).
bool keep_within(int& w, int& h, size_t budget)
{
    // 64 bits: a side may be up to a million pixels.
    long long longer = std::max(w, h), shorter = std::min(w, h);
    auto shorter_for = [&](long long side) { return std::max(1LL, shorter * side / longer); };
    auto fits = [&](long long side) {
        long long other = shorter_for(side);
        return side <= kLargestSide && other <= kLargestSide &&
               static_cast<size_t>(side) * static_cast<size_t>(other) * 2 <= budget;
    };
    if (!fits(1))
        return false;
    long long low = 1, high = longer;   // fits(low) holds; the answer lies in [low, high]
    while (low < high) {
        long long middle = low + (high - low + 1) / 2;
        if (fits(middle))
            low = middle;
        else
            high = middle - 1;
    }
    bool wide = w >= h;
    int first = static_cast<int>(low), second = static_cast<int>(shorter_for(low));
    w = wide ? first : second;
    h = wide ? second : first;
    return true;
}

// A copy of a from_w x from_h picture that its decoder delivers row by row,
// made at the copy's own size as the rows arrive: each pixel of the copy
// shows the picture's pixel at (x * from_w / w, y * from_h / h), as
// shrink_picture would, but the picture is never held whole.
struct Sampling {
    SDL_Surface* image = nullptr;
    int from_h = 0;
    std::vector<int> source_x;   // the picture's column shown in each column of image
};

bool start_sampling(Sampling& s, int from_w, int from_h, int w, int h)
{
    s.image = screen_surface(w, h);
    s.from_h = from_h;
    s.source_x.resize(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x)
        s.source_x[static_cast<size_t>(x)] = static_cast<int>(static_cast<long long>(x) * from_w / w);
    return s.image != nullptr;
}

// Calls put(x, y, source_x) for every pixel of the copy that shows a pixel of
// the picture's row source_y. A row that no row of the copy shows costs
// nothing.
template <typename Put>
void sample_row(const Sampling& s, int source_y, Put put)
{
    long long w = s.image->w, h = s.image->h;   // 64 bits: a row count may be up to a million
    for (long long y = (source_y * h + s.from_h - 1) / s.from_h; y < h && y * s.from_h / h == source_y; ++y)
        for (int x = 0; x < static_cast<int>(w); ++x)
            put(x, static_cast<int>(y), s.source_x[static_cast<size_t>(x)]);
}

// --- JPEG ---

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    bool cut_short;
};

void jpeg_fail(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

// Warnings are not printed. A file that ends early is refused (libjpeg
// would fill the rest grey); stray bytes between markers, which some
// cameras write, are decoded anyway.
void jpeg_note(j_common_ptr info, int level)
{
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<JpegErrors*>(info->err)->cut_short = true;
}

struct JpegJob {
    std::FILE* file;
    int want_w, want_h;
    Sampling copy;
    PictureError error;
};

// The smallest of libjpeg's scales 1/8, 1/4, 1/2 and 1 whose output still
// covers the wanted size.
void choose_scale(jpeg_decompress_struct& info, int want_w, int want_h)
{
    info.scale_num = 1;
    for (unsigned int denominator : {8u, 4u, 2u, 1u}) {
        info.scale_denom = denominator;
        jpeg_calc_output_dimensions(&info);
        if (static_cast<int>(info.output_width) >= want_w && static_cast<int>(info.output_height) >= want_h)
            return;
    }
}

// A multi-scan (progressive) file keeps every coefficient of the picture
// while it is decoded, however small the output: two bytes a sample.
// Counted in 64 bits, as a large picture's would not fit 32, and given as
// kPictureMemory at most.
size_t coefficient_bytes(const jpeg_decompress_struct& info)
{
    if (!jpeg_has_multiple_scans(const_cast<jpeg_decompress_struct*>(&info)))
        return 0;
    unsigned long long bytes = 0;
    for (int c = 0; c < info.num_components; ++c)
        bytes += static_cast<unsigned long long>(info.comp_info[c].width_in_blocks) *
                 info.comp_info[c].height_in_blocks * sizeof(JBLOCK);
    return static_cast<size_t>(std::min<unsigned long long>(bytes, kPictureMemory));
}

void put_jpeg_row(const Sampling& copy, int y, const JSAMPLE* row, bool cmyk)
{
    sample_row(copy, y, [&](int dx, int dy, int sx) {
        if (cmyk) {
            // Adobe writes CMYK inverted: each value is already 255 - ink.
            const JSAMPLE* p = row + 4 * sx;
            put_pixel(copy.image, dx, dy, static_cast<Uint8>(p[0] * p[3] / 255),
                      static_cast<Uint8>(p[1] * p[3] / 255), static_cast<Uint8>(p[2] * p[3] / 255));
        } else {
            const JSAMPLE* p = row + 3 * sx;
            put_pixel(copy.image, dx, dy, p[0], p[1], p[2]);
        }
    });
}

// Decodes job.file into job.copy; false (copy possibly half made) when
// libjpeg gave up or the picture cannot be made within the limits.
bool decode_jpeg(JpegJob& job, jpeg_decompress_struct& info, JpegErrors& errors)
{
    if (setjmp(errors.jump))
        return false;
    jpeg_stdio_src(&info, job.file);
    jpeg_read_header(&info, TRUE);
    bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    size_t coefficients = coefficient_bytes(info);
    if (coefficients >= kMaxPictureBytes || !keep_within(job.want_w, job.want_h, kMaxPictureBytes - coefficients)) {
        job.error = PictureError::TooLarge;
        return false;
    }
    choose_scale(info, job.want_w, job.want_h);
    size_t copy = static_cast<size_t>(job.want_w) * job.want_h * 2;
    // Whatever else libjpeg would need beyond the bound ends the decode
    // with an error instead of taking the memory.
    info.mem->max_memory_to_use = static_cast<long>(kPictureMemory - copy);
    jpeg_start_decompress(&info);
    if (!start_sampling(job.copy, static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                        job.want_w, job.want_h))
        return false;
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               info.output_width * info.output_components, 1);
    while (info.output_scanline < info.output_height) {
        int y = static_cast<int>(info.output_scanline);
        if (jpeg_read_scanlines(&info, row, 1) != 1 || errors.cut_short)
            return false;
        put_jpeg_row(job.copy, y, row[0], cmyk);
    }
    jpeg_finish_decompress(&info);
    return !errors.cut_short;
}

SDL_Surface* load_jpeg(const char* path, int want_w, int want_h, PictureError& error)
{
    File file = open_regular_file(path);
    if (!file)
        return nullptr;
    jpeg_decompress_struct info;
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpeg_fail;
    errors.manager.emit_message = jpeg_note;
    jpeg_create_decompress(&info);
    JpegJob job{file.get(), want_w, want_h, Sampling{}, PictureError::Failed};
    bool done = decode_jpeg(job, info, errors);
    jpeg_destroy_decompress(&info);
    if (done)
        return job.copy.image;
    SDL_FreeSurface(job.copy.image);
    error = job.error;
    return nullptr;
}

// --- PNG, row by row ---

// libpng's own longjmp helper is newer than the libpng of the console's
// firmware; jumping to png_jmpbuf works with both.
void png_fail(png_structp png, png_const_charp)
{
    std::longjmp(png_jmpbuf(png), 1);
}

void png_quiet(png_structp, png_const_charp) {}

// The rows and columns of each of the seven passes of an interlaced file:
// the first of each, and the step to the next.
struct InterlacePass {
    int first_row, row_step, first_column, column_step;
};
constexpr InterlacePass kPasses[7] = {
    {0, 8, 0, 8}, {0, 8, 4, 8}, {4, 8, 0, 4}, {0, 4, 2, 4}, {2, 4, 0, 2}, {0, 2, 1, 2}, {1, 2, 0, 1},
};

bool in_pass(int at, int first, int step)
{
    return at >= first && (at - first) % step == 0;
}

struct PngJob {
    std::FILE* file;
    int file_w, file_h;
    Sampling copy;
    std::vector<png_byte> row;   // one decoded row, four bytes a pixel at most
};

// Puts the pixels of source row y that the pass delivered (pass -1: a file
// that is not interlaced) into the copy. Pixels with alpha are laid on black.
void put_png_row(const PngJob& job, int y, int pass, int channels)
{
    sample_row(job.copy, y, [&](int dx, int dy, int sx) {
        if (pass >= 0 && !in_pass(sx, kPasses[pass].first_column, kPasses[pass].column_step))
            return;
        const png_byte* p = job.row.data() + static_cast<size_t>(sx) * channels;
        unsigned a = channels == 4 ? p[3] : 255;
        put_pixel(job.copy.image, dx, dy, static_cast<Uint8>(p[0] * a / 255), static_cast<Uint8>(p[1] * a / 255),
                  static_cast<Uint8>(p[2] * a / 255));
    });
}

bool decode_png(PngJob& job, png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, job.file);
    png_read_info(png, info);
    if (static_cast<long>(png_get_image_width(png, info)) != job.file_w ||
        static_cast<long>(png_get_image_height(png, info)) != job.file_h)
        return false;
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    int channels = png_get_channels(png, info);
    if (channels < 3 || channels > 4 || png_get_rowbytes(png, info) > job.row.size())
        return false;
    // An interlaced file delivers each row in up to seven passes, a few
    // columns at a time; each pass's pixels go straight to the copy.
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < job.file_h; ++y) {
            png_read_row(png, job.row.data(), nullptr);
            if (!interlaced)
                put_png_row(job, y, -1, channels);
            else if (in_pass(y, kPasses[pass].first_row, kPasses[pass].row_step))
                put_png_row(job, y, pass, channels);
        }
    png_read_end(png, nullptr);
    return true;
}

SDL_Surface* load_png_rows(const char* path, const PictureHeader& header, int w, int h, PictureError& error)
{
    size_t row_bytes = static_cast<size_t>(header.w) * 4;
    if (header.w > kLongestRead || header.h > kLongestRead || row_bytes >= kMaxPictureBytes ||
        !keep_within(w, h, kMaxPictureBytes - row_bytes)) {
        error = PictureError::TooLarge;
        return nullptr;
    }
    File file = open_regular_file(path);
    if (!file)
        return nullptr;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_fail, png_quiet);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    PngJob job{file.get(), header.w, header.h, Sampling{}, std::vector<png_byte>(row_bytes)};
    bool done = info && start_sampling(job.copy, header.w, header.h, w, h) && decode_png(job, png, info);
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (done)
        return job.copy.image;
    SDL_FreeSurface(job.copy.image);
    return nullptr;
}

// --- pictures decoded whole ---

// True when the picture's whole decode and its 16-bit copy beside it fit
// kMaxPictureBytes, and no side is too long for a surface.
bool whole_decode_fits(const PictureHeader& header)
{
    if (header.w > kLargestSide || header.h > kLargestSide)
        return false;
    size_t pixels = static_cast<size_t>(header.w) * static_cast<size_t>(header.h);
    return pixels * static_cast<size_t>(2 + header.bytes_per_pixel) <= kMaxPictureBytes;
}

SDL_Surface* load_whole(const char* path, int want_w, int want_h, PictureHeader& header, PictureError& error)
{
    if (!whole_decode_fits(header)) {
        error = PictureError::TooLarge;
        return nullptr;
    }
    SDL_Surface* image = load_image(path);
    if (!image)
        return nullptr;
    // SDL_image makes a GIF as large as its first image, which may differ
    // from what its header says.
    header.w = image->w;
    header.h = image->h;
    // A large whole decode is brought down to the wanted size at once, so
    // that only the small copy stays.
    if (static_cast<long>(image->w) * image->h > kWholePixels && (want_w < image->w || want_h < image->h))
        shrink_picture(image, want_w, want_h);
    return image;
}

// --- copies in a surface's own format ---

// An empty w x h surface like image: format, palette, colour key, alpha.
SDL_Surface* blank_like(const SDL_Surface* image, int w, int h)
{
    const SDL_PixelFormat* f = image->format;
    SDL_Surface* copy =
        SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (!copy)
        return nullptr;
    if (f->palette)
        SDL_SetPalette(copy, SDL_LOGPAL | SDL_PHYSPAL, f->palette->colors, 0, f->palette->ncolors);
    if (image->flags & SDL_SRCCOLORKEY)
        SDL_SetColorKey(copy, SDL_SRCCOLORKEY, f->colorkey);
    SDL_SetAlpha(copy, image->flags & SDL_SRCALPHA, f->alpha);
    return copy;
}

// Makes a w x h copy whose pixel (x, y) is image's pixel at source(x, y);
// image is freed and replaced.
template <typename Source>
void remap(SDL_Surface*& image, int w, int h, Source source)
{
    if (!image || w < 1 || h < 1)
        return;
    SDL_Surface* copy = blank_like(image, w, h);
    if (!copy)
        return;
    int bytes = image->format->BytesPerPixel;
    SDL_LockSurface(image);
    const Uint8* from = static_cast<const Uint8*>(image->pixels);
    for (int y = 0; y < h; ++y) {
        Uint8* to = static_cast<Uint8*>(copy->pixels) + y * copy->pitch;
        for (int x = 0; x < w; ++x) {
            int sx, sy;
            source(x, y, sx, sy);
            std::memcpy(to + x * bytes, from + sy * image->pitch + sx * bytes, static_cast<size_t>(bytes));
        }
    }
    SDL_UnlockSurface(image);
    SDL_FreeSurface(image);
    image = copy;
}

} // namespace

bool read_picture_header(const char* path, PictureHeader& header)
{
    header = PictureHeader{PictureKind::Unknown, 0, 0, 0};
    File file = open_regular_file(path);
    if (!file)
        return false;
    using Reader = bool (*)(std::FILE*, PictureHeader&);
    for (Reader read : {png_header, jpeg_header, gif_header, bmp_header}) {
        std::rewind(file.get());
        PictureHeader found{PictureKind::Unknown, 0, 0, 0};
        if (read(file.get(), found)) {
            if (found.w < 1 || found.h < 1)
                return false;
            header = found;
            return true;
        }
    }
    return false;
}

SDL_Surface* load_picture(const char* path, int want_w, int want_h, PictureHeader& header, PictureError& error)
{
    error = PictureError::Failed;
    if (!read_picture_header(path, header))
        return nullptr;
    return decode_picture(path, want_w, want_h, header, error);
}

SDL_Surface* decode_picture(const char* path, int want_w, int want_h, PictureHeader& header, PictureError& error)
{
    error = PictureError::Failed;
    target_size(header, want_w, want_h);
    SDL_Surface* image = nullptr;
    if (header.kind == PictureKind::Jpeg)
        image = load_jpeg(path, want_w, want_h, error);
    else if (header.bytes_per_pixel == 0)
        image = load_png_rows(path, header, want_w, want_h, error);
    else
        image = load_whole(path, want_w, want_h, header, error);
    if (image)
        error = PictureError::None;
    return image;
}

void shrink_picture(SDL_Surface*& image, int w, int h)
{
    if (!image)
        return;
    long from_w = image->w, from_h = image->h;
    remap(image, w, h, [&](int x, int y, int& sx, int& sy) {
        sx = static_cast<int>(x * from_w / w);
        sy = static_cast<int>(y * from_h / h);
    });
}

void turn_picture(SDL_Surface*& image, int angle)
{
    if (!image)
        return;
    int quarters = ((angle % 360 + 360) % 360) / 90;
    int w = image->w, h = image->h;
    switch (quarters) {
    case 1:   // the top-left corner goes to the bottom left
        remap(image, h, w, [&](int x, int y, int& sx, int& sy) { sx = w - 1 - y, sy = x; });
        break;
    case 2:
        remap(image, w, h, [&](int x, int y, int& sx, int& sy) { sx = w - 1 - x, sy = h - 1 - y; });
        break;
    case 3:   // the top-left corner goes to the top right
        remap(image, h, w, [&](int x, int y, int& sx, int& sy) { sx = y, sy = h - 1 - x; });
        break;
    default: break;
    }
}
