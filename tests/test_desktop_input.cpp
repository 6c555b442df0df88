// The desktop's input: the packed grid, volume, the description bar switch,
// removal, the start menu and sidebar, and double taps over the screen.
#include "harness.h"

#include "core/devices.h"
#include "core/text.h"
#include "desktop/desktop_input.h"
#include "desktop/shortcuts.h"
#include "platform/pc_console.h"
#include "window_checks.h"

#include <filesystem>

namespace {

class DesktopInput : public GroupNeeding<Needs::nothing> {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        make_account("amy", "user");
        copy_text(user_name, "amy");
        copy_text(skin_name, "Blue");
        drawn_window = WindowId::Desktop;
    }

    static void fill(int count)
    {
        for (int i = 0; i < count; ++i) {
            LinkRecord& link = desktop_items[i];
            format_into(link.title, "app %d", i);
            format_into(link.link_name, "app%d", i);
            copy_text(link.program_file, "app.gpe");
            copy_text(link.program_dir, make_program("app" + std::to_string(i), "app.gpe"));
            copy_text(link.cpu_mhz, "533");
            copy_text(link.timing_tweak, "no");
        }
    }

    static void press(int button)
    {
        push_button(button);
        desktop_input();
    }

    static void tap(int x, int y)
    {
        push_touch(x, y);
        desktop_input();
    }

    static bool launched(int slot)
    {
        return launched_program(make_program("app" + std::to_string(slot), "app.gpe"), "app.gpe");
    }
};

} // namespace

TEST_F(DesktopInput, NavigationStaysOnThePackedList)
{
    fill(6);
    selection = 5;
    press(4);
    EXPECT_EQ(selection, 5) << "no seventh shortcut below";
    press(6);
    EXPECT_EQ(selection, 5) << "none in the next column";
    press(2);
    EXPECT_EQ(selection, 1);
    press(2);
    EXPECT_EQ(selection, 1);
    press(0);
    press(0);
    EXPECT_EQ(selection, 0);
    press(4);
    EXPECT_EQ(selection, 1);
    press(6);
    EXPECT_EQ(selection, 5);
}

TEST_F(DesktopInput, VolumeStepsWithinItsRange)
{
    volume = 100;
    press(16);
    EXPECT_EQ(volume, 100);
    volume = 0;
    press(17);
    EXPECT_EQ(volume, 0);
    EXPECT_FALSE(traced("mixer open rw"));
    volume = 50;
    press(16);
    EXPECT_EQ(volume, 60);
    EXPECT_EQ(pc_mixer_pcm(), 60 | (60 << 8));
    press(17);
    EXPECT_EQ(volume, 50);
}

TEST_F(DesktopInput, DescriptionBarSwitch)
{
    press(14);
    EXPECT_EQ(desc_bar_on, 1);
    press(14);
    EXPECT_EQ(desc_bar_on, 0);
    desc_bar_on = 5;
    press(14);
    EXPECT_EQ(desc_bar_on, 0);
}

TEST_F(DesktopInput, MenusOpen)
{
    press(8);
    EXPECT_EQ(current_window, WindowId::StartMenu);
    EXPECT_EQ(return_window, WindowId::Desktop);
    current_window = WindowId::Desktop;
    press(11);
    EXPECT_EQ(current_window, WindowId::Sidebar);
    current_window = WindowId::Desktop;
    tap(20, 230);   // the start button
    EXPECT_EQ(current_window, WindowId::StartMenu);
}

TEST_F(DesktopInput, LaunchAndRemoveNeedAShortcut)
{
    press(13);
    press(9);   // nothing to remove: no box waits for an answer
    EXPECT_FALSE(launched(0));
    fill(2);
    selection = 1;
    press(13);
    EXPECT_TRUE(launched(1));
}

