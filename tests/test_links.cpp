// Link files: writing them (from the explorer, from the scan, after an
// edit), loading a category with icons and sorting, and the limits of the
// format and of the table.
#include "link_files.h"

#include "core/text.h"
#include "programs/links.h"
#include "desktop/shortcuts.h"
#include "scan/scan_tables.h"

#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class Links : public GroupNeeding<Needs::nothing> {
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

TEST_F(Links, CreateFromFileWritesTheEightLines)
{
    write_file("user/U/links/games/Blocks.lk", "Mine\nfast\nBlocks\nBlocks.gpe\n/mnt/sd/blocks/\n800\nyes\n\n");
    copy_text(explorer_path, "/mnt/sd/blocks/");
    EXPECT_TRUE(create_link_from_file("Blocks.gpe"));
    EXPECT_EQ(read_file("user/U/links/games/Blocks.lk"), kBlocks) << "replaced, clock and timing reset";
    EXPECT_TRUE(traced("run sync"));
    EXPECT_FALSE(exists("user/U/links/games/Blocks.lk.tmp"));

    return_window = WindowId::Emus;
    EXPECT_TRUE(create_link_from_file("a.b.gpe"));
    EXPECT_EQ(read_file("user/U/links/emus/a.lk"), "a\n\na\na.b.gpe\n/mnt/sd/blocks/\n533\nno\n\n");
}

TEST_F(Links, CreateForScanUsesTheScanTables)
{
    copy_text(scan_files[3], "snes.gpe");
    copy_text(scan_dirs[3], "/mnt/sd/emu/snes/");
    copy_text(scan_categories[3], "Emulators");
    copy_text(scan_files[4], "x.gpe");
    copy_text(scan_categories[4], "(none)");
    EXPECT_TRUE(create_link_for_scan(3, "U"));
    EXPECT_EQ(read_file("user/U/links/emus/snes.lk"), "snes\n\nsnes\nsnes.gpe\n/mnt/sd/emu/snes/\n533\nno\n\n");
    EXPECT_FALSE(create_link_for_scan(4, "U"));

    for (int i = 0; i < kCategoryCount; ++i) {
        copy_text(scan_categories[6], category_names[i]);
        EXPECT_EQ(category_index(6), i);
    }
    copy_text(scan_categories[6], "Emulator");
    EXPECT_EQ(category_index(6), 0);
    EXPECT_EQ(category_index(kScanSlots), 0);
}

// A link is written only when it would read back as the same link.
TEST_F(Links, LinksThatCannotBeReadBackAreNotWritten)
{
    std::string dir99 = "/" + std::string(97, 'd') + "/";
    copy_text(explorer_path, dir99 + "x/");
    EXPECT_FALSE(create_link_from_file("Blocks.gpe")) << "directory of 101 characters";
    copy_text(explorer_path, dir99);
    EXPECT_TRUE(create_link_from_file("Blocks.gpe")) << "directory of 99 characters";
    EXPECT_FALSE(create_link_from_file(".gpe")) << "no base name";
    EXPECT_FALSE(create_link_from_file((std::string(95, 'n') + ".gpex").c_str())) << "file name of 100";
    EXPECT_TRUE(create_link_from_file((std::string(94, 'n') + ".gpe").c_str()));

    copy_text(scan_files[0], "ok.gpe");
    copy_text(scan_dirs[0], dir99 + "x/");
    copy_text(scan_categories[0], "Games");
    EXPECT_FALSE(create_link_for_scan(0, "U"));
    EXPECT_FALSE(exists("user/U/links/games/ok.lk"));

    clear_trace();
    fs::remove_all("user/U/links/apps");
    return_window = WindowId::Apps;
    EXPECT_FALSE(create_link_from_file("Blocks.gpe")) << "the category directory is missing";
    EXPECT_FALSE(traced("run sync"));
}

