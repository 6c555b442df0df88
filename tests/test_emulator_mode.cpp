// The PC backend in emulator mode: the scaled window, the backlight, the
// emulator keys, input scripts across processes, reboot and power cut, and
// the PNG writer.
#include "harness.h"

#include "platform/pc_console.h"
#include "platform/platform.h"

#include <SDL_image.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class EmulatorMode : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        emu_dir = work_dir + "/emu";
        fs::create_directories(emu_dir + "/state");
        setenv("KORVO_EMU_DIR", emu_dir.c_str(), 1);
        unsetenv("KORVO_EMU_SCRIPT");
        unsetenv("KORVO_EMU_SCALE");
        boot_process();
    }

    void TearDown() override
    {
        unsetenv("KORVO_EMU_DIR");
        unsetenv("KORVO_EMU_SCRIPT");
        unsetenv("KORVO_EMU_SCALE");
        pc_emu_load();
        pc_emu_display_reset();
        ShellTest::TearDown();
    }

    // What a newly started process of the emulated console does first.
    void boot_process()
    {
        pc_emu_load();
        pc_emu_display_reset();
        screen = platform_open_display();
        ASSERT_NE(screen, nullptr);
    }

    void use_script(const std::string& text)
    {
        write_file(emu_dir + "/script", text);
        setenv("KORVO_EMU_SCRIPT", (emu_dir + "/script").c_str(), 1);
        boot_process();
    }

    static SDL_Color window_colour(int x, int y)
    {
        SDL_Surface* window = SDL_GetVideoSurface();
        const Uint8* row = static_cast<const Uint8*>(window->pixels) + y * window->pitch;
        Uint16 p = reinterpret_cast<const Uint16*>(row)[x];
        SDL_Color c{};
        SDL_GetRGB(p, window->format, &c.r, &c.g, &c.b);
        return c;
    }

    static SDL_Event next_event()
    {
        SDL_Event e{};
        EXPECT_EQ(platform_wait_event(&e), 1);
        return e;
    }

    std::string emu_dir;
};

void fill(Uint8 r, Uint8 g, Uint8 b)
{
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, r, g, b));
}

TEST_F(EmulatorMode, ScreenIsTheConsoleSizeAndTheWindowIsScaled)
{
    EXPECT_EQ(screen->w, 320);
    EXPECT_EQ(screen->h, 240);
    EXPECT_EQ(screen->format->BitsPerPixel, 16);
    EXPECT_NE(screen, SDL_GetVideoSurface());
    EXPECT_EQ(SDL_GetVideoSurface()->w, 640);
    EXPECT_EQ(SDL_GetVideoSurface()->h, 480);

    fill(0, 0, 0);
    SDL_Rect dot = {10, 20, 1, 1};
    SDL_FillRect(screen, &dot, SDL_MapRGB(screen->format, 255, 0, 0));
    platform_update(screen, 0, 0, 320, 240);
    for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx)
            EXPECT_EQ(window_colour(20 + dx, 40 + dy).r, 255) << dx << "," << dy;
    EXPECT_EQ(window_colour(22, 40).r, 0);
    EXPECT_EQ(window_colour(20, 42).r, 0);
}

TEST_F(EmulatorMode, ScaleComesFromTheEmulator)
{
    setenv("KORVO_EMU_SCALE", "3", 1);
    boot_process();
    EXPECT_EQ(SDL_GetVideoSurface()->w, 960);
    setenv("KORVO_EMU_SCALE", "1", 1);
    boot_process();
    EXPECT_EQ(SDL_GetVideoSurface()->w, 320);
    pc_emu_write_number("state/scale", 2);   // chosen with the scale key earlier in the run
    boot_process();
    EXPECT_EQ(SDL_GetVideoSurface()->w, 640);
}

