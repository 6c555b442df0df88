// The desktop shortcut list: loading "desktop.st", adding a link, removing
// exactly the chosen line, and never losing the file on the way.
#include "link_files.h"

#include "shell/shell.h"
#include "core/text.h"
#include "desktop/shortcuts.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class Shortcuts : public GroupNeeding<Needs::nothing> {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        copy_text(user_name, "U");
        return_window = WindowId::Games;
        add_link("games", "Alpha", "alpha");
        add_link("games", "Beta", "beta");
    }

    static std::string line(const std::string& name) { return "user/U/links/games/" + name + ".lk\n"; }
    static std::string desktop() { return read_file("user/U/desktop.st"); }
    static void write_desktop(const std::string& content) { write_file("user/U/desktop.st", content); }

    static LinkRecord named(const std::string& name)
    {
        LinkRecord record{};
        copy_text(record.link_name, name);
        return record;
    }
};

} // namespace

TEST_F(Shortcuts, LoadsTheFirst24InFileOrderSortedByTitle)
{
    copy_text(desktop_items[3].link_name, "stale");
    load_desktop();
    EXPECT_EQ(in_use(desktop_items), 0) << "no file, empty desktop";

    std::string file;
    for (int i = 0; i < 30; ++i) {
        std::string name = "n" + std::to_string(i);
        add_link("games", std::string(1, static_cast<char>('z' - i)) + name, name);
        file += line(name);
    }
    write_desktop(file);
    load_desktop();
    std::vector<std::string> titles = titles_of(desktop_items);
    ASSERT_EQ(titles.size(), 24u);
    EXPECT_EQ(titles.front(), "cn23") << "lines 0-23 only, sorted by title";
    EXPECT_EQ(titles.back(), "zn0");
}

TEST_F(Shortcuts, LoadSkipsLinesItCannotUseAndKeepsThem)
{
    std::string longest(76, 'l');   // its line has the 98 characters a line holds
    add_link("games", "Longest", longest);
    add_link("games", "Gone", "gone");
    fs::remove("prog/gone.gpe");
    std::string file = line("deleted") + line("gone") + std::string(99, 'x') + line("alpha") + line(longest) +
                       "user/U/links/games/beta.lk";
    write_desktop(file);
    load_desktop();
    EXPECT_EQ(titles_of(desktop_items), std::vector<std::string>{"Longest"})
        << "a long line gives no piece of its own; a last line without line feed is not used";
    EXPECT_EQ(desktop(), file);
}

TEST_F(Shortcuts, AddAppendsAndSyncs)
{
    EXPECT_EQ(desktop_add(named("beta")), ShortcutAdded::Added) << "creates the file";
    EXPECT_EQ(desktop_add(named("alpha")), ShortcutAdded::Added);
    EXPECT_EQ(desktop(), line("beta") + line("alpha"));
    EXPECT_TRUE(traced("run sync"));
    load_desktop();
    EXPECT_EQ(titles_of(desktop_items), (std::vector<std::string>{"Alpha", "Beta"}));

    clear_trace();
    return_window = WindowId::Apps;
    EXPECT_EQ(desktop_add(named("alpha")), ShortcutAdded::Refused) << "the same name in another category counts as the same";
    EXPECT_EQ(desktop_add(LinkRecord{}), ShortcutAdded::Refused);
    EXPECT_EQ(desktop_add(named(std::string(78, 'n'))), ShortcutAdded::Refused) << "a line of 99 characters";
    EXPECT_EQ(desktop(), line("beta") + line("alpha"));
    EXPECT_FALSE(traced("run sync"));
}

TEST_F(Shortcuts, AddNeverRewritesWhatIsThere)
{
    std::string before = line("alpha") + "user/U/links/ga";
    write_desktop(before);
    EXPECT_EQ(desktop_add(named("beta")), ShortcutAdded::Added);
    EXPECT_EQ(desktop(), before + "\n" + line("beta")) << "the unfinished line is ended, not merged";

    fs::remove("user/U/desktop.st");
    fs::create_directories("user/U/desktop.st");
    EXPECT_EQ(desktop_add(named("beta")), ShortcutAdded::NotSaved);
}

TEST_F(Shortcuts, RemoveDropsExactlyTheChosenLine)
{
    add_link("games", "Zulu", "zulu");
    write_desktop(line("zulu") + line("deleted") + line("beta") + line("alpha") + "user/U/links/games/x.lk");
    load_desktop();
    ASSERT_EQ(titles_of(desktop_items), (std::vector<std::string>{"Alpha", "Beta", "Zulu"}));
    clear_trace();
    desktop_remove(0);
    EXPECT_EQ(desktop(), line("zulu") + line("deleted") + line("beta")) << "and the last line without line feed";
    EXPECT_TRUE(traced("run sync"));
    EXPECT_EQ(titles_of(desktop_items), (std::vector<std::string>{"Beta", "Zulu"})) << "reloaded";
    EXPECT_FALSE(exists("user/U/desktop.st.tmp"));

    desktop_remove(2);
    desktop_remove(-1);
    EXPECT_EQ(desktop(), line("zulu") + line("deleted") + line("beta")) << "empty slots remove nothing";
}

TEST_F(Shortcuts, RemoveOfADuplicateTakesItsOwnLine)
{
    // After the sort: alpha (line 0), alpha (line 2), beta (line 1).
    write_desktop(line("alpha") + line("beta") + line("alpha"));
    load_desktop();
    ASSERT_EQ(titles_of(desktop_items), (std::vector<std::string>{"Alpha", "Alpha", "Beta"}));
    desktop_remove(1);
    EXPECT_EQ(desktop(), line("alpha") + line("beta"));
    desktop_remove(0);
    EXPECT_EQ(desktop(), line("beta"));
}

TEST_F(Shortcuts, RemoveThatCannotWriteLeavesTheWholeFile)
{
    std::string file = line("alpha") + line("beta");
    write_desktop(file);
    load_desktop();
    fs::create_directories("user/U/desktop.st.tmp");   // the temporary file cannot be made
    desktop_remove(0);
    EXPECT_EQ(desktop(), file);
    EXPECT_EQ(in_use(desktop_items), 2);
}

TEST_F(Shortcuts, MainLoopLoadsTheDesktopOnEnteringIt)
{
    write_desktop(line("alpha"));
    current_window = WindowId::Games;
    window_change_setup();
    EXPECT_EQ(in_use(desktop_items), 0);
    current_window = WindowId::Desktop;
    window_change_setup();
    EXPECT_EQ(titles_of(desktop_items), std::vector<std::string>{"Alpha"});
}