TEST_F(Links, SaveLinkRewritesTheFileNamedByLinkName)
{
    add_link("games", "Blocks", "Blocks");
    load_links();
    copy_text(link_items[0].title, "Falling bricks");
    copy_text(link_items[0].cpu_mhz, "700");
    copy_text(link_items[0].timing_tweak, "yes");
    EXPECT_TRUE(save_link(0));
    EXPECT_EQ(read_file("user/U/links/games/Blocks.lk"), "Falling bricks\n\nBlocks\nBlocks.gpe\nprog/\n700\nyes\n\n");

    std::string saved = read_file("user/U/links/games/Blocks.lk");
    EXPECT_FALSE(save_link(-1));
    EXPECT_FALSE(save_link(1)) << "not in use";
    copy_text(link_items[0].icon_path, "/" + std::string(99, 'i'));
    EXPECT_FALSE(save_link(0)) << "icon path of 100 characters";
    EXPECT_EQ(read_file("user/U/links/games/Blocks.lk"), saved);
    copy_text(link_items[0].icon_path, "/" + std::string(98, 'i'));
    EXPECT_TRUE(save_link(0));
    load_links();
    EXPECT_EQ(std::string(link_items[0].icon_path), "/" + std::string(98, 'i'));
}

TEST_F(Links, LoadSortsByFirstLetterIgnoringCase)
{
    add_link("games", "beta", "b");
    add_link("games", "Alpha", "a");
    add_link("games", "", "untitled");
    load_links();
    EXPECT_EQ(titles_of(link_items), (std::vector<std::string>{"", "Alpha", "beta"}));
    EXPECT_STREQ(link_items[1].program_dir, "prog/");
    EXPECT_STREQ(link_items[1].timing_tweak, "no");

    // Listed as 1, 2, 3; the exchange sort swaps slots 0 and 2, so B2
    // comes before b1.
    add_link("apps", "b1", "1");
    add_link("apps", "B2", "2");
    add_link("apps", "a3", "3");
    current_window = WindowId::Apps;
    load_links();
    EXPECT_EQ(titles_of(link_items), (std::vector<std::string>{"a3", "B2", "b1"}));
    EXPECT_EQ(in_use(link_items), 3);

    fs::remove_all("user/U/links/apps");
    load_links();
    EXPECT_EQ(in_use(link_items), 0) << "missing category";
}

TEST_F(Links, LoadKeepsOnlyLinksWhoseProgramOpens)
{
    add_link("games", "Here", "here");
    add_link("games", "Gone", "gone");
    fs::remove("prog/gone.gpe");
    write_file("user/U/links/games/noslash.lk", link_text("Noslash", "here", "prog"));
    write_file("user/U/links/games/nameless.lk", "Nameless\n\n\nhere.gpe\nprog/\n533\nno\n\n");
    write_file("user/U/links/games/tool.gpu", link_text("Tool", "here", "prog/"));
    write_file("user/U/links/games/note.txt", link_text("Note", "here", "prog/"));
    fs::create_directory("user/U/links/games/sub.lk");
    load_links();
    EXPECT_EQ(titles_of(link_items), (std::vector<std::string>{"Here", "Tool"}));
    EXPECT_EQ(in_use(link_items), 2) << "a nameless link would leave a gap";
    EXPECT_TRUE(exists("user/U/links/games/gone.lk"));
}

TEST_F(Links, LongLinesAreCutWithoutShiftingTheRest)
{
    std::string title(40, 'T');
    write_file("prog/game.gpe", "x");
    write_file("user/U/links/games/game.lk",
               title + "\n" + std::string(70, 'd') + "\ngame\ngame.gpe\nprog/\n6000\nmaybe\n\n");
    write_file("user/U/links/games/short.lk", "Short\n\ngame\ngame.gpe\nprog/");
    load_links();
    ASSERT_EQ(in_use(link_items), 2);
    const LinkRecord& cut = link_items[1];
    EXPECT_EQ(std::string(cut.title), title.substr(0, 23));
    EXPECT_EQ(std::string(cut.description), std::string(48, 'd'));
    EXPECT_STREQ(cut.link_name, "game");
    EXPECT_STREQ(cut.cpu_mhz, "600");
    EXPECT_STREQ(cut.timing_tweak, "may");
    const LinkRecord& short_file = link_items[0];
    EXPECT_STREQ(short_file.program_dir, "prog/") << "a last line without line feed is whole";
    EXPECT_STREQ(short_file.cpu_mhz, "") << "missing lines leave their fields empty";
}