TEST_F(EmulatorMode, OnlyTheUpdatedRectangleIsCopied)
{
    fill(0, 0, 0);
    platform_update(screen, 0, 0, 320, 240);
    fill(255, 255, 255);
    platform_update(screen, 100, 100, 10, 10);
    EXPECT_EQ(window_colour(200, 200).r, 255);
    EXPECT_EQ(window_colour(219, 219).r, 255);
    EXPECT_EQ(window_colour(220, 200).r, 0);
    EXPECT_EQ(window_colour(0, 0).r, 0);
}

TEST_F(EmulatorMode, BacklightOffDarkensTheWindowUntilItIsOnAgain)
{
    fill(255, 255, 255);
    platform_update(screen, 0, 0, 320, 240);
    EXPECT_EQ(window_colour(5, 5).g, 255);
    platform_fb_command(0, 0);
    SDL_Event e;
    platform_poll_event(&e);   // the window follows the backlight while the shell waits
    SDL_Color dark = window_colour(5, 5);
    EXPECT_LT(dark.r, 80);
    EXPECT_GT(dark.r, 0) << "darkened, not black";
    platform_fb_command(1, 0);
    platform_poll_event(&e);
    EXPECT_EQ(window_colour(5, 5).g, 255);
}

TEST_F(EmulatorMode, MouseIsTheTouchScreenAtScreenCoordinates)
{
    push_touch(301, 99);
    SDL_Event e = next_event();
    EXPECT_EQ(e.type, SDL_MOUSEBUTTONDOWN);
    EXPECT_EQ(e.button.x, 150);
    EXPECT_EQ(e.button.y, 49);
}

TEST_F(EmulatorMode, FunctionKeysWorkTheEmulatorAndReachNoProgram)
{
    pc_emu_write_number("state/battery", 3);
    push_key(SDLK_F11);
    push_key(SDLK_F11, false);
    push_key(SDLK_F11);
    push_key(SDLK_F12);
    push_key(SDLK_b);
    SDL_Event e = next_event();
    EXPECT_EQ(e.type, SDL_JOYBUTTONDOWN) << "the function keys were taken by the emulator";
    EXPECT_EQ(e.jbutton.button, 13);
    EXPECT_EQ(pc_emu_read_number("state/battery", 0), 1) << "3, 4, then back to full";
    int shots = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(emu_dir + "/screenshots"))
        shots += entry.path().extension() == ".png";
    EXPECT_EQ(shots, 1);
}

TEST_F(EmulatorMode, BatteryLevelIsSharedThroughTheStateFolder)
{
    pc_emu_write_number("state/battery", 4);
    unsigned char state[4] = {};
    int fd = platform_battery_open();
    ASSERT_EQ(platform_battery_read(fd, state, 4), 4);
    EXPECT_EQ(state[0], 4);
    pc_emu_write_number("state/battery", 2);
    platform_battery_read(fd, state, 4);
    EXPECT_EQ(state[0], 2);
}

TEST_F(EmulatorMode, RebootAndPowerCutEndTheProcessAndTellTheEmulator)
{
    EXPECT_EXIT(platform_run("sync; reboot"), testing::ExitedWithCode(0), "");
    EXPECT_EQ(read_file(emu_dir + "/state/control"), "reboot\n");
    EXPECT_EXIT(platform_power_cut(), testing::ExitedWithCode(0), "");
    EXPECT_EQ(read_file(emu_dir + "/state/control"), "power-off\n");
    EXPECT_EQ(platform_run("killall sh"), 0) << "other privileged commands are only recorded";
    EXPECT_NE(read_file(emu_dir + "/state/trace.log").find(": run killall sh\n"), std::string::npos);
}

TEST_F(EmulatorMode, ScriptReplacesKeyboardAndMouse)
{
    use_script("press a\n");
    push_key(SDLK_b);
    push_touch(10, 10);
    SDL_Event e = next_event();
    EXPECT_EQ(e.type, SDL_JOYBUTTONDOWN);
    EXPECT_EQ(e.jbutton.button, 12);
}

