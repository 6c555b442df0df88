// Showing a 12-megapixel photo (4000 x 3000) in the image viewer, fitted,
// and as a turned slide, against the bare decode of the whole file by
// SDL_image in the same loop. The viewer once decoded the whole file and
// then converted, widened and scaled it; now the show should cost less than
// the bare decode. Each is reported as show_ms, decode_ms and their ratio.
#include "explorer/image_viewer.h"
#include "../photo_files.h"

#include <SDL.h>
#include <SDL_image.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Photos {
    std::string dir, jpeg, png;
    Photos()
    {
        char pattern[] = "/tmp/korvo-bench-photos-XXXXXX";
        if (!mkdtemp(pattern))
            std::abort();
        dir = std::string(pattern) + "/";
        jpeg = dir + "photo.jpg";
        png = dir + "photo.png";
        if (!write_photo_jpeg(jpeg, 4000, 3000) || !write_photo_png(png, 4000, 3000))
            std::abort();
    }
    ~Photos() { fs::remove_all(dir); }
};

const Photos& photos()
{
    static Photos made;
    return made;
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The viewer's frame and notices come from the skin, relative to the
// working directory.
struct Display {
    SDL_Surface* screen;
    char old_dir[4096];
    Display()
    {
        if (!getcwd(old_dir, sizeof old_dir) || chdir(KORVO_SOURCE_DIR) != 0)
            std::abort();
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        SDL_Init(SDL_INIT_VIDEO);
        screen = SDL_SetVideoMode(320, 240, 16, SDL_SWSURFACE);
    }
    ~Display()
    {
        SDL_Quit();
        if (chdir(old_dir) != 0)
            std::abort();
    }
};

void leave_at_once()
{
    SDL_Event e{};
    e.jbutton.type = SDL_JOYBUTTONDOWN;
    e.jbutton.button = 14;
    e.jbutton.state = SDL_PRESSED;
    SDL_PushEvent(&e);
}

enum class Show { Fitted, TurnedSlide };

// state.range(0): 0 the JPEG, 1 the PNG; show: how it is shown.
void measure(benchmark::State& state, Show show)
{
    const Photos& p = photos();
    const std::string& path = state.range(0) == 0 ? p.jpeg : p.png;
    Display display;
    double decode = 0, shown = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        SDL_Surface* whole = IMG_Load(path.c_str());
        benchmark::DoNotOptimize(whole);
        SDL_FreeSurface(whole);
        decode += seconds_since(start);

        start = std::chrono::steady_clock::now();
        if (show == Show::Fitted) {
            leave_at_once();
            image_viewer(display.screen, p.dir.c_str(), path.c_str(), "Blue");
        } else {
            show_slide(display.screen, path.c_str(), "Blue", 90);
        }
        shown += seconds_since(start);
    }
    double n = static_cast<double>(state.iterations());
    state.counters["decode_ms"] = decode / n * 1e3;
    state.counters["show_ms"] = shown / n * 1e3;
    state.counters["ratio"] = decode > 0 ? shown / decode : 0;
}

void BM_PhotoFittedAgainstDecode(benchmark::State& state)
{
    measure(state, Show::Fitted);
}
BENCHMARK(BM_PhotoFittedAgainstDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PhotoTurnedSlideAgainstDecode(benchmark::State& state)
{
    measure(state, Show::TurnedSlide);
}
BENCHMARK(BM_PhotoTurnedSlideAgainstDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
