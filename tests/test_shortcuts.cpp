// The desktop shortcut list: loading "desktop.st", adding a link, removing
// exactly the chosen line, and never losing the file on the way.
#include "link_files.h"

#include "core/shell.h"
#include "core/text.h"
#include "desktop/shortcuts.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class Shortcuts : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        own_skin_folder();
        copy_text(user_name, "U");
        copy_text(skin_name, "Blue");
        for (const char* category : {"apps", "emus", "ports", "games"})
            fs::create_directories(std::string("user/U/links/") + category);
        return_window = WindowId::Games;
    }

    static std::string line(const std::string& name, const std::string& category = "games")
    {
        return "user/U/links/" + category + "/" + name + ".lk\n";
    }

    static std::string desktop() { return read_file("user/U/desktop.st"); }
};

} // namespace

TEST_F(Shortcuts, NoFileMeansAnEmptyDesktop)
{
    copy_text(desktop_items[3].title, "stale");
    copy_text(desktop_items[3].link_name, "stale");
    load_desktop();
    EXPECT_EQ(in_use(desktop_items), 0);
}

TEST_F(Shortcuts, LoadsTheFirst24InFileOrderSortedByTitle)
{
    std::string file;
    for (int i = 0; i < 30; ++i) {
        std::string name = "n" + std::to_string(i);
        add_link("games", std::string(1, static_cast<char>('z' - i)) + name, name);
        file += line(name);
    }
    write_file("user/U/desktop.st", file);
    load_desktop();
    std::vector<std::string> titles = titles_of(desktop_items);
    ASSERT_EQ(titles.size(), 24u);
    EXPECT_EQ(titles.front(), "cn23") << "lines 0-23 only; the sort by title reverses them";
    EXPECT_EQ(titles.back(), "zn0");
}

