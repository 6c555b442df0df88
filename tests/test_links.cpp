// Link files: writing them (from the explorer, from the scan, after an
// edit), loading a category with icons and sorting, and the limits of the
// format and of the table.
#include "link_files.h"

#include "core/text.h"
#include "explorer/listing.h"
#include "programs/links.h"
#include "scan/scan_tables.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class Links : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        own_skin_folder();
        copy_text(user_name, "U");
        copy_text(skin_name, "Blue");
        for (const char* category : {"apps", "emus", "ports", "games"})
            fs::create_directories(std::string("user/U/links/") + category);
        current_window = WindowId::Games;
        return_window = WindowId::Games;
    }
};

constexpr const char* kBlocks = "Blocks\n\nBlocks\nBlocks.gpe\n/mnt/sd/blocks/\n533\nno\n\n";

} // namespace

// --- writing ---

TEST_F(Links, CreateFromFileWritesTheEightLines)
{
    copy_text(explorer_path, "/mnt/sd/blocks/");
    EXPECT_TRUE(create_link_from_file("Blocks.gpe"));
    EXPECT_EQ(read_file("user/U/links/games/Blocks.lk"), kBlocks);
    EXPECT_TRUE(traced("run sync"));
    EXPECT_FALSE(exists("user/U/links/games/Blocks.lk.tmp"));

    return_window = WindowId::Emus;
    EXPECT_TRUE(create_link_from_file("a.b.gpe"));
    EXPECT_EQ(read_file("user/U/links/emus/a.lk"), "a\n\na\na.b.gpe\n/mnt/sd/blocks/\n533\nno\n\n");
}

TEST_F(Links, CreatingAgainResetsClockAndTiming)
{
    write_file("user/U/links/games/Blocks.lk", "Mine\nfast\nBlocks\nBlocks.gpe\n/mnt/sd/blocks/\n800\nyes\n\n");
    copy_text(explorer_path, "/mnt/sd/blocks/");
    EXPECT_TRUE(create_link_from_file("Blocks.gpe"));
    EXPECT_EQ(read_file("user/U/links/games/Blocks.lk"), kBlocks);
}

TEST_F(Links, CreateForScanUsesTheScanTables)
{
    copy_text(scan_files[3], "snes.gpe");
    copy_text(scan_dirs[3], "/mnt/sd/emu/snes/");
    copy_text(scan_categories[3], "Emulators");
    copy_text(scan_files[4], "x.gpe");
    copy_text(scan_dirs[4], "/mnt/sd/");
    copy_text(scan_categories[4], "(none)");
    copy_text(scan_categories[5], "Emulator");

    EXPECT_TRUE(create_link_for_scan(3, "U"));
    EXPECT_EQ(read_file("user/U/links/emus/snes.lk"), "snes\n\nsnes\nsnes.gpe\n/mnt/sd/emu/snes/\n533\nno\n\n");
    EXPECT_FALSE(create_link_for_scan(4, "U"));
    EXPECT_FALSE(exists("user/U/links/(none)/x.lk"));

    for (int i = 0; i < kCategoryCount; ++i) {
        copy_text(scan_categories[6], category_names[i]);
        EXPECT_EQ(category_index(6), i);
    }
    EXPECT_EQ(category_index(5), 0) << "no exact match";
    EXPECT_EQ(category_index(-1), 0);
    EXPECT_EQ(category_index(kScanSlots), 0);
}

TEST_F(Links, WriteFailureIsReportedAndSilent)
{
    copy_text(explorer_path, "/mnt/sd/");
    return_window = WindowId::Apps;
    fs::remove("user/U/links/apps");
    EXPECT_FALSE(create_link_from_file("Blocks.gpe"));
    EXPECT_FALSE(traced("run sync"));
}

// Only lines that read back as the same link are written.
TEST_F(Links, LinksThatCannotBeReadBackAreNotWritten)
{
    std::string dir99 = "/" + std::string(97, 'd') + "/";
    copy_text(explorer_path, dir99 + "x/");
    EXPECT_FALSE(create_link_from_file("Blocks.gpe")) << "directory of 101 characters";
    copy_text(explorer_path, dir99);
    EXPECT_TRUE(create_link_from_file("Blocks.gpe")) << "directory of 99 characters";

    EXPECT_FALSE(create_link_from_file(".gpe")) << "no base name";
    EXPECT_FALSE(create_link_from_file((std::string(99, 'n') + ".gpe").c_str()));
    EXPECT_FALSE(create_link_from_file((std::string(95, 'n') + ".gpex").c_str())) << "file name of 100";
    EXPECT_TRUE(create_link_from_file((std::string(94, 'n') + ".gpe").c_str()));
    EXPECT_FALSE(exists("user/U/links/games/.lk"));

    copy_text(scan_files[0], "ok.gpe");
    copy_text(scan_dirs[0], dir99 + "x/");
    copy_text(scan_categories[0], "Games");
    EXPECT_FALSE(create_link_for_scan(0, "U"));
    EXPECT_FALSE(exists("user/U/links/games/ok.lk"));
}

