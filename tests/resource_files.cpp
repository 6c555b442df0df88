#include "resource_files.h"

#include "harness.h"

#include <tuple>

namespace {

SDL_Surface* rgb_surface(int w, int h)
{
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0xFF00, 0xFF, 0);
}

void save(SDL_Surface* s, const std::string& path)
{
    ShellTest::write_file(path, "");
    SDL_SaveBMP(s, path.c_str());
    SDL_FreeSurface(s);
}

// Read only by tests that check how pictures and the screen look.
Uint32 pixel_of(SDL_Surface* surface, int x, int y)
{
    ShellTest::require(Needs::display, "a pixel test helper");
    const Uint8* row = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch;
    if (surface->format->BytesPerPixel == 2)
        return reinterpret_cast<const Uint16*>(row)[x];
    return reinterpret_cast<const Uint32*>(row)[x];
}

} // namespace

void write_solid_picture(const std::string& path, int w, int h, Rgb colour)
{
    SDL_Surface* s = rgb_surface(w, h);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, colour.r, colour.g, colour.b));
    save(s, path);
}

void write_skin_picture(const std::string& skin, const std::string& name, int w, int h, Rgb colour)
{
    write_solid_picture("resources/skin/" + skin + "/" + name, w, h, colour);
}

void write_coded_fonts(const std::string& skin)
{
    for (auto [file, cell, glyph, code] :
         {std::tuple{"font_black.png", 16, 15, FontCode::LargeBlack},
          std::tuple{"font_white.png", 16, 15, FontCode::LargeWhite},
          std::tuple{"smallfont_black.png", 10, 9, FontCode::SmallBlack},
          std::tuple{"smallfont_white.png", 10, 9, FontCode::SmallWhite}}) {
        SDL_Surface* s = rgb_surface(cell * 84, cell);
        SDL_FillRect(s, nullptr, 0);
        for (int i = 0; i < 84; ++i) {
            SDL_Rect r{static_cast<Sint16>(cell * i), 1, static_cast<Uint16>(glyph), static_cast<Uint16>(glyph)};
            SDL_FillRect(s, &r, SDL_MapRGB(s->format, static_cast<Uint8>((i % 32) * 8),
                                           static_cast<Uint8>((i / 32) * 64), static_cast<Uint8>(code)));
        }
        save(s, "resources/skin/" + skin + "/" + file);
    }
}

FontCode font_at(SDL_Surface* surface, int x, int y)
{
    SDL_Color c{};
    SDL_GetRGB(pixel_of(surface, x, y), surface->format, &c.r, &c.g, &c.b);
    return static_cast<FontCode>(c.b & 0xF8);
}

int glyph_at(SDL_Surface* surface, int x, int y)
{
    SDL_Color c{};
    SDL_GetRGB(pixel_of(surface, x, y), surface->format, &c.r, &c.g, &c.b);
    switch (static_cast<FontCode>(c.b & 0xF8)) {
    case FontCode::LargeBlack:
    case FontCode::LargeWhite:
    case FontCode::SmallBlack:
    case FontCode::SmallWhite:
        return c.r / 8 + (c.g / 64) * 32;
    }
    return -1;
}

bool shows(SDL_Surface* surface, int x, int y, Rgb colour)
{
    return pixel_of(surface, x, y) == SDL_MapRGB(surface->format, colour.r, colour.g, colour.b);
}

void fill(SDL_Surface* surface, Rgb colour)
{
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, colour.r, colour.g, colour.b));
}

SDL_Surface* make_icon(Rgb colour)
{
    ShellTest::require(Needs::display, "make_icon");
    const SDL_PixelFormat* f = SDL_GetVideoSurface()->format;
    SDL_Surface* icon = SDL_CreateRGBSurface(SDL_SWSURFACE, 32, 32, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, 0);
    fill(icon, colour);
    return icon;
}

std::string silent_wav()
{
    std::string data(800, '\0');
    auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto u16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    return "RIFF" + u32(36 + static_cast<uint32_t>(data.size())) + "WAVEfmt " + u32(16) + u16(1) + u16(1) +
           u32(22050) + u32(44100) + u16(2) + u16(16) + "data" + u32(static_cast<uint32_t>(data.size())) + data;
}
