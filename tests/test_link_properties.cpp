// The link properties window: what reaches the link file and what is
// dropped, the clock's range, and the row it opens on next time.
#include "harness.h"
#include "link_files.h"
#include "window_checks.h"

#include "core/text.h"
#include "programs/link_properties.h"
#include "programs/links.h"

#include <filesystem>

namespace {

constexpr const char* kLinkFile = "user/U/links/games/Blocks.lk";

class LinkProperties : public GroupNeeding<Needs::nothing> {
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
        return_window = WindowId::Games;
        current_window = WindowId::Props;
        props_link = 0;
    }

    // A touch on row, then what its keyboard or box needs.
    static void touch_row(int row, const std::string& typed = "", bool answer = false)
    {
        push_touch(260, (row == 7 ? 210 : 71 + 20 * row) + 7);
        if (!typed.empty())
            push_keys(typed, 10);
        if (answer)
            push_button(13);
        link_properties_input();
    }

    static void press(int button)
    {
        push_button(button);
        link_properties_input();
    }
};

} // namespace

TEST_F(LinkProperties, TitleIsKeptByOkOnlyUnderItsLinkName)
{
    touch_row(3, "zz");
    EXPECT_STREQ(link_items[0].title, "zz");
    press(14);
    EXPECT_STREQ(link_items[0].title, "Blocks") << "dropped: the category is read again";
    EXPECT_EQ(current_window, WindowId::Games);
    EXPECT_EQ(field_selection, 0);
    EXPECT_EQ(props_link, -1);

    current_window = WindowId::Props;
    props_link = 0;
    touch_row(3, "zz");
    copy_text(edit_text, "left over");
    touch_row(7);
    EXPECT_EQ(read_file(kLinkFile), link_text("zz", "Blocks", "prog/"));
    EXPECT_EQ(field_selection, 7) << "the window opens on OK next time";
    EXPECT_STREQ(edit_text, "");
    EXPECT_EQ(props_link, -1);
}

TEST_F(LinkProperties, ClockRange)
{
    for (const char* refused : {"0", "901"}) {
        touch_row(5, refused, true);
        EXPECT_TRUE(box_shows("Invalid CPU speed!", 0)) << refused;
        EXPECT_STREQ(link_items[0].cpu_mhz, "533");
    }
    for (auto [typed, kept] : {std::pair{"900", "900"}, std::pair{"200", "200"}, std::pair{"0400", "400"}}) {
        touch_row(5, typed);
        EXPECT_STREQ(link_items[0].cpu_mhz, kept) << typed;
    }
    copy_text(link_items[0].cpu_mhz, "-5");   // accepted as it stands: still no clock
    push_touch(260, 178);
    push_button(9);
    push_button(13);
    link_properties_input();
    EXPECT_TRUE(box_shows("Invalid CPU speed!", 0));
}

TEST_F(LinkProperties, TimingRowDrawsTheTick)
{
    TEST_NEEDS(Needs::display);
    draw_link_properties();
    std::vector<Uint32> without = snapshot();
    touch_row(6);
    field_selection = 0;
    draw_link_properties();
    std::vector<Uint32> with = snapshot();
    for (size_t at = 0; at < with.size(); ++at) {
        bool in_tick = at % 320 - 215 < 8 && at / 320 - 194 < 8;   // (215, 194, 8, 8)
        ASSERT_TRUE(in_tick || with[at] == without[at]) << "changed outside the tick: " << at;
    }
    EXPECT_NE(with, without);
    EXPECT_STREQ(link_items[0].timing_tweak, "yes");
}

TEST_F(LinkProperties, DesktopTwiceIsOneLine)
{
    touch_row(2);
    press(13);
    EXPECT_EQ(read_file("user/U/desktop.st"), std::string(kLinkFile) + "\n");
    EXPECT_STREQ(desktop_items[0].link_name, "Blocks");
    EXPECT_EQ(current_window, WindowId::Props);
}

// A desktop list the card cannot take (full) stays as it was, and says so.
TEST_F(LinkProperties, DesktopThatCannotBeWrittenSaysSo)
{
    write_file("user/U/desktop.st", "user/U/links/games/Gone.lk\n");
    std::filesystem::create_directory("user/U/desktop.st.tmp");
    touch_row(2, "", true);
    EXPECT_TRUE(box_shows("Could not save desktop!", 0));
    EXPECT_EQ(read_file("user/U/desktop.st"), "user/U/links/games/Gone.lk\n");
}

TEST_F(LinkProperties, DeleteAsksFirst)
{
    push_touch(260, 98);
    push_button(14);   // No
    link_properties_input();
    EXPECT_EQ(current_window, WindowId::Props);
    EXPECT_EQ(field_selection, 1);
    push_button(13);
    push_button(13);   // Yes
    link_properties_input();
    EXPECT_FALSE(exists(kLinkFile));
    EXPECT_EQ(current_window, WindowId::Games);
    EXPECT_STREQ(link_items[0].link_name, "");
    EXPECT_EQ(field_selection, 1);
}

TEST_F(LinkProperties, IconRowOpensTheExplorerOnPictures)
{
    press(0);
    EXPECT_EQ(field_selection, 9) << "up from the first row: the last, file types";
    press(4);
    press(13);
    EXPECT_EQ(current_window, WindowId::Explorer);
    EXPECT_EQ(return_window, WindowId::Games);
    EXPECT_STREQ(explorer_path, "/mnt/");
    EXPECT_STREQ(explorer_filter, "png");
    EXPECT_EQ(explorer_free_browse, 1);
    EXPECT_EQ(props_link, 0);
}

TEST_F(LinkProperties, ALinkThatCannotBeSavedIsReported)
{
    std::filesystem::remove_all("user/U/links/games");
    touch_row(7, "", true);
    EXPECT_TRUE(box_shows("Could not save link!", 0));
    EXPECT_EQ(current_window, WindowId::Games);
}

// The folder and file types rows: typed on the keyboard, a folder that
// cannot be read refused, both kept by OK as the link's ninth and tenth
// lines, and the link back to its eight lines once both are cleared.
TEST_F(LinkProperties, FolderAndFileTypesRowsWriteTheTwoLinesOnlyWhenSet)
{
    auto touch_files_row = [](int row, const std::string& typed, bool answer = false) {
        push_touch(260, (row == 8 ? 27 : 47) + 7);
        push_keys(typed, 20);
        if (answer)
            push_button(13);
        link_properties_input();
    };
    touch_files_row(8, "nothere", true);
    EXPECT_TRUE(box_shows("Folder not found!", 0));
    EXPECT_STREQ(link_items[0].browse_dir, "");

    std::filesystem::create_directories("prog/roms");
    touch_files_row(8, "roms");
    EXPECT_STREQ(link_items[0].browse_dir, "roms/");
    EXPECT_EQ(field_selection, 8);
    touch_files_row(9, "gb,gbc");
    EXPECT_STREQ(link_items[0].file_types, "gb,gbc");
    touch_row(7);
    const std::string eight = link_text("Blocks", "Blocks", "prog/");
    EXPECT_EQ(read_file(kLinkFile), eight + "roms/\ngb,gbc\n");

    // Only blanks or separators are no file types.
    for (int round = 0; round < 2; ++round) {
        current_window = WindowId::Props;
        props_link = 0;
        if (round == 0)
            touch_files_row(9, ",,");
        else
            touch_files_row(8, "");
        touch_row(7);
    }
    EXPECT_EQ(read_file(kLinkFile), eight) << "both cleared: the eight lines again";
}
