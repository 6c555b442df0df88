// The explorer window: paging and wrapping, the double tap, the rights at
// the top of the tree, how it is opened and what opening an entry does.
#include "explorer_fixture.h"

#include "desktop/sidebar.h"
#include "explorer/listing.h"
#include "gfx/font.h"
#include "programs/category.h"
#include "programs/links.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class Explorer : public GroupNeeding<Needs::nothing, ExplorerTest> {
protected:
    // a.txt, b.txt, ... in "list/" (distinct first letters fix the order).
    void make_files(int count)
    {
        for (char c = 'a'; c < 'a' + count; ++c)
            write_file(card + "list/" + c + ".txt", "");
    }
    std::string selected() const { return explorer_list.name[7 * list_top + selection]; }
};

} // namespace

TEST_F(Explorer, UpAndDownWrapAcrossPagesWhilePageButtonsStop)
{
    make_files(8);
    open("list/");
    press(0);
    EXPECT_EQ(list_top, 1);
    EXPECT_EQ(selected(), "h.txt");
    press(4);
    EXPECT_EQ(list_top, 0);
    EXPECT_EQ(selected(), "a.txt");
    selection = 6;
    press(4);
    EXPECT_EQ(list_top, 1);
    EXPECT_EQ(selection, 0);
    press(6);
    EXPECT_EQ(list_top, 1) << "button 6 stops on the last page";
    tap(275, 190);
    EXPECT_EQ(list_top, 0) << "the page-down area wraps";
    tap(275, 60);
    EXPECT_EQ(list_top, 1);
}

TEST_F(Explorer, EmptyDirectoryHighlightsNothingUntilDown)
{
    fs::create_directories(card + "empty");
    open("empty/");
    press(0);
    EXPECT_EQ(selection, -1);
    press(13);
    press(4);
    EXPECT_EQ(selection, 0);
}

TEST_F(Explorer, ThumbOfThreePagesEndsAt186AndDrawingAsksNoStatus)
{
    TEST_NEEDS(Needs::display);
    make_files(15);
    open("list/");
    list_top = 2;
    SDL_FillRect(screen, nullptr, 0);
    int status_calls = listing_status_calls();
    draw_explorer();
    EXPECT_EQ(listing_status_calls(), status_calls);
    auto blue = [](SDL_Color c) { return c.r == 0 && c.g == 0 && c.b > 240; };
    EXPECT_TRUE(blue(colour(274, 148)));
    EXPECT_TRUE(blue(colour(274, 185)));
    EXPECT_FALSE(blue(colour(274, 147))) << "116 / 3 pages = 38 rows";
}

TEST_F(Explorer, TitleTellsHowManyOfALargeDirectoryAreListed)
{
    TEST_NEEDS(Needs::display);
    // The title bar between the window's name and the page box.
    auto title = [] {
        std::vector<Uint32> shown = snapshot(), part;
        for (size_t y = 32; y < 53; ++y)
            for (size_t x = 108; x < 180; ++x)
                part.push_back(shown[320 * y + x]);
        return part;
    };
    for (int i = 0; i < 310; ++i)
        write_file(card + "many/f" + std::to_string(i) + ".txt", "");
    for (int i = 0; i < 300; ++i)
        write_file(card + "full/f" + std::to_string(i) + ".txt", "");

    open("full/");
    draw_explorer();
    std::vector<Uint32> plain = title();
    draw_small_text(screen, 110, 40, "300 of 310", 1, skin_name);
    std::vector<Uint32> expected = title();
    ASSERT_NE(plain, expected);

    open("many/");
    draw_explorer();
    EXPECT_EQ(title(), expected);
    press(6);   // the notice stays on every page
    draw_explorer();
    EXPECT_EQ(title(), expected);
    open("full/");
    draw_explorer();
    EXPECT_EQ(title(), plain) << "300 entries: nothing left out";
}