TEST_F(DesktopInput, RemoveAfterConfirmation)
{
    // Two shortcuts loaded from the file; the second line's link sorts first.
    write_file("prog/a.gpe", "program");
    write_file("prog/b.gpe", "program");
    write_file("user/amy/links/apps/a.lk", "Zed\n\na\na.gpe\nprog/\n533\nno\n\n");
    write_file("user/amy/links/apps/b.lk", "Bee\n\nb\nb.gpe\nprog/\n533\nno\n\n");
    write_file("user/amy/desktop.st", "user/amy/links/apps/a.lk\nuser/amy/links/apps/b.lk\n");
    load_desktop();
    ASSERT_STREQ(desktop_items[0].title, "Bee");
    selection = 0;
    push_button(14);   // No
    press(9);
    EXPECT_EQ(read_file("user/amy/desktop.st"), "user/amy/links/apps/a.lk\nuser/amy/links/apps/b.lk\n");
    EXPECT_TRUE(shows_message("Remove from desktop?", 1, [] { press(9); }));
    EXPECT_EQ(read_file("user/amy/desktop.st"), "user/amy/links/apps/a.lk\n");
    EXPECT_STREQ(desktop_items[0].title, "Zed") << "reloaded";
}

// A removal the card cannot take (full) keeps the shortcut, and says so.
TEST_F(DesktopInput, RemovalThatCannotBeSavedSaysSo)
{
    write_file("prog/a.gpe", "program");
    write_file("user/amy/links/apps/a.lk", "Ann\n\na\na.gpe\nprog/\n533\nno\n\n");
    write_file("user/amy/desktop.st", "user/amy/links/apps/a.lk\n");
    load_desktop();
    std::filesystem::create_directory("user/amy/desktop.st.tmp");
    selection = 0;
    push_button(9);
    push_button(13);   // "Remove from desktop?" Yes
    push_button(13);   // answers the notice
    desktop_input();
    EXPECT_TRUE(box_shows("Could not save desktop!", 0));
    EXPECT_EQ(read_file("user/amy/desktop.st"), "user/amy/links/apps/a.lk\n");
    EXPECT_STREQ(desktop_items[0].title, "Ann");
}

TEST_F(DesktopInput, RemovingTheLastShortcutHighlightsTheOneBefore)
{
    write_file("prog/a.gpe", "program");
    write_file("prog/b.gpe", "program");
    write_file("user/amy/links/apps/a.lk", "Ann\n\na\na.gpe\nprog/\n533\nno\n\n");
    write_file("user/amy/links/apps/b.lk", "Bob\n\nb\nb.gpe\nprog/\n533\nno\n\n");
    write_file("user/amy/desktop.st", "user/amy/links/apps/a.lk\nuser/amy/links/apps/b.lk\n");
    load_desktop();
    selection = 1;
    push_button(9);    // Select on Bob, the last one
    push_button(13);   // Yes
    desktop_input();
    EXPECT_EQ(read_file("user/amy/desktop.st"), "user/amy/links/apps/a.lk\n");
    EXPECT_EQ(selection, 0) << "Ann is highlighted";
    push_button(9);
    push_button(13);
    desktop_input();
    EXPECT_EQ(read_file("user/amy/desktop.st"), "") << "Select asks without a move first";
    EXPECT_EQ(selection, 0);
    press(13);   // nothing left: nothing launches, no box waits
    press(9);
    EXPECT_FALSE(traced("exec /bin/sh: /bin/sh -c \"prog//a.gpe\""));
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0) << "no box took a press";
}

TEST_F(DesktopInput, TapAreasSitAboveTheIcons)
{
    fill(8);
    selection = 3;
    tap(26, 40);
    EXPECT_EQ(selection, 0) << "column 0, row 0";
    selection = 3;
    SDL_Delay(350);
    tap(26, 50);
    EXPECT_EQ(selection, 3) << "below the tap area: nothing";
    SDL_Delay(350);
    tap(51 + 26, 49 + 20);
    EXPECT_EQ(selection, 5) << "column 1, row 1";
}

TEST_F(DesktopInput, DoubleTapLaunchesOnlyWithin300Ms)
{
    TEST_NEEDS(Needs::threads);   // the tap window closes by an SDL timer
    fill(3);
    tap(26, 89);   // row 1
    SDL_Delay(450);
    tap(26, 89);
    EXPECT_EQ(selection, 1);
    EXPECT_FALSE(launched(1)) << "two single taps";
    SDL_Delay(450);
    tap(20, 230);  // the start button, then an icon within 300 ms
    current_window = WindowId::Desktop;
    tap(26, 138);
    EXPECT_EQ(selection, 2);
    EXPECT_TRUE(launched(2));
}
