// PNG screenshots of any SDL surface: 8-bit RGB (RGBA for a surface with an
// alpha channel), no filtering, one IDAT. SDL_image 1.2 reads PNG but cannot
// write it.
#include "platform/pc_console.h"

#include <SDL.h>
#include <zlib.h>

#include <cstdio>
#include <vector>

namespace {

void put_u32(std::vector<unsigned char>& out, uint32_t value)
{
    out.push_back(static_cast<unsigned char>(value >> 24));
    out.push_back(static_cast<unsigned char>(value >> 16));
    out.push_back(static_cast<unsigned char>(value >> 8));
    out.push_back(static_cast<unsigned char>(value));
}

// Length, type, data, and the CRC of type and data.
void put_chunk(std::vector<unsigned char>& out, const char type[4], const std::vector<unsigned char>& data)
{
    put_u32(out, static_cast<uint32_t>(data.size()));
    size_t type_at = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, out.data() + type_at, static_cast<uInt>(4 + data.size()));
    put_u32(out, static_cast<uint32_t>(crc));
}

Uint32 read_pixel(const SDL_Surface* surface, int x, int y)
{
    const Uint8* p = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch +
                     x * surface->format->BytesPerPixel;
    switch (surface->format->BytesPerPixel) {
    case 1:
        return *p;
    case 2:
        return *reinterpret_cast<const Uint16*>(p);
    case 3:
        return SDL_BYTEORDER == SDL_LIL_ENDIAN ? Uint32(p[0] | p[1] << 8 | p[2] << 16)
                                               : Uint32(p[2] | p[1] << 8 | p[0] << 16);
    default:
        return *reinterpret_cast<const Uint32*>(p);
    }
}

bool has_alpha(const SDL_Surface* surface)
{
    return surface->format->Amask != 0;
}

// Each row: filter type 0, then red, green, blue (and alpha) per pixel.
std::vector<unsigned char> raw_rows(SDL_Surface* surface)
{
    size_t channels = has_alpha(surface) ? 4 : 3;
    std::vector<unsigned char> rows;
    rows.reserve(static_cast<size_t>(surface->h) * (1 + channels * static_cast<size_t>(surface->w)));
    if (SDL_MUSTLOCK(surface))
        SDL_LockSurface(surface);
    for (int y = 0; y < surface->h; ++y) {
        rows.push_back(0);
        for (int x = 0; x < surface->w; ++x) {
            Uint8 r, g, b, a;
            SDL_GetRGBA(read_pixel(surface, x, y), surface->format, &r, &g, &b, &a);
            rows.push_back(r);
            rows.push_back(g);
            rows.push_back(b);
            if (channels == 4)
                rows.push_back(a);
        }
    }
    if (SDL_MUSTLOCK(surface))
        SDL_UnlockSurface(surface);
    return rows;
}

} // namespace

bool pc_save_png(SDL_Surface* surface, const char* path)
{
    if (!surface || surface->w <= 0 || surface->h <= 0)
        return false;
    std::vector<unsigned char> rows = raw_rows(surface);
    // The room zlib asks for since its first releases (0.1% more and 12
    // bytes), spelled out: the console's zlib 1.1 has no compressBound.
    const uLong raw_size = static_cast<uLong>(rows.size());
    uLongf packed_size = raw_size + raw_size / 1000 + 1 + 12;
    std::vector<unsigned char> packed(packed_size);
    if (compress2(packed.data(), &packed_size, rows.data(), static_cast<uLong>(rows.size()), 6) != Z_OK)
        return false;
    packed.resize(packed_size);

    std::vector<unsigned char> header;
    put_u32(header, static_cast<uint32_t>(surface->w));
    put_u32(header, static_cast<uint32_t>(surface->h));
    // 8 bits, RGB or RGBA, deflate, no filter, no interlace
    header.insert(header.end(), {8, static_cast<unsigned char>(has_alpha(surface) ? 6 : 2), 0, 0, 0});

    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    put_chunk(png, "IHDR", header);
    put_chunk(png, "IDAT", packed);
    put_chunk(png, "IEND", {});

    std::FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && written;
}
