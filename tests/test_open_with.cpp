// Programs started on a file: a link with file types opens the explorer on
// its folder and its program is started on the file picked; in the free
// explorer a file that links claim is offered to them; text files are read
// and sounds played; everything else opens as it always did.
#include "explorer_fixture.h"
#include "window_checks.h"

#include "core/text.h"
#include "explorer/listing.h"
#include "explorer/open_with.h"
#include "programs/category.h"
#include "programs/links.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class OpenWith : public ExplorerTest {
protected:
    void SetUp() override
    {
        ExplorerTest::SetUp();
        pocket = make_program("card/emus/pocket", "Pocket.gpe");
        for (const char* rom : {"card/roms/b.gb", "card/roms/a.GBC", "card/roms/notes.txt", "card/roms/c.zip"})
            write_file(rom, "rom");
        fs::create_directories("card/roms/saves");
    }

    // A link of amy's in category with a folder line and file types.
    static void put_link(const std::string& category, const std::string& title, const std::string& dir,
                         const std::string& file, const std::string& folder, const std::string& types)
    {
        std::string name = file.substr(0, file.find('.'));
        write_file("user/amy/links/" + category + "/" + name + ".lk",
                   title + "\n\n" + name + "\n" + file + "\n" + dir + "\n533\nno\n\n" + folder + "\n" + types + "\n");
    }

    static std::vector<std::string> listed()
    {
        std::vector<std::string> names;
        for (int i = 0; i < count_entries(explorer_list); ++i)
            names.emplace_back(explorer_list.name[i]);
        return names;
    }

    // The command the system shell was given, or "" when none.
    static std::string started()
    {
        const std::string prefix = "exec /bin/sh: /bin/sh -c ";
        for (const std::string& line : trace())
            if (line.rfind(prefix, 0) == 0)
                return line.substr(prefix.size());
        return "";
    }

    static std::string command_for(const std::string& dir, const std::string& program, const std::string& file)
    {
        return "\"" + dir + "/" + program + "\" \"" + file + "\"; cd /usr/gp2x; exec /usr/gp2x/gp2xmenu";
    }

    // Opens the free explorer on the card's roms/ with the entry name highlighted.
    void browse_to(const std::string& name)
    {
        open("roms/");
        std::vector<std::string> names = listed();
        int index = static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
        ASSERT_LT(index, static_cast<int>(names.size())) << name;
        selection = index % 7;
        list_top = index / 7;
    }

    // Opens the highlighted entry with button 13, after which the pushed
    // answers come.
    static void open_highlighted(std::initializer_list<int> answers)
    {
        push_button(13);
        for (int b : answers)
            push_button(b);
        ::testing::internal::CaptureStdout();
        explorer_input();
        ::testing::internal::GetCapturedStdout();
    }

    std::string pocket;
};

} // namespace

TEST_F(OpenWith, LinkWithFileTypesBrowsesItsFolderAndStartsItsProgramOnThePick)
{
    put_link("emus", "Pocket", pocket, "Pocket.gpe", card + "roms/", "gb gbc");
    current_window = WindowId::Emus;
    load_links();
    push_button(13);
    category_input();
    EXPECT_EQ(current_window, WindowId::Explorer);
    EXPECT_EQ(return_window, WindowId::Emus);
    EXPECT_EQ(std::string(explorer_path), card + "roms/");
    EXPECT_EQ(listed(), (std::vector<std::string>{"saves", "a.GBC", "b.gb"})) << "its types, and folders";
    EXPECT_EQ(started(), "") << "nothing started before a file is picked";

    selection = 0;
    press(11);   // into saves/: the link's explorer browses freely
    EXPECT_EQ(std::string(explorer_path), card + "roms/saves/");
    press(10);
    press(4);
    open_highlighted({});
    EXPECT_EQ(started(), command_for(pocket, "Pocket.gpe", card + "roms/a.GBC"));
    EXPECT_TRUE(traced("chdir " + pocket)) << "the program runs in its own folder";
}

TEST_F(OpenWith, ClosingTheLinksExplorerGoesBackAndForgetsTheLink)
{
    put_link("emus", "Pocket", pocket, "Pocket.gpe", card + "roms/", "gb");
    current_window = WindowId::Emus;
    load_links();
    start_link(link_items[0], WindowId::Emus);
    press(14);
    EXPECT_EQ(current_window, WindowId::Emus);
    EXPECT_STREQ(explorer_link.link_name, "");

    // Opened again freely, the same folder lists everything and a ROM is
    // no longer started by the link's program.
    open("roms/");
    EXPECT_EQ(count_entries(explorer_list), 5);
}

// The folder line: relative to the program's folder, or gone (another card
// in the console): then the program's own folder. Button 15 starts the
// program without a file; a plain link starts at once.
TEST_F(OpenWith, FolderLineResolvesAndFallsBackAndYStartsTheProgramBare)
{
    write_file("card/emus/pocket/roms/x.gb", "rom");
    put_link("emus", "Pocket", pocket, "Pocket.gpe", "roms", "gb");
    current_window = WindowId::Emus;
    load_links();
    start_link(link_items[0], WindowId::Emus);
    EXPECT_EQ(std::string(explorer_path), pocket + "roms/");

    put_link("emus", "Pocket", pocket, "Pocket.gpe", card + "gone/", "gb");
    current_window = WindowId::Emus;   // the explorer is open: back to the category to read its links
    load_links();
    start_link(link_items[0], WindowId::Desktop);
    EXPECT_EQ(std::string(explorer_path), pocket);
    EXPECT_EQ(return_window, WindowId::Desktop);
    clear_trace();
    ::testing::internal::CaptureStdout();
    press(15);
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(launched_program(pocket, "Pocket.gpe"));
}