TEST_F(EmulatorMode, ScriptRunsOnAcrossTheProcessesOfARun)
{
    use_script("hold r   # held while the console starts\n"
               "press b\n"
               "tap 10 20\n"
               "battery 4\n"
               "screenshot after-tap\n"
               "release r\n");
    EXPECT_TRUE(platform_button_held(nullptr, 11)) << "held before the first program waits";
    EXPECT_FALSE(platform_button_held(nullptr, 13));
    SDL_Event e = next_event();
    EXPECT_EQ(e.type, SDL_JOYBUTTONDOWN);
    EXPECT_EQ(e.jbutton.button, 13);

    boot_process();   // the program replaced itself after B went down
    EXPECT_TRUE(platform_button_held(nullptr, 11));
    e = next_event();
    EXPECT_EQ(e.type, SDL_JOYBUTTONUP);
    EXPECT_EQ(e.jbutton.button, 13);
    e = next_event();
    EXPECT_EQ(e.type, SDL_MOUSEBUTTONDOWN);
    EXPECT_EQ(e.button.x, 10) << "script coordinates are screen pixels";
    EXPECT_EQ(e.button.y, 20);
    e = next_event();
    EXPECT_EQ(e.type, SDL_MOUSEBUTTONUP);
    fill(0, 0, 255);
    e = next_event();
    EXPECT_EQ(e.type, SDL_JOYBUTTONUP);
    EXPECT_FALSE(platform_button_held(nullptr, 11));
    EXPECT_EQ(pc_emu_read_number("state/battery", 0), 4);
    SDL_Surface* shot = IMG_Load((emu_dir + "/screenshots/after-tap.png").c_str());
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->w, 320);
    SDL_FreeSurface(shot);

    EXPECT_EXIT(next_event(), testing::ExitedWithCode(0), "") << "a wait past the script's end ends the run";
    EXPECT_EQ(read_file(emu_dir + "/state/control"), "script-end\n");
}

TEST_F(EmulatorMode, HoldLaterInTheScriptIsAButtonGoingDown)
{
    use_script("press a\nhold l\n");
    EXPECT_FALSE(platform_button_held(nullptr, 10));
    next_event();
    next_event();
    SDL_Event e = next_event();
    EXPECT_EQ(e.type, SDL_JOYBUTTONDOWN);
    EXPECT_EQ(e.jbutton.button, 10);
    EXPECT_TRUE(platform_button_held(nullptr, 10));
}

TEST_F(EmulatorMode, ScriptWaitHoldsBackTheNextEvent)
{
    use_script("wait 300\npress a\n");
    SDL_Event e;
    Uint32 start = SDL_GetTicks();
    EXPECT_EQ(platform_poll_event(&e), 0);
    boot_process();   // the wait goes on in the next process
    EXPECT_EQ(platform_poll_event(&e), 0);
    e = next_event();
    EXPECT_GE(SDL_GetTicks() - start, 290u);
    EXPECT_EQ(e.jbutton.button, 12);
}

TEST_F(EmulatorMode, TimersStillReachTheShellDuringAScript)
{
    use_script("wait 5000\n");
    SDL_Event user{};
    user.type = SDL_USEREVENT;
    user.user.code = 7;
    SDL_PushEvent(&user);
    SDL_Event e = next_event();
    EXPECT_EQ(e.type, SDL_USEREVENT);
    EXPECT_EQ(e.user.code, 7);
}

TEST_F(EmulatorMode, ClockCanStandStill)
{
    setenv("KORVO_EMU_TIME", "1767268800", 1);
    pc_reset();
    EXPECT_EQ(platform_time(), 1767268800);
    unsetenv("KORVO_EMU_TIME");
    pc_reset();
    EXPECT_NEAR(static_cast<double>(platform_time()), static_cast<double>(time(nullptr)), 2.0);
}

