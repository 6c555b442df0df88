// The "off", "saver" and "bright" windows: accepting into the settings file,
// the backlight following "bright", stored values that are no choice.
#include "settings_test.h"

#include "shell/shell.h"
#include "platform/pc_console.h"
#include "settings/power_windows.h"
#include "window_checks.h"

#include <filesystem>

namespace {

class PowerWindows : public GroupNeeding<Needs::nothing, SettingsTest> {
protected:
    static void open(WindowId window)
    {
        current_window = window;
        window_change_setup();
        clear_trace();
    }
};

} // namespace

TEST_F(PowerWindows, AcceptedChoicesAreStoredAndSaved)
{
    open(WindowId::Off);
    for (int button : {4, 4, 4, 4, 13})   // the fourth 4 finds no fifth choice
        press(power_window_input, button);
    EXPECT_EQ(auto_off_ms, 360000);
    EXPECT_EQ(current_window, WindowId::System);
    EXPECT_EQ(settings_file(), "wallpaper/Blue.png Blue 0 0 360000 0 0");
    EXPECT_TRUE(traced("run sync"));

    open(WindowId::Saver);
    tap(power_window_input, 120, 103);   // "10 sec"
    tap(power_window_input, 200, 185);   // OK
    EXPECT_EQ(settings_file(), "wallpaper/Blue.png Blue 0 10000 360000 0 0");
}

// A choice the card cannot keep (full or write-protected) is told once;
// the file stays as it was.
TEST_F(PowerWindows, ChoiceThatCannotBeSavedIsTold)
{
    std::string before = settings_file();
    std::filesystem::create_directory("user/amy/settings.st.tmp");
    open(WindowId::Off);
    push_button(4);
    push_button(13);
    push_button(13);   // answers the notice
    power_window_input();
    power_window_input();
    EXPECT_TRUE(box_shows("Could not save settings!", 0));
    EXPECT_EQ(settings_file(), before);
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0) << "one notice";
}

TEST_F(PowerWindows, BrightnessShowsEachMoveAndCancelRestoresIt)
{
    brightness = 1;
    open(WindowId::Bright);
    for (int button : {4, 4, 0, 14})
        press(power_window_input, button);
    EXPECT_EQ(trace(), (std::vector<std::string>{"fb 3 1", "fb 3 0", "fb 3 1", "fb 3 2"}));
    EXPECT_EQ(brightness, 1);

    open(WindowId::Bright);
    tap(power_window_input, 150, 133);   // level 2 at once
    EXPECT_EQ(pc_brightness_value(), 1);
    tap(power_window_input, 220, 50);    // the close box
    EXPECT_EQ(pc_brightness_value(), 2);
    EXPECT_EQ(settings_file(), "wallpaper/Blue.png Blue 2 0 0 0 50") << "unchanged";
}

// A hand-made settings file may hold a value that is no choice: nothing is
// highlighted, the first move lands on the list, and accepting without a
// choice keeps the stored value.
TEST_F(PowerWindows, StoredValueOffTheListIsKeptUntilAChoiceIsMade)
{
    TEST_NEEDS(Needs::display);
    auto_off_ms = 600000;
    open(WindowId::Off);
    ASSERT_EQ(selection, 5);
    draw_power_window();
    std::vector<Uint32> drawn = snapshot();
    selection = -1;
    draw_power_window();
    EXPECT_EQ(snapshot(), drawn) << "no highlight below the list";
    selection = 5;
    press(power_window_input, 13);
    EXPECT_EQ(auto_off_ms, 600000);

    brightness = 7;
    open(WindowId::Bright);
    press(power_window_input, 0);
    EXPECT_EQ(pc_brightness_value(), 0) << "level 3";
}