TEST_F(OpenWith, PlainLinkStartsAtOnce)
{
    put_link("emus", "Pocket", pocket, "Pocket.gpe", card + "roms/", "");
    current_window = WindowId::Emus;
    load_links();
    ::testing::internal::CaptureStdout();
    start_link(link_items[0], WindowId::Emus);
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(launched_program(pocket, "Pocket.gpe"));
}

TEST_F(OpenWith, OneClaimIsAskedFirst)
{
    put_link("emus", "Pocket", pocket, "Pocket.gpe", "", "gb gbc");
    browse_to("b.gb");
    open_highlighted({14});   // No
    EXPECT_EQ(started(), "");
    EXPECT_TRUE(::box_shows("Open with Pocket?", 1));
    EXPECT_EQ(current_window, WindowId::Explorer);

    open_highlighted({13});   // Yes
    EXPECT_EQ(started(), command_for(pocket, "Pocket.gpe", card + "roms/b.gb"));
}

// Claims come from all four categories, sorted by title; a link whose
// program is gone claims nothing.
TEST_F(OpenWith, SeveralClaimsAreOfferedInAMenu)
{
    std::string zed = make_program("card/apps/zed", "zed.gpe");
    put_link("emus", "Pocket", pocket, "Pocket.gpe", "", "gb gbc");
    put_link("apps", "Zed", zed, "zed.gpe", "", "*.GB");
    put_link("games", "Old", card + "gone/", "old.gpe", "", "gb");
    put_link("ports", "Texts", zed, "zed.gpe", "", "txt");
    LinkRecord claims[7];
    ASSERT_EQ(programs_claiming("b.gb", claims, 7), 2);
    EXPECT_STREQ(claims[0].title, "Pocket");
    EXPECT_STREQ(claims[1].title, "Zed");
    EXPECT_EQ(programs_claiming("a.GBC", claims, 7), 1);
    EXPECT_EQ(programs_claiming("c.zip", claims, 7), 0);

    browse_to("b.gb");
    open_highlighted({4, 0, 14});   // the menu, moved about, cancelled
    EXPECT_EQ(started(), "");
    open_highlighted({9});
    EXPECT_EQ(started(), "");
    push_button(13);
    push_touch(5, 5);   // outside the menu
    explorer_input();
    EXPECT_EQ(started(), "");

    open_highlighted({4, 13});
    EXPECT_EQ(started(), command_for(zed, "zed.gpe", card + "roms/b.gb"));
}

TEST_F(OpenWith, MenuRowsAreTouched)
{
    std::string zed = make_program("card/apps/zed", "zed.gpe");
    put_link("emus", "Pocket", pocket, "Pocket.gpe", "", "gb");
    put_link("apps", "Zed", zed, "zed.gpe", "", "gb");
    LinkRecord claims[7];
    ASSERT_EQ(programs_claiming("b.gb", claims, 7), 2);
    // Two rows of 20 under a 26-pixel title, in a box centred at y 120.
    push_touch(150, 120 - (26 + 40 + 4) / 2 + 2 + 26 + 20 + 9);
    EXPECT_EQ(choose_program(claims, 2), 1);
    push_touch(150, 120 - (26 + 40 + 4) / 2 + 8);   // the title: nothing
    push_button(13);
    EXPECT_EQ(choose_program(claims, 2), 0);
}

// Files no link claims open as before: programs, pictures, nothing for
// other types; a text file, a "readme" without an extension and a sound
// open in the shell's own viewer and player (a FIFO of that name shows
// which one tried to read it).
TEST_F(OpenWith, UnclaimedFilesOpenAsBeforeTextsAreReadAndSoundsPlayed)
{
    put_link("emus", "Pocket", pocket, "Pocket.gpe", "", "gb");
    browse_to("c.zip");
    open_highlighted({});
    EXPECT_EQ(started(), "");
    EXPECT_TRUE(all_read()) << "no dialog waited for an answer";

    ASSERT_EQ(mkfifo("card/roms/README", 0644), 0);
    ASSERT_EQ(mkfifo("card/roms/Notes.TXT", 0644), 0);
    ASSERT_EQ(mkfifo("card/roms/song.Wav", 0644), 0);
    ASSERT_EQ(mkfifo("card/roms/tune.ogg", 0644), 0);
    for (const char* name : {"README", "Notes.TXT"}) {
        browse_to(name);
        EXPECT_EQ(frames_showing_box("Load failed!", 0, [] { open_highlighted({13}); }), 1) << name;
    }
    for (const char* name : {"song.Wav", "tune.ogg"}) {
        browse_to(name);
        EXPECT_EQ(frames_showing_box("Cannot play this file!", 0, [] { open_highlighted({13}); }), 1) << name;
    }
    // Claimed, a text file goes to its program first.
    put_link("apps", "Texts", pocket, "Pocket.gpe", "", "txt");
    browse_to("notes.txt");
    open_highlighted({14});
    EXPECT_TRUE(::box_shows("Open with Texts?", 1));
}

// Picking for a category or a link's icon is unchanged by claims.
TEST_F(OpenWith, PickingExplorersIgnoreClaims)
{
    put_link("emus", "Pocket", pocket, "Pocket.gpe", "", "gpe png");
    std::string tools = make_program("card/tools", "calc.gpe");
    open("tools/", "gpe", WindowId::Games);
    open_highlighted({});
    EXPECT_EQ(current_window, WindowId::Games);
    EXPECT_TRUE(exists("user/amy/links/games/calc.lk"));
    EXPECT_EQ(started(), "");
}