TEST_F(Links, AHundredLinksAtMost)
{
    for (int i = 0; i < 105; ++i)
        add_link("games", "t" + std::to_string(i), "n" + std::to_string(i));
    load_links();
    EXPECT_EQ(titles_of(link_items).size(), 100u);
}

TEST_F(Links, StripLineEndsNeedsALinkName)
{
    LinkRecord record{};
    copy_text(record.title, "Title\n");
    copy_text(record.icon_path, "icon");
    strip_line_ends(record);
    EXPECT_STREQ(record.title, "Title\n");
    copy_text(record.link_name, "name\n");
    strip_line_ends(record);
    EXPECT_STREQ(record.title, "Title");
    EXPECT_STREQ(record.link_name, "name");
    EXPECT_STREQ(record.icon_path, "icon");
}

// The link names list in the reverse order of the titles, so the sort moves
// every record, and its icon must move with it.
TEST_F(Links, IconsFallBackScaleTo32AndMoveWithTheirRecords)
{
    make_picture("pics/big.png", 40, 40);
    make_picture("pics/exact.png", 32, 32, 10, 200, 10);
    make_picture("prog/b.png", 48, 20);
    make_picture("resources/skin/Blue/genericico.png", 40, 40);
    add_link("games", "a custom", "d", "pics/big.png");
    add_link("games", "b exact", "c", "pics/exact.png");
    add_link("games", "c beside", "b", "x");
    add_link("games", "d generic", "a", "pics/missing.png");
    load_links();
    ASSERT_EQ(titles_of(link_items), (std::vector<std::string>{"a custom", "b exact", "c beside", "d generic"}));
    for (int i = 0; i < 4; ++i)
        ASSERT_NE(link_items[i].icon, nullptr) << i;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(link_items[i].icon->w == 32 && link_items[i].icon->h == 32) << i;
    Uint8 r, g, b;
    Uint32 first = 0;   // the icon's format is the screen's where SDL opens one, the file's otherwise
    std::memcpy(&first, link_items[1].icon->pixels, link_items[1].icon->format->BytesPerPixel);
    SDL_GetRGB(first, link_items[1].icon->format, &r, &g, &b);
    EXPECT_GT(g, 150) << "the 32x32 icon is its own picture";
    EXPECT_EQ(link_items[3].icon->w, 40) << "the skin's generic icon is never scaled";

    fs::remove("resources/skin/Blue/genericico.png");
    fs::remove("pics/big.png");
    load_links();
    EXPECT_EQ(link_items[0].icon, nullptr) << "no icon at all";
}

// Files edited on a PC end their lines with CR LF: the CR is part of the
// line end, in link files and in "desktop.st".
TEST_F(Links, LineEndsOfAPcAreRead)
{
    write_file("prog/Blocks.gpe", "program");
    write_file("user/U/links/games/Blocks.lk", "Blocks\r\nfun\r\nBlocks\r\nBlocks.gpe\r\nprog/\r\n533\r\nyes\r\n\r\n");
    write_file("user/U/links/games/Cr.lk", "C\rr\n\nCr\nBlocks.gpe\nprog/\n533\nno\n\n");
    load_links();
    ASSERT_EQ(titles_of(link_items), (std::vector<std::string>{"Blocks", "C\rr"}))
        << "a CR not followed by a line feed stays text";
    EXPECT_STREQ(link_items[0].description, "fun");
    EXPECT_STREQ(link_items[0].program_dir, "prog/");
    EXPECT_STREQ(link_items[0].timing_tweak, "yes");

    write_file("user/U/desktop.st", "user/U/links/games/Blocks.lk\r\n");
    load_desktop();
    EXPECT_EQ(titles_of(desktop_items), (std::vector<std::string>{"Blocks"}));
}