TEST_F(Links, SaveLinkRewritesTheFileNamedByLinkName)
{
    add_link("games", "Blocks", "Blocks");
    load_links();
    ASSERT_EQ(titles_of(link_items), std::vector<std::string>{"Blocks"});
    copy_text(link_items[0].title, "Falling bricks");
    copy_text(link_items[0].description, "A puzzle");
    copy_text(link_items[0].cpu_mhz, "700");
    copy_text(link_items[0].timing_tweak, "yes");
    clear_trace();
    EXPECT_TRUE(save_link(0));
    EXPECT_EQ(read_file("user/U/links/games/Blocks.lk"),
              "Falling bricks\nA puzzle\nBlocks\nBlocks.gpe\nprog/\n700\nyes\n\n");
    EXPECT_FALSE(exists("user/U/links/games/Falling bricks.lk"));
    EXPECT_TRUE(traced("run sync"));
}

TEST_F(Links, SaveLinkRefusesWhatItCannotWrite)
{
    add_link("games", "Blocks", "Blocks");
    load_links();
    std::string before = read_file("user/U/links/games/Blocks.lk");
    EXPECT_FALSE(save_link(-1));
    EXPECT_FALSE(save_link(1)) << "slot not in use";
    EXPECT_FALSE(save_link(kLinkSlots));

    copy_text(link_items[0].icon_path, "/mnt/sd/" + std::string(92, 'i') + ".png");
    EXPECT_FALSE(save_link(0)) << "icon path of 104 characters";
    EXPECT_EQ(read_file("user/U/links/games/Blocks.lk"), before);

    copy_text(link_items[0].icon_path, "/" + std::string(98, 'i'));
    EXPECT_TRUE(save_link(0)) << "icon path of 99 characters";
    load_links();
    EXPECT_EQ(std::string(link_items[0].icon_path), "/" + std::string(98, 'i'));
}

// --- loading ---

TEST_F(Links, LoadSortsByFirstLetterIgnoringCase)
{
    add_link("games", "beta", "b");
    add_link("games", "Alpha", "a");
    add_link("games", "", "untitled");
    load_links();
    EXPECT_EQ(titles_of(link_items), (std::vector<std::string>{"", "Alpha", "beta"}));
    EXPECT_EQ(in_use(link_items), 3);
    EXPECT_STREQ(link_items[0].program_dir, "prog/") << "line ends are stripped";
    EXPECT_STREQ(link_items[0].cpu_mhz, "533");
    EXPECT_STREQ(link_items[0].timing_tweak, "no");
}

TEST_F(Links, TiesKeepTheOrderOfTheExchangeSort)
{
    // The files list as 1, 2, 3; the exchange sort swaps slot 0 with slot 2
    // and so puts B2 before b1.
    add_link("games", "b1", "1");
    add_link("games", "B2", "2");
    add_link("games", "a3", "3");
    load_links();
    EXPECT_EQ(titles_of(link_items), (std::vector<std::string>{"a3", "B2", "b1"}));
}

TEST_F(Links, EmptyOrMissingCategoryGivesAnEmptyTable)
{
    add_link("games", "Blocks", "Blocks");
    load_links();
    current_window = WindowId::Ports;
    load_links();
    EXPECT_EQ(in_use(link_items), 0);
    fs::remove("user/U/links/ports");
    load_links();
    EXPECT_EQ(in_use(link_items), 0);
}

TEST_F(Links, LinksWithoutTheirProgramAreLeftOut)
{
    add_link("games", "Here", "here");
    add_link("games", "Gone", "gone");
    fs::remove("prog/gone.gpe");
    write_file("user/U/links/games/noslash.lk", link_text("Noslash", "here", "prog"));
    load_links();
    EXPECT_EQ(titles_of(link_items), std::vector<std::string>{"Here"});
    EXPECT_TRUE(exists("user/U/links/games/gone.lk")) << "the link file stays";
}

TEST_F(Links, OtherEntriesOfTheCategoryAreReadLikeLinks)
{
    add_link("games", "Real", "real");
    write_file("user/U/links/games/tool.gpu", link_text("Tool", "real", "prog/"));
    fs::create_directory("user/U/links/games/sub.lk");
    write_file("user/U/links/games/note.txt", link_text("Note", "real", "prog/"));
    load_links();
    EXPECT_EQ(titles_of(link_items), (std::vector<std::string>{"Real", "Tool"}));
    EXPECT_EQ(in_use(link_items), 2);
}

TEST_F(Links, LinkWithoutANameIsNotLoaded)
{
    write_file("prog/p.gpe", "x");
    write_file("user/U/links/games/a.lk", "Nameless\n\n\np.gpe\nprog/\n533\nno\n\n");
    add_link("games", "Named", "named");
    load_links();
    EXPECT_EQ(titles_of(link_items), std::vector<std::string>{"Named"});
    EXPECT_EQ(in_use(link_items), 1);
}

