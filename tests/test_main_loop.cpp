// The main loop's window-change set-up and start-up as seen on the emulated
// console.
#include "harness.h"

#include "core/devices.h"
#include "shell/shell.h"

#include <SDL_mixer.h>

namespace {

using MainLoop = GroupNeeding<Needs::nothing>;

// One pass; the windows without a handler wait, so give them an event.
void pass()
{
    ShellTest::push_button(1);
    main_loop_pass();
}

void dirty_selection()
{
    selection = 7;
    list_top = 2;
    field_selection = 3;
    sidebar_item = 2;
    usb_mode = 1;
    desc_bar_on = 1;
}

} // namespace

TEST_F(MainLoop, FirstPassSetsUpTheDesktop)
{
    EXPECT_EQ(drawn_window, WindowId::None);
    dirty_selection();
    pass();
    EXPECT_EQ(drawn_window, WindowId::Desktop);
    EXPECT_EQ(selection, 0);
    EXPECT_EQ(list_top, 0);
    EXPECT_EQ(field_selection, 0);
    EXPECT_EQ(sidebar_item, -1);
    EXPECT_EQ(usb_mode, 0);
    EXPECT_EQ(desc_bar_on, 0);
}

TEST_F(MainLoop, SameWindowAgainResetsNothing)
{
    pass();
    dirty_selection();
    current_window = WindowId::Desktop;
    pass();
    EXPECT_EQ(selection, 7);
    EXPECT_EQ(list_top, 2);
    EXPECT_EQ(usb_mode, 1);
    EXPECT_EQ(desc_bar_on, 1);
}

TEST_F(MainLoop, LinkPropertiesKeepTheCategorySelection)
{
    current_window = WindowId::Games;
    pass();
    dirty_selection();
    current_window = WindowId::Props;
    pass();
    EXPECT_EQ(selection, 7);
    EXPECT_EQ(list_top, 2);
    EXPECT_EQ(field_selection, 3);
    EXPECT_EQ(sidebar_item, 2);
    EXPECT_EQ(usb_mode, 0) << "every change clears the USB state";
    EXPECT_EQ(desc_bar_on, 0);

    current_window = WindowId::Games;
    pass();
    EXPECT_EQ(selection, 7);
    EXPECT_EQ(list_top, 2);

    current_window = WindowId::Desktop;
    pass();
    EXPECT_EQ(selection, 0);
    EXPECT_EQ(list_top, 0);
    EXPECT_EQ(field_selection, 0);
    EXPECT_EQ(sidebar_item, -1);
}

TEST_F(MainLoop, SettingsWindowsStartOnTheCurrentValue)
{
    brightness = 2;
    current_window = WindowId::Bright;
    pass();
    EXPECT_EQ(selection, 2);

    saver_ms = 30000;
    current_window = WindowId::Saver;
    pass();
    EXPECT_EQ(selection, 2);

    saver_ms = 20000;   // not one of the choices: the reset value stays
    current_window = WindowId::Desktop;
    pass();
    current_window = WindowId::Saver;
    pass();
    EXPECT_EQ(selection, 0);

    auto_off_ms = 600000;
    current_window = WindowId::Off;
    pass();
    EXPECT_EQ(selection, 5);

    auto_off_ms = 250000;
    current_window = WindowId::Desktop;
    pass();
    current_window = WindowId::Off;
    pass();
    EXPECT_EQ(selection, 2) << "whole two-minute periods";
}

TEST_F(MainLoop, DispatchTableHasOneRowPerWindow)
{
    for (size_t i = 0; i < kWindowCount; ++i) {
        WindowId id = static_cast<WindowId>(i);
        EXPECT_EQ(window_row(id).id, id) << window_name(id);
    }
    EXPECT_EQ(window_name(WindowId::Games), "games");
    EXPECT_EQ(window_name(WindowId::StartMenu), "startmenu");
}

TEST_F(MainLoop, StartUpOpensTheConsoleAndSetsTheClock)
{
    TEST_NEEDS(Needs::display);   // start-up opens the screen
    make_account("amy", "user", "", "wallpaper/Blue.png Blue 2 0 0 0 60");
    write_file("resources/autolog.st", "amy");
    Mix_CloseAudio();
    SDL_Quit();
    start_up();
    std::vector<std::string> lines = trace();
    const std::vector<std::string> expected_order = {
        "run killall sh", "fb 5 0", "battery open", "mem open", "map registers 0xC0000000+0x20000",
        "reg32 0xF004 = 0x24B100", "reg32 0xF07C = 0x8000", "mixer open ro", "mixer pcm 60", "mixer close"};
    int last = -1;
    for (const std::string& line : expected_order) {
        int at = trace_index(line);
        EXPECT_GT(at, last) << line;
        last = at;
    }
    EXPECT_NE(screen, nullptr);
    EXPECT_EQ(screen->w, 320);
    EXPECT_EQ(screen->h, 240);
    EXPECT_EQ(screen->format->BitsPerPixel, 16);
    close_devices();
}
