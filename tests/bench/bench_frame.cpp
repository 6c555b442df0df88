// One desktop frame (wallpaper, taskbar, 24 colour-keyed 32x32 icons and 80
// glyphs) with the pictures converted to the screen's format, as the shell
// loads them, and with the paletted pictures as a PNG loader hands them
// over. Each is reported as a ratio to one full-screen 16-bit blit.
#include "gfx/image.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

namespace {

struct Frame {
    SDL_Surface* wallpaper;
    SDL_Surface* taskbar;
    SDL_Surface* icon;
    SDL_Surface* font;
};

// A paletted picture with a pattern of n colours; index 0 is the colour key
// when keyed.
SDL_Surface* paletted(int w, int h, bool keyed)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0);
    SDL_Color colours[16];
    for (int i = 0; i < 16; ++i)
        colours[i] = {static_cast<Uint8>(i * 16), static_cast<Uint8>(255 - i * 12), static_cast<Uint8>(i * 7), 0};
    SDL_SetColors(s, colours, 0, 16);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            static_cast<Uint8*>(s->pixels)[y * s->pitch + x] = static_cast<Uint8>(((x / 3) ^ (y / 2)) % 16);
    if (keyed)
        SDL_SetColorKey(s, SDL_SRCCOLORKEY, 0);
    return s;
}

Frame make_frame(bool converted)
{
    Frame f = {paletted(320, 240, false), paletted(320, 20, false), paletted(32, 32, true),
               paletted(1344, 16, true)};
    if (converted) {
        f.wallpaper = to_screen_format(f.wallpaper);
        f.taskbar = to_screen_format(f.taskbar);
        f.icon = to_screen_format(f.icon);
        f.font = to_screen_format(f.font);
    }
    return f;
}

void free_frame(Frame& f)
{
    SDL_FreeSurface(f.wallpaper);
    SDL_FreeSurface(f.taskbar);
    SDL_FreeSurface(f.icon);
    SDL_FreeSurface(f.font);
}

void draw(const Frame& f, SDL_Surface* screen)
{
    SDL_Rect at = {0, 0, 0, 0};
    SDL_BlitSurface(f.wallpaper, nullptr, screen, &at);
    at = {0, 220, 0, 0};
    SDL_BlitSurface(f.taskbar, nullptr, screen, &at);
    for (int i = 0; i < 24; ++i) {
        at = {static_cast<Sint16>(51 * (i / 4) + 10), static_cast<Sint16>(49 * (i % 4) + 24), 0, 0};
        SDL_BlitSurface(f.icon, nullptr, screen, &at);
    }
    for (int i = 0; i < 80; ++i) {
        SDL_Rect from = {static_cast<Sint16>(16 * (i % 84)), 1, 15, 15};
        at = {static_cast<Sint16>(4 + 8 * (i % 38)), static_cast<Sint16>(100 + 16 * (i / 38)), 0, 0};
        SDL_BlitSurface(f.font, &from, screen, &at);
    }
}

SDL_Surface* open_screen()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_Init(SDL_INIT_VIDEO);
    return SDL_SetVideoMode(320, 240, 16, SDL_SWSURFACE);
}

double full_screen_blit_ns(SDL_Surface* screen)
{
    SDL_Surface* picture = SDL_DisplayFormat(screen);
    const int rounds = 2000;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        SDL_BlitSurface(picture, nullptr, screen, nullptr);
    std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    SDL_FreeSurface(picture);
    return spent.count() / rounds;
}

void run_frame(benchmark::State& state, bool converted)
{
    SDL_Surface* screen = open_screen();
    Frame f = make_frame(converted);
    double reference = full_screen_blit_ns(screen);
    auto start = std::chrono::steady_clock::now();
    int64_t frames = 0;
    for (auto _ : state) {
        draw(f, screen);
        benchmark::DoNotOptimize(screen->pixels);
        ++frames;
    }
    std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    double frame_ns = spent.count() / static_cast<double>(frames ? frames : 1);
    state.counters["x_full_screen_blit"] = reference > 0 ? frame_ns / reference : 0;
    free_frame(f);
    SDL_Quit();
}

void BM_DesktopFrameConverted(benchmark::State& state) { run_frame(state, true); }
void BM_DesktopFrameAsLoaded(benchmark::State& state) { run_frame(state, false); }
BENCHMARK(BM_DesktopFrameConverted)->MinTime(1.0);
BENCHMARK(BM_DesktopFrameAsLoaded)->MinTime(1.0);

} // namespace
