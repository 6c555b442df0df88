#include "emu/standin.h"

#include "platform/pc_console.h"
#include "platform/platform.h"

#include <SDL_gfxPrimitives.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

SDL_Surface* standin_screen;

} // namespace

bool standin_is_whole()
{
    constexpr char kSeal[] = "KORVO-STANDIN-SIZE=";
    constexpr long kSealLength = 30;
    std::FILE* self = std::fopen("/proc/self/exe", "rb");
    if (!self)
        return false;
    char seal[kSealLength + 1] = {};
    long size = -1;
    if (std::fseek(self, 0, SEEK_END) == 0)
        size = std::ftell(self);
    bool read = size >= kSealLength && std::fseek(self, size - kSealLength, SEEK_SET) == 0 &&
                std::fread(seal, 1, kSealLength, self) == static_cast<size_t>(kSealLength);
    std::fclose(self);
    if (!read || std::strncmp(seal, kSeal, sizeof kSeal - 1) != 0 || seal[kSealLength - 1] != '\n')
        return false;
    return std::strtol(seal + sizeof kSeal - 1, nullptr, 10) == size;
}

SDL_Surface* standin_start(std::string_view note)
{
    SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK);
    standin_screen = platform_open_display();
    standin_log(std::string("started") + (note.empty() ? "" : " ") + std::string(note));
    return standin_screen;
}

void standin_clear(Uint8 r, Uint8 g, Uint8 b)
{
    if (standin_screen)
        SDL_FillRect(standin_screen, nullptr, SDL_MapRGB(standin_screen->format, r, g, b));
}

void standin_text(int x, int y, std::string_view text, bool highlight)
{
    if (!standin_screen)
        return;
    std::string line(text);
    if (highlight) {
        int width = static_cast<int>(line.size()) * 8 + 4;
        boxRGBA(standin_screen, static_cast<Sint16>(x - 2), static_cast<Sint16>(y - 2),
                static_cast<Sint16>(x + width - 3), static_cast<Sint16>(y + 9), 255, 255, 255, 255);
        stringRGBA(standin_screen, static_cast<Sint16>(x), static_cast<Sint16>(y), line.c_str(), 0, 0, 0, 255);
    } else {
        stringRGBA(standin_screen, static_cast<Sint16>(x), static_cast<Sint16>(y), line.c_str(), 255, 255, 255, 255);
    }
}

void standin_show()
{
    if (standin_screen)
        platform_update(standin_screen, 0, 0, 320, 240);
}

int standin_wait_press(int* x, int* y)
{
    SDL_Event event;
    while (platform_wait_event(&event)) {
        if (event.type == SDL_JOYBUTTONDOWN)
            return event.jbutton.button;
        if (event.type == SDL_MOUSEBUTTONDOWN) {
            if (x)
                *x = event.button.x;
            if (y)
                *y = event.button.y;
            return -1;
        }
    }
    return -2;
}

void standin_log(std::string_view line)
{
    std::printf("%s: %.*s\n", program_invocation_short_name, static_cast<int>(line.size()), line.data());
    std::fflush(stdout);
    if (pc_emu_active())
        pc_emu_log("programs.log", line);
}

void standin_replace(const char* folder, const char* program)
{
    char here[4096];
    bool known = getcwd(here, sizeof here) != nullptr;
    SDL_Quit();
    platform_chdir(folder);
    const char* const argv[] = {program, nullptr};
    platform_replace_process(program, argv);
    // Still here (the program is missing, say on a pulled card): SDL is up
    // again and the folder is the one before, so the caller goes on.
    standin_log(std::string("could not start ") + program);
    if (known)
        platform_chdir(here);
    SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK);
    standin_screen = platform_open_display();
}

void standin_return_to_menu()
{
    standin_replace("/usr/gp2x", "/usr/gp2x/gp2xmenu");
}
