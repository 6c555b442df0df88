// Shows one picture in one way of the image viewer and prints how much the
// process's peak resident memory rose meanwhile:
//
//     korvo_picture_memory PICTURE fitted|zoomed|actual|slides
//
// prints "rise_kb N" and exits 0, or 2 when the arguments are wrong. The
// peak (VmHWM) belongs to the whole process, so each measured view runs in
// a process of its own; the peak is set back to the current size just
// before the view so that start-up costs nothing.
#include "explorer/image_viewer.h"
#include "platform/platform.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

long status_kb(const char* field)
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kb = -1;
    size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, field, n) == 0 && line[n] == ':')
            kb = std::strtol(line + n + 1, nullptr, 10);
    std::fclose(status);
    return kb;
}

// Writing 5 to clear_refs makes the peak the present size.
bool reset_peak()
{
    std::FILE* refs = std::fopen("/proc/self/clear_refs", "w");
    if (!refs)
        return false;
    bool written = std::fputs("5", refs) >= 0;
    return std::fclose(refs) == 0 && written;
}

void push_button(int button)
{
    SDL_Event e{};
    e.jbutton.type = SDL_JOYBUTTONDOWN;
    e.jbutton.button = static_cast<Uint8>(button);
    e.jbutton.state = SDL_PRESSED;
    SDL_PushEvent(&e);
}

// The buttons of each way to look at a picture; every list ends by
// leaving the viewer (14).
std::vector<int> buttons_for(const std::string& mode)
{
    if (mode == "fitted")
        return {14};
    if (mode == "zoomed")
        return {12, 12, 13, 13, 14};
    if (mode == "actual") {
        std::vector<int> pans{15};
        for (int b : {6, 4, 2, 0})
            pans.insert(pans.end(), 20, b);
        pans.push_back(14);
        return pans;
    }
    if (mode == "slides")   // into the show, turned a quarter at a time, out of the show
        return {11, 10, 10, 10, 11, 14};
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> buttons = argc == 3 ? buttons_for(argv[2]) : std::vector<int>{};
    if (buttons.empty()) {
        std::fprintf(stderr, "usage: %s PICTURE fitted|zoomed|actual|slides\n", argv[0]);
        return 2;
    }
    std::string picture = argv[1];
    std::string directory = picture.substr(0, picture.rfind('/') + 1);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (chdir(KORVO_SOURCE_DIR) != 0 || SDL_Init(SDL_INIT_VIDEO) != 0)
        return 1;
    SDL_Surface* screen = platform_open_display();
    if (!screen)
        return 1;
    for (int b : buttons)
        push_button(b);
    long before = reset_peak() ? status_kb("VmRSS") : status_kb("VmHWM");
    image_viewer(screen, directory.c_str(), picture.c_str(), "Blue");
    long peak = status_kb("VmHWM");
    std::printf("rise_kb %ld\n", peak - before);
    SDL_Quit();
    return 0;
}