TEST_F(Explorer, SecondTapOnTheSelectedRowOpensIt)
{
    fs::create_directories(card + "list/folder");
    make_files(1);
    open("list/");
    tap(100, 87);       // row 1, a.txt
    tap_pending = 0;    // as after 300 ms
    tap(100, 67);       // row 0, the folder: a first tap only selects
    EXPECT_EQ(explorer_path, card + "list/");
    tap(100, 67);
    EXPECT_EQ(explorer_path, card + "list/folder/");
}

TEST_F(Explorer, OnlyAnAdministratorGoesAboveMnt)
{
    copy_text(explorer_path, "/mnt/");
    push_button(10);
    push_button(13);   // answers "User access denied."
    explorer_input();
    EXPECT_STREQ(explorer_path, "/mnt/");
    EXPECT_TRUE(all_read());
    copy_text(user_kind, "admin");
    press(10);
    EXPECT_STREQ(explorer_path, "/");
}

TEST_F(Explorer, WallpaperPickStaysOpenAndIsSaved)
{
    fs::create_directories("resources/wallpaper/old");
    open_explorer(WindowId::System, "resources/wallpaper/", "png", 0);
    for (int button : {11, 13, 10})   // "old" is highlighted: neither entered nor left
        press(button);
    EXPECT_STREQ(explorer_path, "resources/wallpaper/");
    open_entry("Lagoon.png");
    EXPECT_STREQ(wallpaper_name, "wallpaper/Lagoon.png");
    EXPECT_EQ(read_file("user/amy/settings.st").rfind("wallpaper/Lagoon.png Blue ", 0), 0u);
    EXPECT_EQ(current_window, WindowId::Explorer);
    // A blank would shift every setting read back after the name.
    EXPECT_TRUE(shows_message("Invalid file name!", 0, [] { open_entry("my sky.png"); }));
    EXPECT_STREQ(wallpaper_name, "wallpaper/Lagoon.png");
}

TEST_F(Explorer, ProgramPickedForACategoryBecomesItsLink)
{
    write_file(card + "prog.gpe", "");
    open("", "gpe", WindowId::Games);
    open_entry("prog.gpe");
    EXPECT_EQ(current_window, WindowId::Games);
    EXPECT_STREQ(link_items[0].program_file, "prog.gpe");

    fs::remove_all("user/amy/links/emus");
    open("", "gpe", WindowId::Emus);
    EXPECT_TRUE(shows_message("Could not create link!", 0, [] { open_entry("prog.gpe"); }));
    EXPECT_EQ(current_window, WindowId::Emus);
}

TEST_F(Explorer, IconPickedForALinkIsSavedAndPropertiesReturn)
{
    write_file(card + "prog.gpe", "");
    write_file("user/amy/links/games/prog.lk", "Prog\n\nprog\nprog.gpe\n" + card + "\n533\nno\n\n");
    current_window = WindowId::Games;
    load_links();
    props_link = 0;
    open("", "png", WindowId::Games);
    open_entry("icon.png");
    EXPECT_EQ(current_window, WindowId::Props);
    EXPECT_NE(read_file("user/amy/links/games/prog.lk").find("\n" + card + "icon.png\n"), std::string::npos);
}

TEST_F(Explorer, SidebarAndCategoryOpenIt)
{
    explorer_list.name[0][0] = 'x';   // left by a category's link listing
    current_window = WindowId::Sidebar;
    sidebar_item = 1;
    push_button(10, false);
    sidebar_input();
    EXPECT_EQ(current_window, WindowId::Explorer);
    EXPECT_EQ(return_window, WindowId::Desktop);
    EXPECT_STREQ(explorer_path, "/mnt/nand/");
    if (!fs::exists("/mnt/nand/")) {
        EXPECT_EQ(count_entries(explorer_list), 0) << "an unreadable card opens an empty explorer";
    }
    current_window = WindowId::Ports;
    push_touch(260, 30);   // the add box
    category_input();
    EXPECT_EQ(current_window, WindowId::Explorer);
    EXPECT_EQ(return_window, WindowId::Ports);
    EXPECT_STREQ(explorer_filter, "gpe");
}
