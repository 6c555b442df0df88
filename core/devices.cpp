#include "core/devices.h"

#include "core/state.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "platform/platform.h"

#include <SDL_mixer.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

void* register_map;

namespace {

// Framebuffer commands: {command, value}.
constexpr uint32_t kFbStart = 5;
constexpr uint32_t kFbBacklightOn = 1;
constexpr uint32_t kFbBacklightOff = 0;
constexpr uint32_t kFbBrightness = 3;   // value 3 - level: level 0 sends 3

constexpr Uint32 kShutdownPictureMs = 3000;

void (*before_power_down)() = nullptr;

int battery_fd = -1;
int mem_fd = -1;

void save_before_power_down()
{
    if (before_power_down)
        before_power_down();
}

} // namespace

void set_before_power_down(void (*save)())
{
    before_power_down = save;
}

void open_devices()
{
    platform_fb_command(kFbStart, 0);
    battery_fd = platform_battery_open();
    mem_fd = platform_mem_open();
    register_map = platform_map_registers(mem_fd);
}

void close_devices()
{
    platform_unmap_registers(register_map);
    register_map = nullptr;
    platform_mem_close(mem_fd);
    mem_fd = -1;
    platform_battery_close(battery_fd);
    battery_fd = -1;
}

int backlight_set(int on)
{
    return platform_fb_command(on ? kFbBacklightOn : kFbBacklightOff, 0);
}

void brightness_set(int level)
{
    if (level < 0 || level > 3)
        return;
    platform_fb_command(kFbBrightness, static_cast<uint32_t>(3 - level));
}

int battery_level()
{
    if (battery_fd < 1)
        return 0;
    unsigned char state[4] = {};
    if (platform_battery_read(battery_fd, state, 4) < 2)
        return 0;
    return state[0] | (state[1] << 8);
}

void power_off()
{
    SDL_Surface* picture = load_image("resources/shutdown.png");
    play_shutdown();
    save_before_power_down();
    platform_run("sync");
    if (screen) {
        SDL_Rect at;
        set_rect(at, 0, 0, 320, 240);
        SDL_BlitSurface(picture, nullptr, screen, &at);
        show_whole_screen(screen);
    }
    SDL_Delay(kShutdownPictureMs);
    platform_power_cut();
    SDL_FreeSurface(picture);
}

void restart_shell()
{
    save_before_power_down();
    close_devices();
    SDL_Quit();
    Mix_CloseAudio();
    platform_run("sync");
    const char* const shell_argv[] = {"Korvo.gpe", nullptr};
    if (platform_replace_process("Korvo.gpe", shell_argv) == 0)
        return;
    // Not started from its own folder: the installed launcher path holds it.
    platform_chdir("/usr/gp2x");
    const char* const launcher_argv[] = {"/usr/gp2x/gp2xmenu", nullptr};
    if (platform_replace_process("/usr/gp2x/gp2xmenu", launcher_argv) == 0)
        return;
    // SDL and the devices are gone: there is no shell left to go back to.
    std::fprintf(stderr, "Korvo: could not restart the shell\n");
    std::exit(1);
}

bool write_mixer_volume(int level, bool for_writing)
{
    int fd = platform_mixer_open(for_writing);
    if (fd < 0)
        return false;
    platform_mixer_write_pcm(fd, level);
    platform_mixer_close(fd);
    return true;
}

bool volume_button(int button)
{
    constexpr int kStep = 10, kMost = 100;
    if (button != kVolumeUpButton && button != kVolumeDownButton)
        return false;
    int level = volume + (button == kVolumeUpButton ? kStep : -kStep);
    level = level < 0 ? 0 : level > kMost ? kMost : level;
    if (level != volume && write_mixer_volume(level, true))
        volume = level;
    return true;
}

void replace_or_end(const char* path)
{
    const char* const argv[] = {path, nullptr};
    if (platform_replace_process(path, argv) < 0) {
        std::fprintf(stderr, "Korvo: could not start %s\n", path);
        std::exit(1);
    }
}