TEST_F(Links, LongLinesDoNotShiftTheFollowingLines)
{
    std::string title(40, 'T');
    std::string description(70, 'd');
    write_file("prog/game.gpe", "x");
    write_file("user/U/links/games/game.lk", title + "\n" + description + "\ngame\ngame.gpe\nprog/\n6000\nmaybe\n\n");
    load_links();
    ASSERT_EQ(in_use(link_items), 1);
    EXPECT_EQ(std::string(link_items[0].title), title.substr(0, 23));
    EXPECT_EQ(std::string(link_items[0].description), description.substr(0, 48));
    EXPECT_STREQ(link_items[0].link_name, "game");
    EXPECT_STREQ(link_items[0].program_dir, "prog/");
    EXPECT_STREQ(link_items[0].cpu_mhz, "600");
    EXPECT_STREQ(link_items[0].timing_tweak, "may");
    EXPECT_STREQ(link_items[0].icon_path, "");
}

TEST_F(Links, ShortFilesLeaveTheMissingFieldsEmpty)
{
    write_file("prog/game.gpe", "x");
    write_file("user/U/links/games/game.lk", "Game\n\ngame\ngame.gpe\nprog/");
    load_links();
    ASSERT_EQ(in_use(link_items), 1);
    EXPECT_STREQ(link_items[0].program_dir, "prog/") << "a last line without line feed is kept whole";
    EXPECT_STREQ(link_items[0].cpu_mhz, "");
    EXPECT_STREQ(link_items[0].icon_path, "");
}

TEST_F(Links, AHundredLinksAtMost)
{
    for (int i = 0; i < 105; ++i)
        add_link("games", "t" + std::to_string(i), "n" + std::to_string(i));
    load_links();
    EXPECT_EQ(in_use(link_items), kLinkSlots);
    EXPECT_EQ(titles_of(link_items).size(), 100u);
}

TEST_F(Links, StripLineEnds)
{
    LinkRecord record{};
    copy_text(record.title, "Title\n");
    copy_text(record.link_name, "name\n");
    copy_text(record.icon_path, "icon");
    strip_line_ends(record);
    EXPECT_STREQ(record.title, "Title");
    EXPECT_STREQ(record.link_name, "name");
    EXPECT_STREQ(record.icon_path, "icon");

    LinkRecord unnamed{};
    copy_text(unnamed.title, "Title\n");
    strip_line_ends(unnamed);
    EXPECT_STREQ(unnamed.title, "Title\n");
}

// --- icons ---

TEST_F(Links, IconsFallBackAndScaleTo32)
{
    make_picture("pics/big.png", 40, 40);
    make_picture("pics/exact.png", 32, 32, 10, 200, 10);
    make_picture("prog/beside.png", 48, 20);
    make_picture("resources/skin/Blue/genericico.png", 40, 40);
    add_link("games", "a custom", "custom", "pics/big.png");
    add_link("games", "b exact", "exact", "pics/exact.png");
    add_link("games", "c beside", "beside", "x");
    add_link("games", "d generic", "generic", "pics/missing.png");
    load_links();
    ASSERT_EQ(in_use(link_items), 4);
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(link_items[i].icon, nullptr) << i;
        EXPECT_EQ(link_items[i].icon->w, 32) << i;
        EXPECT_EQ(link_items[i].icon->h, 32) << i;
    }
    Uint8 r, g, b;
    SDL_GetRGB(*static_cast<Uint16*>(link_items[1].icon->pixels), link_items[1].icon->format, &r, &g, &b);
    EXPECT_GT(g, 150) << "the 32x32 icon is its own picture";
    ASSERT_NE(link_items[3].icon, nullptr);
    EXPECT_EQ(link_items[3].icon->w, 40) << "the skin's generic icon is never scaled";
}

TEST_F(Links, NoIconAtAllLeavesTheSlotWithout)
{
    add_link("games", "Plain", "plain");
    load_links();
    ASSERT_EQ(in_use(link_items), 1);
    EXPECT_EQ(link_items[0].icon, nullptr);
}

TEST_F(Links, IconsMoveWithTheirRecords)
{
    make_picture("pics/wide.png", 64, 32);
    make_picture("resources/skin/Blue/genericico.png", 20, 20);
    add_link("games", "zed", "a", "pics/wide.png");
    add_link("games", "Abe", "b");
    load_links();
    ASSERT_EQ(titles_of(link_items), (std::vector<std::string>{"Abe", "zed"}));
    ASSERT_NE(link_items[0].icon, nullptr);
    EXPECT_EQ(link_items[0].icon->w, 20);
    ASSERT_NE(link_items[1].icon, nullptr);
    EXPECT_EQ(link_items[1].icon->w, 32);
}