TEST_F(Shortcuts, MissingLinksAndProgramsAreSkippedAndKept)
{
    add_link("games", "Alpha", "alpha");
    add_link("apps", "Beta", "beta");
    add_link("games", "Gone", "gone");
    fs::remove("prog/gone.gpe");
    std::string file = line("deleted") + line("gone") + line("beta", "apps") + line("alpha");
    write_file("user/U/desktop.st", file);
    load_desktop();
    EXPECT_EQ(titles_of(desktop_items), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(desktop(), file);
}

TEST_F(Shortcuts, LastLineWithoutLineFeedIsNotShown)
{
    add_link("games", "Alpha", "alpha");
    add_link("games", "Beta", "beta");
    write_file("user/U/desktop.st", line("alpha") + "user/U/links/games/beta.lk");
    load_desktop();
    EXPECT_EQ(titles_of(desktop_items), std::vector<std::string>{"Alpha"});
}

TEST_F(Shortcuts, TooLongLineIsSkippedWhole)
{
    std::string longest(76, 'l');   // its line has the 98 characters a line can hold
    add_link("games", "Longest", longest);
    add_link("games", "Beta", "beta");
    std::string too_long = std::string(99, 'x') + line("beta");
    write_file("user/U/desktop.st", too_long + line(longest));
    load_desktop();
    EXPECT_EQ(titles_of(desktop_items), std::vector<std::string>{"Longest"})
        << "no piece of the long line is taken for a line of its own";
}

TEST_F(Shortcuts, IconsAsForCategoryLinks)
{
    make_picture("prog/alpha.png", 40, 40);
    make_picture("resources/skin/Blue/genericico.png", 24, 24);
    add_link("games", "Alpha", "alpha");
    add_link("games", "Beta", "beta");
    write_file("user/U/desktop.st", line("alpha") + line("beta"));
    load_desktop();
    ASSERT_NE(desktop_items[0].icon, nullptr);
    EXPECT_EQ(desktop_items[0].icon->w, 32);
    ASSERT_NE(desktop_items[1].icon, nullptr);
    EXPECT_EQ(desktop_items[1].icon->w, 24);
}

TEST_F(Shortcuts, AddAppendsAndSyncs)
{
    add_link("games", "Alpha", "alpha");
    add_link("games", "Beta", "beta");
    LinkRecord beta{};
    copy_text(beta.link_name, "beta");
    EXPECT_TRUE(desktop_add(beta)) << "creates the file";
    EXPECT_EQ(desktop(), line("beta"));
    EXPECT_TRUE(traced("run sync"));

    LinkRecord alpha{};
    copy_text(alpha.link_name, "alpha");
    EXPECT_TRUE(desktop_add(alpha));
    EXPECT_EQ(desktop(), line("beta") + line("alpha"));
    load_desktop();
    EXPECT_EQ(titles_of(desktop_items), (std::vector<std::string>{"Alpha", "Beta"}));
}

TEST_F(Shortcuts, AddWritesNothingForALoadedName)
{
    add_link("games", "Alpha", "alpha");
    write_file("user/U/desktop.st", line("alpha"));
    load_desktop();
    clear_trace();
    LinkRecord same{};
    copy_text(same.link_name, "alpha");
    return_window = WindowId::Apps;
    EXPECT_FALSE(desktop_add(same)) << "the same name in another category counts as the same";
    EXPECT_FALSE(desktop_add(LinkRecord{})) << "not in use";
    EXPECT_EQ(desktop(), line("alpha"));
    EXPECT_FALSE(traced("run sync"));
}

TEST_F(Shortcuts, AddRefusesAPathTooLongToReadBack)
{
    LinkRecord record{};
    copy_text(record.link_name, std::string(77, 'n'));
    EXPECT_FALSE(desktop_add(record)) << "a line of 99 characters";
    EXPECT_FALSE(exists("user/U/desktop.st"));
    copy_text(record.link_name, std::string(76, 'n'));
    EXPECT_TRUE(desktop_add(record));
}

TEST_F(Shortcuts, AddAfterACutShortLineKeepsEveryByte)
{
    add_link("games", "Alpha", "alpha");
    std::string before = line("alpha") + "user/U/links/ga";
    write_file("user/U/desktop.st", before);
    LinkRecord alpha{};
    copy_text(alpha.link_name, "alpha");
    EXPECT_TRUE(desktop_add(alpha)) << "nothing is loaded yet";
    EXPECT_EQ(desktop(), before + "\n" + line("alpha"));
}

TEST_F(Shortcuts, AddThatCannotOpenTheFileLeavesIt)
{
    fs::create_directories("user/U/desktop.st");
    LinkRecord record{};
    copy_text(record.link_name, "alpha");
    EXPECT_FALSE(desktop_add(record));
    EXPECT_FALSE(traced("run sync"));
}

TEST_F(Shortcuts, RemoveDropsExactlyTheChosenLine)
{
    add_link("games", "Zulu", "zulu");
    add_link("games", "Mike", "mike");
    add_link("games", "Alpha", "alpha");
    write_file("user/U/desktop.st", line("zulu") + line("deleted") + line("mike") + line("alpha"));
    load_desktop();
    ASSERT_EQ(titles_of(desktop_items), (std::vector<std::string>{"Alpha", "Mike", "Zulu"}));
    clear_trace();
    desktop_remove(0);
    EXPECT_EQ(desktop(), line("zulu") + line("deleted") + line("mike"));
    EXPECT_TRUE(traced("run sync"));
    EXPECT_EQ(titles_of(desktop_items), (std::vector<std::string>{"Mike", "Zulu"})) << "reloaded";
    EXPECT_FALSE(exists("user/U/tmp.st"));
    EXPECT_FALSE(exists("user/U/desktop.st.tmp"));
}

TEST_F(Shortcuts, RemoveOfADuplicateLineTakesItsOwnLine)
{
    add_link("games", "Alpha", "alpha");
    add_link("games", "Beta", "beta");
    // Slots after the sort: alpha (line 0), alpha (line 2), beta (line 1).
    write_file("user/U/desktop.st", line("alpha") + line("beta") + line("alpha"));
    load_desktop();
    ASSERT_EQ(titles_of(desktop_items), (std::vector<std::string>{"Alpha", "Alpha", "Beta"}));
    desktop_remove(1);
    EXPECT_EQ(desktop(), line("alpha") + line("beta"));
    desktop_remove(0);
    EXPECT_EQ(desktop(), line("beta"));
}

TEST_F(Shortcuts, RemoveDropsALastLineWithoutLineFeed)
{
    add_link("games", "Alpha", "alpha");
    add_link("games", "Beta", "beta");
    write_file("user/U/desktop.st", line("alpha") + line("beta") + "user/U/links/games/x.lk");
    load_desktop();
    desktop_remove(1);
    EXPECT_EQ(desktop(), line("alpha"));
}

TEST_F(Shortcuts, RemoveThatCannotWriteLeavesTheWholeFile)
{
    add_link("games", "Alpha", "alpha");
    add_link("games", "Beta", "beta");
    std::string file = line("alpha") + line("beta");
    write_file("user/U/desktop.st", file);
    load_desktop();
    fs::create_directories("user/U/desktop.st.tmp");   // the temporary file cannot be made
    clear_trace();
    desktop_remove(0);
    EXPECT_EQ(desktop(), file);
    EXPECT_EQ(in_use(desktop_items), 2);
}

TEST_F(Shortcuts, RemoveOfAnEmptySlotChangesNothing)
{
    std::string file = line("alpha") + "partial";
    write_file("user/U/desktop.st", file);
    load_desktop();
    desktop_remove(0);
    desktop_remove(-1);
    desktop_remove(kDesktopSlots);
    EXPECT_EQ(desktop(), file);
}

TEST_F(Shortcuts, MainLoopLoadsTheDesktopOnEnteringIt)
{
    add_link("games", "Alpha", "alpha");
    write_file("user/U/desktop.st", line("alpha"));
    current_window = WindowId::Games;
    window_change_setup();
    EXPECT_EQ(in_use(desktop_items), 0);
    current_window = WindowId::Desktop;
    window_change_setup();
    EXPECT_EQ(titles_of(desktop_items), std::vector<std::string>{"Alpha"});
}
