// The link properties window: the rows' actions, what reaches the link
// file and what is dropped, and the row it opens on next time.
#include "harness.h"
#include "link_files.h"
#include "window_checks.h"

#include "core/text.h"
#include "programs/link_properties.h"
#include "programs/links.h"

#include <filesystem>

namespace {

constexpr const char* kLinkFile = "user/U/links/games/Blocks.lk";

class LinkProperties : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        make_account("U", "user");
        copy_text(user_name, "U");
        copy_text(skin_name, "Blue");
        add_link("games", "Blocks", "Blocks");
        current_window = WindowId::Games;
        load_links();
        open();
    }

    static void open()
    {
        return_window = WindowId::Games;
        current_window = WindowId::Props;
        drawn_window = WindowId::Props;
        props_link = 0;
    }

    static void press(int button)
    {
        push_button(button);
        link_properties_input();
    }

    static void tap_row(int row)
    {
        push_touch(260, (row == 7 ? 210 : 71 + 20 * row) + 7);
        link_properties_input();
    }

    // Row 5 with the clock typed after erasing the old one; a refused clock
    // has its notice answered.
    static void enter_clock(const std::string& digits, bool refused = false)
    {
        push_touch(260, 171 + 7);
        push_keys(digits, 5);
        if (refused)
            push_button(13);
        SDL_FillRect(screen, nullptr, 0);
        link_properties_input();
    }

    static std::string file_line(int n)
    {
        std::string text = read_file(kLinkFile);
        size_t at = 0;
        for (int i = 0; i < n; ++i)
            at = text.find('\n', at) + 1;
        return text.substr(at, text.find('\n', at) - at);
    }
};

} // namespace

TEST_F(LinkProperties, EditedTitleIsDroppedByButton14)
{
    field_selection = 3;
    push_button(13);
    push_keys("zz", 10);
    link_properties_input();
    EXPECT_STREQ(link_items[0].title, "zz");
    press(14);
    EXPECT_STREQ(link_items[0].title, "Blocks");
    EXPECT_EQ(current_window, WindowId::Games);
    EXPECT_EQ(props_link, -1);
    EXPECT_EQ(field_selection, 0);
}

TEST_F(LinkProperties, OkWritesTheFileUnderItsLinkName)
{
    push_touch(260, 131 + 7);
    push_keys("zz", 10);
    link_properties_input();
    copy_text(edit_text, "left over");
    tap_row(7);
    EXPECT_EQ(file_line(0), "zz");
    EXPECT_EQ(file_line(2), "Blocks");
    EXPECT_EQ(current_window, WindowId::Games);
    EXPECT_EQ(props_link, -1);
    EXPECT_EQ(field_selection, 7) << "the window opens on OK next time";
    EXPECT_STREQ(edit_text, "");
    EXPECT_STREQ(link_items[0].title, "zz");
}

TEST_F(LinkProperties, ClockRange)
{
    enter_clock("0", true);
    EXPECT_TRUE(box_shows("Invalid CPU speed!", 0));
    enter_clock("901", true);
    EXPECT_TRUE(box_shows("Invalid CPU speed!", 0));
    EXPECT_STREQ(link_items[0].cpu_mhz, "533");
    enter_clock("900");
    EXPECT_STREQ(link_items[0].cpu_mhz, "900");
    enter_clock("200");
    EXPECT_STREQ(link_items[0].cpu_mhz, "200");
    enter_clock("0400");
    EXPECT_STREQ(link_items[0].cpu_mhz, "400") << "the file holds three characters: the number is kept";
    EXPECT_EQ(field_selection, 5);

    copy_text(link_items[0].cpu_mhz, "-5");   // no clock at all
    push_touch(260, 171 + 7);
    push_button(9);
    push_button(13);
    link_properties_input();
    EXPECT_TRUE(box_shows("Invalid CPU speed!", 0));
}

TEST_F(LinkProperties, TimingRowTogglesTheTick)
{
    draw_link_properties();
    std::vector<Uint32> without = snapshot();
    tap_row(6);
    EXPECT_STREQ(link_items[0].timing_tweak, "yes");
    draw_link_properties();
    std::vector<Uint32> with = snapshot();
    for (int y = 190; y < 206; ++y)
        for (int x = 205; x < 230; ++x) {
            bool in_tick = x >= 215 && x < 223 && y >= 194 && y < 202;
            size_t at = static_cast<size_t>(y * 320 + x);
            if (!in_tick) {
                EXPECT_EQ(with[at], without[at]) << x << "," << y;
            }
        }
    EXPECT_NE(with, without);
    press(13);
    EXPECT_STREQ(link_items[0].timing_tweak, "no");
}

TEST_F(LinkProperties, AddedTwiceToTheDesktopIsOneLine)
{
    tap_row(2);
    press(13);
    EXPECT_EQ(read_file("user/U/desktop.st"), std::string(kLinkFile) + "\n");
    EXPECT_STREQ(desktop_items[0].link_name, "Blocks");
    EXPECT_EQ(current_window, WindowId::Props);
    EXPECT_EQ(field_selection, 2);
}

TEST_F(LinkProperties, DeleteAsksFirst)
{
    push_touch(260, 91 + 7);
    push_button(14);   // No
    link_properties_input();
    EXPECT_EQ(current_window, WindowId::Props);
    EXPECT_EQ(field_selection, 1);
    EXPECT_TRUE(exists(kLinkFile));

    push_button(13);
    push_button(13);   // Yes
    link_properties_input();
    EXPECT_FALSE(exists(kLinkFile));
    EXPECT_EQ(current_window, WindowId::Games);
    EXPECT_TRUE(traced("run sync"));
    EXPECT_STREQ(link_items[0].link_name, "");
    EXPECT_EQ(field_selection, 1);
}

TEST_F(LinkProperties, RowsWrapAndATouchOutsideCloses)
{
    press(0);
    EXPECT_EQ(field_selection, 7);
    press(4);
    EXPECT_EQ(field_selection, 0);
    press(4);
    push_touch(100, 100);
    link_properties_input();
    EXPECT_EQ(current_window, WindowId::Games);
    EXPECT_EQ(field_selection, 0);
}

TEST_F(LinkProperties, IconRowOpensTheExplorerOnPictures)
{
    press(13);
    EXPECT_EQ(current_window, WindowId::Explorer);
    EXPECT_EQ(return_window, WindowId::Games);
    EXPECT_STREQ(explorer_path, "/mnt/");
    EXPECT_STREQ(explorer_filter, "png");
    EXPECT_EQ(explorer_free_browse, 1);
    EXPECT_EQ(props_link, 0) << "the explorer gives the icon to this link";
}

TEST_F(LinkProperties, ALinkThatCannotBeSavedIsReported)
{
    std::filesystem::remove_all("user/U/links/games");
    field_selection = 7;
    push_button(13);
    push_button(13);   // answers the notice
    SDL_FillRect(screen, nullptr, 0);
    link_properties_input();
    EXPECT_TRUE(box_shows("Could not save link!", 0));
    EXPECT_EQ(current_window, WindowId::Games);
}
