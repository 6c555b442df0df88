// Reference costs: the full-screen blit that frame benchmarks are measured
// against, and the clock parser on the fixed timing text.
#include "platform/pc_console.h"
#include "platform/platform.h"
#include "programs/clock.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

void BM_FullScreenBlit16(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_Init(SDL_INIT_VIDEO);
    SDL_Surface* screen = SDL_SetVideoMode(320, 240, 16, SDL_SWSURFACE);
    SDL_Surface* picture = SDL_DisplayFormat(screen);
    SDL_FillRect(picture, nullptr, SDL_MapRGB(picture->format, 40, 90, 200));
    for (auto _ : state) {
        SDL_BlitSurface(picture, nullptr, screen, nullptr);
        benchmark::DoNotOptimize(screen->pixels);
    }
    SDL_FreeSurface(picture);
    SDL_Quit();
}
BENCHMARK(BM_FullScreenBlit16);

void BM_PolluxSetTimingText(benchmark::State& state)
{
    pc_reset();
    pc_set_tracing(false);
    void* map = platform_map_registers(platform_mem_open());
    // The parser reports on standard output; keep the benchmark's table clean.
    std::fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    for (auto _ : state)
        benchmark::DoNotOptimize(pollux_set(map, kTimingTweakText));
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(quiet);
    close(saved);
    pc_set_tracing(true);
}
BENCHMARK(BM_PolluxSetTimingText);

} // namespace

BENCHMARK_MAIN();
