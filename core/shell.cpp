#include "core/shell.h"

#include "core/devices.h"
#include "core/events.h"
#include "core/files.h"
#include "desktop/desktop.h"
#include "desktop/shortcuts.h"
#include "platform/platform.h"
#include "programs/clock.h"

#include <SDL_mixer.h>

namespace {

constexpr Uint32 kSdlSubsystems = SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK;
static_assert(kSdlSubsystems == 0x231, "timer, audio, video and joystick");

constexpr const char* kLaunchScript = "/mnt/nand/exect.gpe";

// The screensaver choices of the "saver" window, in its order.
constexpr int32_t kSaverChoicesMs[] = {0, 10000, 30000, 60000};
constexpr int32_t kPowerOffStepMs = 120000;

void reset_window_selection()
{
    sidebar_item = -1;
    selection = 0;
    list_top = 0;
    field_selection = 0;
}

void select_saver_choice()
{
    for (int32_t i = 0; i < 4; ++i)
        if (saver_ms == kSaverChoicesMs[i])
            selection = i;
}

void refresh_screen()
{
    platform_update(screen, 0, 0, 320, 240);
}

} // namespace

void start_up()
{
    platform_run("killall sh");
    open_devices();
    SDL_Init(kSdlSubsystems);
    screen = platform_open_display();
    Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024);
    if (SDL_NumJoysticks() > 0)
        joystick = SDL_JoystickOpen(0);
    apply_clock_params("cpuclk=533");
    write_mixer_volume(volume, false);
}

void window_change_setup()
{
    // Going into or out of the link properties keeps the category window's
    // selection and page.
    if (drawn_window != WindowId::Props && current_window != WindowId::Props)
        reset_window_selection();
    if (current_window == WindowId::Bright)
        selection = brightness;
    if (current_window == WindowId::Desktop)
        load_desktop();
    if (current_window == WindowId::Saver)
        select_saver_choice();
    if (current_window == WindowId::Off)
        selection = auto_off_ms / kPowerOffStepMs;
    usb_mode = 0;
    desc_bar_on = 0;
    drawn_window = current_window;
    // Every window is drawn over a freshly painted desktop.
    draw_desktop();
}

void main_loop_pass()
{
    if (drawn_window != current_window)
        window_change_setup();
    const WindowRow& row = window_row(current_window);
    if (row.draw)
        row.draw();
    if (row.input)
        row.input();
    else
        wait_event();
    refresh_screen();
}

void enter_shell()
{
    if (file_exists(kLaunchScript)) {
        platform_run("rm /mnt/nand/exect.gpe");
        platform_run("sync");
    }
    draw_desktop();
    refresh_screen();
    for (;;)
        main_loop_pass();
}
