// The console's devices as the emulated console sees them.
#include "harness.h"

#include "core/devices.h"
#include "core/text.h"
#include "platform/pc_console.h"

namespace {

using Devices = GroupNeeding<Needs::nothing>;

} // namespace

TEST_F(Devices, OpenAndCloseInOrder)
{
    open_devices();
    EXPECT_NE(register_map, nullptr);
    close_devices();
    EXPECT_EQ(register_map, nullptr);
    EXPECT_EQ(trace(), (std::vector<std::string>{"fb 5 0", "battery open", "mem open",
                                                 "map registers 0xC0000000+0x20000", "unmap registers",
                                                 "mem close", "battery close"}));
}

TEST_F(Devices, BrightnessLevelsAreSentInverted)
{
    brightness_set(0);
    EXPECT_EQ(pc_brightness_value(), 3);
    brightness_set(3);
    EXPECT_EQ(pc_brightness_value(), 0);
    brightness_set(4);
    EXPECT_EQ(pc_brightness_value(), 0) << "only levels 0 to 3 exist";
    EXPECT_EQ(trace(), (std::vector<std::string>{"fb 3 3", "fb 3 0"}));
}

TEST_F(Devices, Backlight)
{
    EXPECT_EQ(backlight_set(0), 0);
    EXPECT_FALSE(pc_backlight_on());
    backlight_set(7);
    EXPECT_TRUE(pc_backlight_on());
}

TEST_F(Devices, BatteryLevel)
{
    EXPECT_EQ(battery_level(), 0) << "no device before start-up";
    open_devices();
    set_battery_level(4);
    EXPECT_EQ(battery_level(), 4);
    set_battery_level(2);
    EXPECT_EQ(battery_level(), 2);
    close_devices();

    pc_set_battery_present(false);
    open_devices();
    EXPECT_EQ(battery_level(), 0);
    close_devices();
}

TEST_F(Devices, MixerVolumeGoesToBothChannels)
{
    EXPECT_TRUE(write_mixer_volume(70, true));
    EXPECT_EQ(pc_mixer_pcm(), 70 | (70 << 8));
    EXPECT_EQ(trace(), (std::vector<std::string>{"mixer open rw", "mixer pcm 70", "mixer close"}));
}

TEST_F(Devices, PowerOffSavesThenShowsThePictureThenCutsThePower)
{
    TEST_NEEDS(Needs::display);
    write_file("user/amy/settings.st", "old");
    copy_text(user_name, "amy");
    copy_text(skin_name, "Gold");
    copy_text(wallpaper_name, "wallpaper/Gold.png");
    volume = 30;
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 255));
    Uint32 start = SDL_GetTicks();
    power_off();
    EXPECT_GE(SDL_GetTicks() - start, 3000u);
    EXPECT_EQ(read_file("user/amy/settings.st"), "wallpaper/Gold.png Gold 0 0 0 0 30");
    EXPECT_EQ(trace(), (std::vector<std::string>{"run sync", "run sync", "power cut"}))
        << "the settings' own sync, then the shut-down's";
    if (exists("resources/shutdown.png")) {
        SDL_Color c = colour(0, 0);
        EXPECT_FALSE(c.r == 0 && c.g == 0 && c.b == 255) << "the shut-down picture covers the screen";
    }
}

TEST_F(Devices, RestartStartsTheShellFromItsFolder)
{
    write_file("user/amy/settings.st", "old");
    copy_text(user_name, "amy");
    open_devices();
    clear_trace();
    restart_shell();
    EXPECT_EQ(trace(), (std::vector<std::string>{"run sync", "unmap registers", "mem close", "battery close",
                                                 "run sync", "exec Korvo.gpe: Korvo.gpe"}));
    EXPECT_NE(read_file("user/amy/settings.st"), "old");
}

TEST_F(Devices, RestartFallsBackToTheInstalledLauncher)
{
    pc_fail_replacements(true);
    // Both starts fail: the shell, already shut down, ends with an error.
    // The trace of the child process is printed for the parent to match.
    EXPECT_EXIT(
        {
            std::atexit([] {
                for (const std::string& line : pc_trace())
                    std::fprintf(stderr, "%s\n", line.c_str());
            });
            restart_shell();
        },
        ::testing::ExitedWithCode(1),
        "exec Korvo.gpe: Korvo.gpe \\(failed\\)\nchdir /usr/gp2x\nexec /usr/gp2x/gp2xmenu: /usr/gp2x/gp2xmenu \\(failed\\)");
}

TEST_F(Devices, RestartFromElsewhereStartsTheInstalledLauncher)
{
    // No "Korvo.gpe" in the working directory: the launcher path takes over.
    pc_fail_next_replacements(1);
    restart_shell();
    std::vector<std::string> lines = trace();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], "exec Korvo.gpe: Korvo.gpe (failed)");
    EXPECT_EQ(lines[lines.size() - 2], "chdir /usr/gp2x");
    EXPECT_EQ(lines[lines.size() - 1], "exec /usr/gp2x/gp2xmenu: /usr/gp2x/gp2xmenu");
}
