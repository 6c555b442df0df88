// The system window: its highlight, double taps, what it opens, the guest
// rule; reached from the start menu through the main loop.
#include "settings_test.h"

#include "shell/shell.h"
#include "desktop/startmenu.h"
#include "explorer/listing.h"
#include "settings/system_window.h"
#include "window_checks.h"

#include <filesystem>

using SystemWindow = GroupNeeding<Needs::nothing, SettingsTest>;

TEST_F(SystemWindow, SelectionMovesInsideTheGrid)
{
    // {start, button, result}; -1 is a touch beside the icons.
    for (auto [from, button, to] : {std::array{5, 4, 5}, {6, 0, 2}, {7, 6, 7}, {0, 2, 0}, {-1, 6, 0}, {-1, 4, 3}}) {
        selection = from;
        press(system_window_input, button);
        EXPECT_EQ(selection, to) << from << " with button " << button;
    }
}

TEST_F(SystemWindow, SecondTouchOpensWhatItLandsOn)
{
    TEST_NEEDS(Needs::sound);   // the click is a loaded sample
    tap(system_window_input, 120, 70);    // "Open USB connection": highlighted only
    EXPECT_EQ(selection, 1);
    EXPECT_EQ(current_window, WindowId::System);
    tap(system_window_input, 120, 130);   // within 300 ms, "Set brightness level"
    EXPECT_EQ(current_window, WindowId::Bright);
    EXPECT_TRUE(clicked());
}

TEST_F(SystemWindow, ItemsOpenTheirWindows)
{
    press(system_window_input, 13);
    EXPECT_EQ(current_window, WindowId::Users);
    EXPECT_STREQ(edit_user.kind, "user");

    current_window = WindowId::System;
    selection = 2;
    press(system_window_input, 13);
    EXPECT_EQ(current_window, WindowId::Explorer);
    EXPECT_STREQ(explorer_path, "resources/wallpaper/");
    EXPECT_STREQ(explorer_filter, "png");
    EXPECT_EQ(explorer_free_browse, 0);
    EXPECT_STREQ(explorer_list.name[0], "Blue.png");

    // A folder that cannot be read shows nothing, not the last listing.
    std::filesystem::remove_all("resources/wallpaper");
    current_window = WindowId::System;
    press(system_window_input, 13);
    EXPECT_EQ(count_entries(explorer_list), 0);

    current_window = WindowId::System;
    selection = 3;
    press(system_window_input, 13);
    EXPECT_STREQ(explorer_path, "/mnt/");
    EXPECT_EQ(explorer_free_browse, 1);
}

TEST_F(SystemWindow, GuestsMayNotExploreFiles)
{
    TEST_NEEDS(Needs::sound);   // no click is no loaded sample
    copy_text(user_kind, "guest");
    tap(system_window_input, 230, 70);
    push_touch(230, 70);   // the second touch, then the box's answer
    EXPECT_TRUE(shows_message("User access denied.", 0, [] { system_window_input(); }));
    EXPECT_EQ(current_window, WindowId::System);
    EXPECT_FALSE(clicked());
}

TEST_F(SystemWindow, SkinChangeSavesAndRestarts)
{
    selection = 7;
    push_button(13);
    press(system_window_input, 14);   // the chooser is closed
    EXPECT_EQ(current_window, WindowId::System);
    EXPECT_EQ(selection, 7);

    push_button(13);
    for (int button : {4, 13, 13})    // "Gold", confirm, Yes
        push_button(button);
    system_window_input();
    EXPECT_EQ(settings_file(), "wallpaper/Gold.png Gold 0 0 0 0 0");
    EXPECT_GT(trace_index("exec Korvo.gpe: Korvo.gpe"), trace_index("run sync"));
}

// A skin the card cannot keep would be gone at the restart that shows it:
// the shell says so and keeps its skin, without restarting.
TEST_F(SystemWindow, SkinThatCannotBeSavedKeepsTheShellAsItIs)
{
    TEST_NEEDS(Needs::display);
    std::string before = settings_file();
    std::filesystem::create_directory("user/amy/settings.st.tmp");
    selection = 7;
    for (int button : {13, 4, 13, 13, 13})   // the chooser, "Gold", confirm, Yes, the notice
        push_button(button);
    EXPECT_GT(frames_showing_box("Could not save settings!", 0, system_window_input), 0);
    EXPECT_EQ(settings_file(), before);
    EXPECT_STREQ(skin_name, "Blue");
    EXPECT_STREQ(wallpaper_name, "wallpaper/Blue.png");
    EXPECT_LT(trace_index("exec Korvo.gpe: Korvo.gpe"), 0) << "no restart";
}

TEST_F(SystemWindow, SettingsOpenedFromTheStartMenuComeBackToIt)
{
    current_window = drawn_window = WindowId::StartMenu;
    return_window = WindowId::Desktop;
    selection = 5;
    press(start_menu_input, 13);
    EXPECT_EQ(current_window, WindowId::System);
    for (int button : {6, 4, 13, 14, 1, 14}) {   // item 5: "bright", closed, then the window
        push_button(button);
        main_loop_pass();
    }
    EXPECT_EQ(current_window, WindowId::Desktop);
}