// Entries named like data files that are no regular files are passed over
// at once: a FIFO would otherwise keep the shell waiting for ever.
TEST_F(Links, OnlyRegularFilesAreRead)
{
    add_link("games", "Blocks", "Blocks");
    ASSERT_EQ(mkfifo("user/U/links/games/Pipe.lk", 0644), 0);
    fs::create_directories("user/U/links/games/Folder.lk");
    write_file("user/U/links/games/Fifo.lk", link_text("Fifo", "Fifo", "prog/"));
    ASSERT_EQ(mkfifo("prog/Fifo.gpe", 0755), 0);   // a FIFO as the program
    ASSERT_EQ(mkfifo("prog/Blocks.png", 0644), 0);   // and as the icon beside it
    load_links();
    EXPECT_EQ(titles_of(link_items), (std::vector<std::string>{"Blocks"}));
    EXPECT_NE(link_items[0].icon, nullptr) << "the generic icon stands in";

    ASSERT_EQ(mkfifo("user/U/desktop.st", 0644), 0);
    load_desktop();
    EXPECT_EQ(desktop_items[0].link_name[0], '\0');
    LinkRecord record = link_items[0];
    record.icon = nullptr;
    EXPECT_EQ(desktop_add(record), ShortcutAdded::NotSaved) << "nothing is written into a FIFO";
    fs::remove("user/U/desktop.st");
    fs::create_directories("user/U/desktop.st");
    load_desktop();
    EXPECT_EQ(desktop_items[0].link_name[0], '\0');
}

// A link of eight lines is saved as the same eight; one that carries the
// folder and the file types keeps its nine or ten lines, byte for byte,
// through loading, the desktop's reading and saving.
TEST_F(Links, LinksOfEightNineAndTenLinesSaveByteForByte)
{
    write_file("prog/emu.gpe", "program");
    const std::string eight = "Emu\nplays games\nemu\nemu.gpe\nprog/\n400\nyes\n\n";
    const std::string nine = "Emu\nplays games\nemu\nemu.gpe\nprog/\n400\nyes\n\n/mnt/sd/roms/\n";
    const std::string ten = "Emu\nplays games\nemu\nemu.gpe\nprog/\n400\nyes\n\n/mnt/sd/roms/\ngba gbc gb\n";
    const std::string only_types = "Emu\nplays games\nemu\nemu.gpe\nprog/\n400\nyes\n\n\ngba\n";
    for (const std::string& content : {eight, nine, ten, only_types}) {
        write_file("user/U/links/games/emu.lk", content);
        load_links();
        ASSERT_STREQ(link_items[0].link_name, "emu");
        clear_trace();
        EXPECT_TRUE(save_link(0));
        EXPECT_EQ(read_file("user/U/links/games/emu.lk"), content);
        EXPECT_TRUE(traced("run sync"));
    }
    EXPECT_STREQ(link_items[0].browse_dir, "");
    EXPECT_STREQ(link_items[0].file_types, "gba");

    write_file("user/U/links/games/emu.lk", ten);
    write_file("user/U/desktop.st", "user/U/links/games/emu.lk\n");
    load_desktop();
    EXPECT_STREQ(desktop_items[0].browse_dir, "/mnt/sd/roms/");
    EXPECT_STREQ(desktop_items[0].file_types, "gba gbc gb");

    // Cleared again, the link is eight lines once more; a folder line of
    // 100 characters would not read back and is refused.
    load_links();
    link_items[0].browse_dir[0] = '\0';
    link_items[0].file_types[0] = '\0';
    EXPECT_TRUE(save_link(0));
    EXPECT_EQ(read_file("user/U/links/games/emu.lk"), eight);
    copy_text(link_items[0].browse_dir, "/" + std::string(99, 'r'));
    EXPECT_FALSE(save_link(0));
    copy_text(link_items[0].browse_dir, "");
    copy_text(link_items[0].file_types, std::string(49, 't'));
    EXPECT_FALSE(save_link(0)) << "file types of 49 characters";
    EXPECT_EQ(read_file("user/U/links/games/emu.lk"), eight);
}

// Lines after the tenth are not the link's; a PC's line ends are read.
TEST_F(Links, TheTwoLinesAreReadWithPcLineEndsAndNothingAfterThem)
{
    write_file("prog/emu.gpe", "program");
    write_file("user/U/links/games/emu.lk",
               "Emu\r\n\r\nemu\r\nemu.gpe\r\nprog/\r\n533\r\nno\r\n\r\nroms/\r\nnes\r\nmore\r\n");
    load_links();
    EXPECT_STREQ(link_items[0].browse_dir, "roms/");
    EXPECT_STREQ(link_items[0].file_types, "nes");
}
