// The start menu and the sidebar, driven by pushed events.
#include "harness.h"

#include "core/devices.h"
#include "core/text.h"
#include "desktop/sidebar.h"
#include "desktop/startmenu.h"
#include "gfx/font.h"
#include "gfx/sound.h"
#include "platform/pc_console.h"
#include "resource_files.h"

#include <filesystem>

namespace {

class StartMenu : public GroupNeeding<Needs::nothing> {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        make_account("amy", "user");
        copy_text(user_name, "amy");
        copy_text(skin_name, "Blue");
        return_window = WindowId::Desktop;
        current_window = WindowId::StartMenu;
    }

    static void press(int button)
    {
        push_button(button);
        start_menu_input();
    }

    static void tap(int x, int y)
    {
        push_touch(x, y);
        start_menu_input();
    }

    // The click is loaded on its first play: a loaded sample means a click.
    static bool clicked()
    {
        require(Needs::sound, "clicked");
        return sound_sample(Sound::Click) != nullptr;
    }
};

class Sidebar : public GroupNeeding<Needs::nothing> {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        make_account("amy", "user");
        copy_text(user_name, "amy");
        copy_text(user_kind, "user");
        copy_text(skin_name, "Blue");
        current_window = WindowId::Sidebar;
    }

    static void release(int button = 10)
    {
        push_button(button, false);
        sidebar_input();
    }

    static void press(int button)
    {
        push_button(button);
        sidebar_input();
    }
};

} // namespace

TEST_F(StartMenu, SelectionWrapsBothWays)
{
    press(0);
    EXPECT_EQ(selection, 5);
    press(4);
    EXPECT_EQ(selection, 0);
    press(4);
    EXPECT_EQ(selection, 1);
}

TEST_F(StartMenu, EntriesOpenTheirCategoriesWithTheirLinks)
{
    write_file("user/amy/links/emus/Snes.lk", "Snes\n\nSnes\nsnes.gpe\n" + work_dir + "/\n533\nno\n\n");
    write_file("snes.gpe", "#!/bin/sh\n");
    selection = 2;
    press(13);
    EXPECT_EQ(current_window, WindowId::Emus);
    EXPECT_EQ(return_window, WindowId::Desktop) << "the category closes back to the desktop";
    EXPECT_STREQ(link_items[0].title, "Snes");
}

TEST_F(StartMenu, TouchesOnTheMenu)
{
    TEST_NEEDS(Needs::sound);   // the click is a loaded sample
    record_commands_only();
    push_touch(17, 14);   // the program scan entry: no click
    push_button(14);      // leaves the scan
    start_menu_input();
    EXPECT_TRUE(traced("read find /mnt/sd/ -name \\*.gpe"));
    EXPECT_EQ(current_window, WindowId::StartMenu);
    EXPECT_FALSE(clicked());
    tap(105, 46);  // "Applications", far corner of its area
    EXPECT_EQ(current_window, WindowId::Apps);
    EXPECT_TRUE(clicked());
}

TEST_F(StartMenu, TapOutsideClosesWithoutASound)
{
    TEST_NEEDS(Needs::sound);   // no click is no loaded sample
    tap(120, 100);
    EXPECT_EQ(current_window, WindowId::Desktop);
    EXPECT_FALSE(clicked());
    current_window = WindowId::StartMenu;
    press(8);
    EXPECT_EQ(current_window, WindowId::Desktop);
}

TEST_F(StartMenu, UserPictureIsScaledOnce)
{
    user_picture = SDL_CreateRGBSurface(SDL_SWSURFACE, 43, 43, 16, 0, 0, 0, 0);
    draw_start_menu();
    ASSERT_NE(user_picture, nullptr);
    EXPECT_EQ(user_picture->w, 26);
    SDL_Surface* scaled = user_picture;
    draw_start_menu();
    EXPECT_EQ(user_picture, scaled);
}

TEST_F(Sidebar, ReleaseWithNothingHighlightedReturnsToTheDesktop)
{
    press(4);
    press(0);
    EXPECT_EQ(sidebar_item, -1);
    release(11);
    EXPECT_EQ(current_window, WindowId::Desktop);
}