TEST(InputScript, ParsesEveryCommand)
{
    ScriptCommand c;
    EXPECT_EQ(pc_parse_script_line("press B", c), 1);
    EXPECT_EQ(c.op, ScriptOp::Press);
    EXPECT_EQ(c.a, 13);
    EXPECT_EQ(pc_parse_script_line("  hold 11 ", c), 1);
    EXPECT_EQ(c.op, ScriptOp::Hold);
    EXPECT_EQ(c.a, 11);
    EXPECT_EQ(pc_parse_script_line("release volup", c), 1);
    EXPECT_EQ(c.a, 16);
    EXPECT_EQ(pc_parse_script_line("tap 319 239", c), 1);
    EXPECT_EQ(c.op, ScriptOp::Tap);
    EXPECT_EQ(c.a, 319);
    EXPECT_EQ(c.b, 239);
    EXPECT_EQ(pc_parse_script_line("wait 1500 # long", c), 1);
    EXPECT_EQ(c.a, 1500);
    EXPECT_EQ(pc_parse_script_line("screenshot desktop-1", c), 1);
    EXPECT_EQ(c.name, "desktop-1");
    EXPECT_EQ(pc_parse_script_line("battery 4", c), 1);
    EXPECT_EQ(c.op, ScriptOp::Battery);
    EXPECT_EQ(pc_parse_script_line("", c), 0);
    EXPECT_EQ(pc_parse_script_line("   # only a comment", c), 0);
}

TEST(InputScript, RefusesWhatItDoesNotUnderstand)
{
    ScriptCommand c;
    for (const char* line : {"press", "press q", "press 18", "tap 10", "tap 10 20 30", "wait -5", "wait soon",
                             "screenshot ../x", "jump 3", "screenshot"})
        EXPECT_EQ(pc_parse_script_line(line, c), -1) << line;
}

TEST(PngWriter, WritesWhatSdlImageReadsBack)
{
    SDL_Surface* picture = SDL_CreateRGBSurface(SDL_SWSURFACE, 37, 11, 16, 0xF800, 0x07E0, 0x001F, 0);
    ASSERT_NE(picture, nullptr);
    for (int y = 0; y < picture->h; ++y)
        for (int x = 0; x < picture->w; ++x) {
            SDL_Rect r = {static_cast<Sint16>(x), static_cast<Sint16>(y), 1, 1};
            SDL_FillRect(picture, &r, SDL_MapRGB(picture->format, static_cast<Uint8>(x * 7), static_cast<Uint8>(y * 20), 200));
        }
    std::string path = "/tmp/korvo-png-" + std::to_string(getpid()) + ".png";
    ASSERT_TRUE(pc_save_png(picture, path.c_str()));
    SDL_Surface* back = IMG_Load(path.c_str());
    ASSERT_NE(back, nullptr) << IMG_GetError();
    EXPECT_EQ(back->w, 37);
    EXPECT_EQ(back->h, 11);
    for (int y = 0; y < picture->h; y += 3)
        for (int x = 0; x < picture->w; x += 5) {
            Uint8 r0, g0, b0, r1, g1, b1;
            Uint16 p0 = reinterpret_cast<Uint16*>(static_cast<Uint8*>(picture->pixels) + y * picture->pitch)[x];
            SDL_GetRGB(p0, picture->format, &r0, &g0, &b0);
            const Uint8* q = static_cast<Uint8*>(back->pixels) + y * back->pitch + x * back->format->BytesPerPixel;
            Uint32 p1 = back->format->BytesPerPixel == 3 ? Uint32(q[0] | q[1] << 8 | q[2] << 16)
                                                          : *reinterpret_cast<const Uint32*>(q);
            SDL_GetRGB(p1, back->format, &r1, &g1, &b1);
            EXPECT_EQ(r0, r1) << x << "," << y;
            EXPECT_EQ(g0, g1) << x << "," << y;
            EXPECT_EQ(b0, b1) << x << "," << y;
        }
    SDL_FreeSurface(back);
    SDL_FreeSurface(picture);
    std::remove(path.c_str());
    EXPECT_FALSE(pc_save_png(nullptr, path.c_str()));
}

} // namespace
