#include "shell/shell.h"

#include "core/devices.h"
#include "core/events.h"
#include "core/files.h"
#include "desktop/desktop.h"
#include "desktop/shortcuts.h"
#include "dialogs/dialogs.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "platform/platform.h"
#include "programs/clock.h"
#include "stock/recovery.h"
#include "stock/welcome.h"
#include "users/logon.h"
#include "users/user_files.h"

#include <cstring>

#include <SDL_mixer.h>

namespace {

constexpr Uint32 kSdlSubsystems = SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK;
static_assert(kSdlSubsystems == 0x231, "timer, audio, video and joystick");

constexpr int kRecoveryButton = 11;
constexpr const char* kLaunchScript = "/mnt/nand/exect.gpe";
constexpr const char* kPasswordSkin = "Blue";

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


// Automatic logon asks the password again and again until it is typed
// exactly; there is no way to cancel.
void ask_autolog_password()
{
    for (;;) {
        char typed[50] = {};
        draw_text(screen, 100, 0, "Enter password:", 1, kPasswordSkin);
        on_screen_keyboard(screen, typed, kPasswordSkin);
        if (std::strcmp(typed, user_password) == 0)
            return;
    }
}

void log_user_on()
{
    read_autolog_user();
    if (autolog_user[0]) {
        load_user(current_user, autolog_user);
        if (user_password[0])
            ask_autolog_password();
        release_fonts();   // the user's skin draws from now on
        return;
    }
    logon_screen(screen, current_user);
    load_user(current_user, user_name);
    show_welcome(screen, current_user);
}

// A log-off parked the automatic logon for one start: put it back.
void restore_autolog()
{
    if (!file_exists("resources/autoback.st"))
        return;
    platform_run("mv resources/autoback.st resources/autolog.st");
    platform_run("sync");
    read_autolog_user();
}

} // namespace

void start_up()
{
    platform_run("killall sh");
    set_before_power_down(save_settings);
    open_devices();
    SDL_Init(kSdlSubsystems);
    screen = platform_open_display();
    Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024);
    if (SDL_NumJoysticks() > 0)
        joystick = SDL_JoystickOpen(0);
    if (platform_button_held(joystick, kRecoveryButton))
        show_recovery_screen(screen);
    apply_clock_params("cpuclk=533");
    log_user_on();
    load_settings();
    load_desktop();
    write_mixer_volume(volume, false);
    play_logon();
}

namespace {

// Whether the event handled by the window row may have changed what the
// screen shows. The clock's minute tick is here too: it changes the taskbar.
bool event_changes_screen(const SDL_Event& e, const WindowRow& row)
{
    switch (e.type) {
    case SDL_JOYBUTTONDOWN:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_VIDEOEXPOSE:
        return true;
    case SDL_JOYBUTTONUP:
        return row.acts_on_release;
    default:
        return is_clock_tick(e);
    }
}

} // namespace

void redraw_screen()
{
    screen_up_to_date = false;
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
        refresh_desktop();
    if (current_window == WindowId::Saver)
        select_saver_choice();
    if (current_window == WindowId::Off)
        selection = auto_off_ms / kPowerOffStepMs;
    usb_mode = 0;
    desc_bar_on = 0;
    drawn_window = current_window;
    // Every window is drawn over a freshly painted desktop (the desktop's
    // own draw paints it anyway).
    if (window_row(current_window).draw != draw_desktop)
        draw_desktop();
    redraw_screen();
}

void main_loop_draw()
{
    if (drawn_window != current_window)
        window_change_setup();
    if (screen_up_to_date)
        return;
    const WindowRow& row = window_row(current_window);
    if (row.draw)
        row.draw();
    show_whole_screen(screen);
    screen_up_to_date = true;
}

void main_loop_pass()
{
    main_loop_draw();
    const WindowRow& row = window_row(current_window);
    if (row.input)
        row.input();
    else
        wait_event();
    if (event_changes_screen(event, row))
        redraw_screen();
}

void prepare_main_loop()
{
    if (file_exists(kLaunchScript)) {
        platform_run("rm /mnt/nand/exect.gpe");
        platform_run("sync");
    }
    restore_autolog();
    draw_desktop();
    show_whole_screen(screen);
    start_clock_timer();
}

void enter_shell()
{
    prepare_main_loop();
    for (;;)
        main_loop_pass();
}