TEST_F(Sidebar, HighlightCyclesThroughNone)
{
    press(0);
    EXPECT_EQ(sidebar_item, 3);
    press(4);
    EXPECT_EQ(sidebar_item, -1);
    press(4);
    EXPECT_EQ(sidebar_item, 0);
    push_touch(270, 110);   // the Logoff icon: highlight only
    sidebar_input();
    EXPECT_EQ(sidebar_item, 2);
    EXPECT_EQ(current_window, WindowId::Sidebar);
    push_touch(100, 100);   // outside the panel
    sidebar_input();
    EXPECT_EQ(current_window, WindowId::Desktop);
}

TEST_F(Sidebar, GuestsMayNotBrowse)
{
    copy_text(user_kind, "guest");
    sidebar_item = 0;
    push_button(10, false);
    push_button(13);   // answers the box
    sidebar_input();
    EXPECT_EQ(current_window, WindowId::Desktop);
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0) << "a box took the answer";

    current_window = WindowId::Sidebar;
    sidebar_item = 1;
    push_button(10, false);   // the release comes first, then the box's answer
    push_button(13);
    sidebar_input();
    EXPECT_EQ(current_window, WindowId::Desktop) << "NAND is refused the same way";
    EXPECT_EQ(SDL_PollEvent(&left), 0) << "a box took the answer";
}

TEST_F(Sidebar, LogoffParksTheAutomaticLogonAndRestarts)
{
    write_file("resources/autolog.st", "amy");
    sidebar_item = 2;
    release();
    EXPECT_FALSE(exists("resources/autolog.st"));
    EXPECT_EQ(read_file("resources/autoback.st"), "amy");
    int moved = trace_index("run mv resources/autolog.st resources/autoback.st");
    ASSERT_GE(moved, 0);
    EXPECT_GT(trace_index("exec Korvo.gpe: Korvo.gpe"), moved);
}

TEST_F(Sidebar, LogoffWithoutAutomaticLogonOnlyRestarts)
{
    sidebar_item = 2;
    release();
    EXPECT_FALSE(traced("run mv resources/autolog.st resources/autoback.st"));
    EXPECT_TRUE(traced("exec Korvo.gpe: Korvo.gpe"));
}

TEST_F(Sidebar, LabelColourFollowsTheSkin)
{
    TEST_NEEDS(Needs::display);
    // Skins holding only coded fonts: nothing but the labels is drawn. "SD"
    // starts at 280 - width / 2 + 3, top 38.
    std::filesystem::remove_all("resources/skin");
    write_coded_fonts("Blue");
    write_coded_fonts("Gold");
    SDL_FillRect(screen, nullptr, 0);
    draw_sidebar();
    int x = 280 - text_width("SD") / 2 + 3;
    EXPECT_EQ(font_at(screen, x, 40), FontCode::LargeWhite);
    copy_text(skin_name, "Gold");
    draw_text(nullptr, 0, 0, "", 0, "");
    SDL_FillRect(screen, nullptr, 0);
    draw_sidebar();
    EXPECT_EQ(font_at(screen, x, 40), FontCode::LargeBlack);
}

TEST_F(Sidebar, ThePanelIsBlendedOverTheDesktopAsItIsNow)
{
    TEST_NEEDS(Needs::display);
    copy_text(wallpaper_name, "wallpaper/Blue.png");
    auto clock_area = [] {
        std::vector<Uint32> pixels;
        for (int y = 222; y < 240; ++y)
            for (int x = 262; x < 320; ++x)
                pixels.push_back(pixel(x, y));
        return pixels;
    };
    pc_fix_time(1715979900);   // 21:05
    draw_sidebar();
    std::vector<Uint32> five_past = clock_area();
    std::vector<Uint32> whole = snapshot();
    pc_fix_time(1715979900 + 60);
    draw_sidebar();
    EXPECT_NE(clock_area(), five_past) << "the panel shows the new minute through it";
    pc_fix_time(1715979900);
    draw_sidebar();
    EXPECT_EQ(snapshot(), whole);
    pc_fix_time(0);
}
