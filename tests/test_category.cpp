// The category windows: paging and selection edge cases, the details of the
// highlighted link, the properties button and the double tap.
#include "harness.h"

#include "core/text.h"
#include "gfx/font.h"
#include "programs/category.h"

#include <string>

namespace {

class CategoryWindow : public GroupNeeding<Needs::nothing> {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        copy_text(skin_name, "Blue");
        current_window = WindowId::Games;
        drawn_window = WindowId::Games;
    }

    // count links in use, titled "link 0", "link 1", ...
    static void fill(int count)
    {
        for (int i = 0; i < count; ++i) {
            LinkRecord& link = link_items[i];
            format_into(link.title, "link %d", i);
            format_into(link.link_name, "link%d", i);
            copy_text(link.program_file, "run.gpe");
            copy_text(link.program_dir, make_program("games", "run.gpe"));
            copy_text(link.cpu_mhz, "533");
            copy_text(link.timing_tweak, "no");
        }
    }

    static void press(int button)
    {
        push_button(button);
        category_input();
    }

    static void tap(int x, int y)
    {
        push_touch(x, y);
        category_input();
    }

    static bool launched() { return launched_program(make_program("games", "run.gpe"), "run.gpe"); }
};

} // namespace

TEST_F(CategoryWindow, EmptyCategoryIgnoresEverythingButClose)
{
    for (int button : {13, 9, 2, 0, 6, 4})
        press(button);
    tap(205, 225);   // properties button
    EXPECT_EQ(selection, 0);
    EXPECT_EQ(list_top, 0);
    EXPECT_EQ(current_window, WindowId::Games);
    EXPECT_FALSE(launched());
    press(14);
    EXPECT_EQ(current_window, WindowId::Desktop);
}

TEST_F(CategoryWindow, RightAcrossThePageEnd)
{
    fill(16);
    selection = 14;
    press(6);
    EXPECT_EQ(list_top, 1);
    EXPECT_EQ(selection, 0);
    press(6);
    EXPECT_EQ(selection, 0) << "no 17th link";
    press(2);
    EXPECT_EQ(list_top, 0);
    EXPECT_EQ(selection, 14);
}

TEST_F(CategoryWindow, DownNeedsALinkFiveFurtherOn)
{
    fill(7);
    selection = 2;
    press(4);
    EXPECT_EQ(selection, 2);
    selection = 1;
    press(4);
    EXPECT_EQ(selection, 6);
}

TEST_F(CategoryWindow, FullFirstPageHasAnEmptySecondPage)
{
    fill(15);
    selection = 14;
    press(6);
    press(4);
    EXPECT_EQ(list_top, 0) << "buttons never open the empty page";
    tap(280, 175);   // page down
    EXPECT_EQ(list_top, 1) << "the page-down box does";
    EXPECT_EQ(selection, 0);
    tap(280, 50);    // page up
    EXPECT_EQ(list_top, 0);
}

TEST_F(CategoryWindow, UpFromTheFirstRowGoesToThePreviousPage)
{
    fill(40);
    list_top = 1;
    selection = 2;
    press(0);
    EXPECT_EQ(list_top, 0);
    EXPECT_EQ(selection, 12);
    press(0);
    EXPECT_EQ(selection, 7);
}

TEST_F(CategoryWindow, PropertiesAndLaunchByButton)
{
    fill(20);
    list_top = 1;
    selection = 3;
    press(9);
    EXPECT_EQ(current_window, WindowId::Props);
    EXPECT_EQ(return_window, WindowId::Games);
    EXPECT_EQ(props_link, 18);

    current_window = WindowId::Games;
    press(13);
    EXPECT_TRUE(launched());
}

TEST_F(CategoryWindow, LabelShowsNineCharactersWithinItsColumn)
{
    TEST_NEEDS(Needs::display);
    fill(2);
    copy_text(link_items[0].title, "abcdefghijkl");
    draw_category_window();
    std::vector<Uint32> long_title = snapshot();
    copy_text(link_items[0].title, "abcdefghi");
    draw_category_window();
    EXPECT_EQ(snapshot(), long_title);
    copy_text(link_items[0].title, "abcdefgh");
    draw_category_window();
    EXPECT_NE(snapshot(), long_title);

    // Nine wide letters would reach into the next column: they are cut
    // there, and the neighbour's label is drawn as before.
    copy_text(link_items[0].title, "b");
    draw_category_window();
    std::vector<Uint32> narrow = snapshot();
    copy_text(link_items[0].title, "WWWWWWWWW");
    draw_category_window();
    std::vector<Uint32> wide = snapshot();
    for (int y = 88; y < 97; ++y)
        for (int x = 48 + 26; x < 320; ++x)
            EXPECT_EQ(wide[static_cast<size_t>(y * 320 + x)], narrow[static_cast<size_t>(y * 320 + x)])
                << x << ", " << y;
}

TEST_F(CategoryWindow, WideDescriptionUsesTheSmallFontCutVisibly)
{
    TEST_NEEDS(Needs::display);
    fill(1);
    std::string wide = "Wide Wide Wide Wide Wide Wide Wide Wi";   // 254 pixels in the large font
    ASSERT_GE(text_width(wide.c_str()), 251);
    copy_text(link_items[0].description, wide);
    SDL_FillRect(screen, nullptr, 0);
    draw_category_window();
    std::vector<Uint32> drawn = snapshot();

    copy_text(link_items[0].description, "");
    SDL_FillRect(screen, nullptr, 0);
    draw_category_window();
    // Longer than the small font's 30 characters: cut where it shows.
    draw_small_text(screen, 26, 200, (wide.substr(0, 27) + "...").c_str(), 0, skin_name);
    EXPECT_EQ(snapshot(), drawn);
}

TEST_F(CategoryWindow, BeneathThePropertiesTheirLinkIsHighlighted)
{
    TEST_NEEDS(Needs::display);
    // A solid highlight frame shows where it is drawn.
    SDL_Surface* frame = SDL_CreateRGBSurface(SDL_SWSURFACE, 32, 32, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(frame, nullptr, SDL_MapRGB(frame->format, 255, 0, 255));
    write_file("resources/skin/Blue/sel.png", "");
    SDL_SaveBMP(frame, "resources/skin/Blue/sel.png");
    SDL_FreeSurface(frame);

    fill(20);
    list_top = 1;
    selection = 0;
    props_link = 19;
    return_window = WindowId::Games;
    current_window = WindowId::Props;
    SDL_FillRect(screen, nullptr, 0);
    draw_category_window();
    SDL_Color at_20th = colour(35 + 51 * 4 + 5, 55 + 5);
    SDL_Color at_16th = colour(35 + 5, 55 + 5);
    EXPECT_TRUE(at_20th.r > 240 && at_20th.g == 0 && at_20th.b > 240);
    EXPECT_FALSE(at_16th.r > 240 && at_16th.g == 0 && at_16th.b > 240);
}

TEST_F(CategoryWindow, DoubleTapOnAnIconLaunches)
{
    fill(3);
    tap(150, 215);   // a first tap may land anywhere
    tap(40, 60);     // the second, on the first icon, within 300 ms
    EXPECT_EQ(selection, 0);
    EXPECT_TRUE(launched());
}

TEST_F(CategoryWindow, TapsFurtherApartOnlySelect)
{
    TEST_NEEDS(Needs::threads);   // the tap window closes by an SDL timer
    fill(3);
    tap(90, 60);
    SDL_Delay(450);
    tap(90, 60);
    EXPECT_EQ(selection, 1);
    EXPECT_FALSE(launched());
}
