#include "shell/shell.h"

#include "core/devices.h"
#include "core/events.h"
#include "core/files.h"
#include "desktop/desktop.h"
#include "desktop/shortcuts.h"
#include "dialogs/dialogs.h"
#include "gfx/changes.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "platform/platform.h"
#include "programs/clock.h"
#include "stock/recovery.h"
#include "stock/welcome.h"
#include "users/logon.h"
#include "users/user_files.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <SDL_mixer.h>

namespace {

constexpr Uint32 kSdlSubsystems = SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK;
static_assert(kSdlSubsystems == 0x231, "timer, audio, video and joystick");

constexpr int kRecoveryButton = 11;
constexpr const char* kLaunchScript = "/mnt/nand/exect.gpe";
constexpr const char* kPasswordSkin = "Blue";
constexpr const char* kAutologParked = "resources/autoback.st";

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


// Until a user's settings are read no intervals are known. The screens of
// the start (recovery, logon, password) dim and power the console off after
// these, so a console left at one of them does not drain its battery; the
// values held before come back once the logon is done, so that a settings
// file that lacks the power-off field keeps what it kept before.
constexpr int32_t kStartSaverMs = 60000;
constexpr int32_t kStartPowerOffMs = 600000;

struct StartIdleTimes {
    int32_t saver = saver_ms;
    int32_t off = auto_off_ms;
    StartIdleTimes()
    {
        if (saver_ms <= 0)
            saver_ms = kStartSaverMs;
        if (auto_off_ms <= 0)
            auto_off_ms = kStartPowerOffMs;
    }
    ~StartIdleTimes()
    {
        saver_ms = saver;
        auto_off_ms = off;
    }
    StartIdleTimes(const StartIdleTimes&) = delete;
    StartIdleTimes& operator=(const StartIdleTimes&) = delete;
};

// The keyboard's slide-out leaves a strip of it at the top: every prompt
// and message starts from a black screen.
void clear_screen()
{
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
}

// Asks the automatic-logon account's password until it is typed exactly,
// saying so after each wrong one. False when the keyboard is cancelled: the
// logon screen then offers every account (the automatic logon stays).
bool autolog_password_typed()
{
    for (;;) {
        clear_screen();
        draw_text(screen, 100, 0, "Enter password:", 1, kPasswordSkin);
        char typed[50] = {};
        if (!on_screen_keyboard(screen, typed, kPasswordSkin))
            return false;
        if (std::strcmp(typed, user_password) == 0)
            return true;
        clear_screen();
        message_box(screen, "Wrong password!", 0, kPasswordSkin);
    }
}

// An automatic logon that names no usable account (its folder renamed or
// deleted, or without "data.st") is parked as a log-off parks it, so this
// start shows the logon screen; restore_autolog drops it afterwards. A
// usable one is read into the current user as it is found usable, so its
// "data.st" is read once.
bool autolog_account_read()
{
    if (autolog_user[0] == '\0')
        return false;
    if (account_exists(autolog_user) && read_user(current_user, autolog_user))
        return true;
    platform_run("mv resources/autolog.st resources/autoback.st");
    platform_run("sync");
    std::memset(autolog_user, 0, sizeof autolog_user);
    return false;
}

void log_user_on()
{
    read_autolog_user();
    if (autolog_account_read()) {
        if (!user_password[0] || autolog_password_typed()) {
            release_fonts();   // the user's skin draws from now on
            return;
        }
        clear_screen();
    }
    logon_screen(screen, current_user);
    load_user(current_user, user_name);
    show_welcome(screen, current_user);
}

// A log-off parked the automatic logon for one start: put it back, unless
// it names no usable account, which would only be parked again.
void restore_autolog()
{
    File file = open_regular_file(kAutologParked);
    if (!file)
        return;
    char parked[sizeof autolog_user] = {};
    read_word(file.get(), parked, sizeof parked);
    file.reset();
    if (!account_usable(parked)) {
        platform_run("rm resources/autoback.st");
        platform_run("sync");
        return;
    }
    platform_run("mv resources/autoback.st resources/autolog.st");
    platform_run("sync");
    read_autolog_user();
}

} // namespace

void start_up()
{
    platform_run("killall sh");
    // Nothing is saved at a power-off before the user's settings are read:
    // the values in memory are no one's yet.
    set_before_power_down(nullptr);
    open_devices();
    SDL_Init(kSdlSubsystems);
    screen = platform_open_display();
    if (!screen) {
        // Nothing can be shown or asked without a screen: say why on the
        // error output and stop, rather than draw into nothing.
        std::fprintf(stderr, "Korvo: the screen could not be opened: %s\n", SDL_GetError());
        SDL_Quit();
        std::exit(1);
    }
    Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024);
    if (SDL_NumJoysticks() > 0)
        joystick = SDL_JoystickOpen(0);
    {
        StartIdleTimes idle;
        if (platform_button_held(joystick, kRecoveryButton))
            show_recovery_screen(screen);
        apply_clock_params("cpuclk=533");
        log_user_on();
    }
    load_settings();
    set_before_power_down(save_settings);
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
    // own draw paints it anyway), and a new window is shown whole.
    if (window_row(current_window).draw != draw_desktop)
        draw_desktop();
    note_whole_screen_changed();
    redraw_screen();
}

void main_loop_draw()
{
    if (drawn_window != current_window)
        window_change_setup();
    if (screen_up_to_date)
        return;
    const WindowRow& row = window_row(current_window);
    // The window draws over its layer; the display is shown what changed.
    begin_frame();
    if (row.draw)
        row.draw();
    end_frame();
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
