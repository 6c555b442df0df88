// The program scan: reading the lists, paging, the category cycle and the
// links it writes. The find commands are acted out: the tests say what
// each one lists and how it ends.
#include "harness.h"
#include "window_checks.h"

#include "core/text.h"
#include "frames.h"
#include "platform/pc_console.h"
#include "scan/program_scan.h"
#include "scan/scan_tables.h"

#include <filesystem>
#include <initializer_list>
#include <string>

namespace {

// What the search for each kind of program lists, and its status.
std::string listed_gpe, listed_gpu;
int find_status;

int act_out_find(const char* command, std::string& output)
{
    std::string line(command);
    if (line == "find /mnt/sd/ -name \\*.gpe")
        output = listed_gpe;
    else if (line == "find /mnt/sd/ -name \\*.gpu")
        output = listed_gpu;
    return find_status;
}

class ProgramScan : public GroupNeeding<Needs::nothing> {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        record_commands_only();
        listed_gpe.clear();
        listed_gpu.clear();
        find_status = 0;
        pc_set_read_handler(act_out_find);
        make_account("U", "user");
        scan_page = 0;
        scan_cursor = 0;
    }

    // One scan with these buttons, left with button 14 unless one ends it.
    static void scan_with(std::initializer_list<int> buttons, bool leave = true, const char* user = "U")
    {
        for (int button : buttons)
            push_button(button);
        if (leave)
            push_button(14);
        program_scan(screen, "Blue", user);
    }

    static void expect_at(int page, int cursor)
    {
        EXPECT_EQ(scan_page, page);
        EXPECT_EQ(scan_cursor, cursor);
    }

    // What the search for ".gpe" (or ".gpu") programs lists.
    static void finds(const char* type, const std::string& list)
    {
        (std::string(type) == "gpe" ? listed_gpe : listed_gpu) = list;
    }
};

} // namespace

TEST_F(ProgramScan, PagingWithTwelvePrograms)
{
    scan_with({0, 4});
    expect_at(0, 0);   // nothing found: nothing moves
    EXPECT_TRUE(traced("read find /mnt/sd/ -name \\*.gpe"));
    EXPECT_GT(trace_index("read find /mnt/sd/ -name \\*.gpu"), trace_index("read find /mnt/sd/ -name \\*.gpe"));
    EXPECT_TRUE(commands_run().empty()) << "nothing written, nothing to remove";
    std::string list;
    for (int i = 1; i <= 12; ++i)
        list += "/mnt/sd/p" + std::to_string(i) + "/p.gpe\n";
    finds("gpe", list);
    scan_with({4, 4, 4, 4, 4, 4, 4, 4, 4, 4});
    expect_at(0, 10);
    scan_with({4});   // the place is kept from one scan to the next
    expect_at(1, 0);
    scan_with({4});
    expect_at(0, 0);
    scan_with({0});   // up from the top: the twelfth
    expect_at(1, 0);
    scan_with({0});
    expect_at(0, 10);
}

TEST_F(ProgramScan, ListsAreReadGpeFirstAndLongPathsCounted)
{
    TEST_NEEDS(Needs::display);
    std::string too_long = "/mnt/sd/" + std::string(120, 'd') + "/x.gpe\n";
    finds("gpe", "/mnt/sd/emu/snes/snes.gpe\n" + too_long + "/mnt/sd/z/last.gpe\n" + too_long);
    finds("gpu", "/mnt/sd/a/first.gpu\n");
    int told = frames_showing_box("Left out, paths too long: 2", 0, [] {
        push_button(13);   // answers the notice; the scan would take it for "create links"
        scan_with({});
    });
    EXPECT_STREQ(scan_dirs[0], "/mnt/sd/emu/snes/");
    EXPECT_STREQ(scan_files[0], "snes.gpe");
    EXPECT_STREQ(scan_files[1], "last.gpe") << "the pieces of the long lines are no programs";
    EXPECT_STREQ(scan_files[2], "first.gpu");
    EXPECT_STREQ(scan_files[3], "");
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0) << "a notice took the first press";
    EXPECT_GT(told, 0);
}

// A search that ends in an error (a pulled or unreadable card) is told
// once, whichever searches failed; what it listed is still offered.
TEST_F(ProgramScan, AFailedSearchIsToldOnceAndKeepsWhatItFound)
{
    TEST_NEEDS(Needs::display);
    finds("gpe", "/mnt/sd/a/a.gpe\n");
    find_status = 1;
    int told = frames_showing_box("Could not read the card!", 0, [] {
        push_button(13);   // answers the notice
        scan_with({});
    });
    EXPECT_STREQ(scan_files[0], "a.gpe");
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0) << "one notice took the first press, the scan the second";
    EXPECT_GT(told, 0);
    EXPECT_FALSE(exists("gpe.lst"));
    EXPECT_FALSE(exists("gpu.lst"));
}

TEST_F(ProgramScan, TheShellsOwnCompanionsAreNotOffered)
{
    write_file("card/korvo/Korvo.gpe", "shell");
    write_file("card/korvo/installer.gpe", "installer");
    write_file("card/korvo/uninstall.gpe", "uninstaller");
    write_file("card/tools/installer.gpe", "another program's installer");
    finds("gpe", "card/korvo/Korvo.gpe\ncard/korvo/installer.gpe\ncard/korvo/uninstall.gpe\n"
                          "card/tools/installer.gpe\n");
    scan_with({});
    EXPECT_STREQ(scan_files[0], "Korvo.gpe");
    EXPECT_STREQ(scan_dirs[1], "card/tools/");
    EXPECT_STREQ(scan_files[1], "installer.gpe");
    EXPECT_STREQ(scan_files[2], "");
}

TEST_F(ProgramScan, ProgramsSharingABaseNameGetLinksOfTheirOwn)
{
    finds("gpe", "/mnt/sd/apps/hello/hello.gpe\n/mnt/sd/emus/hello/hello.gpe\n"
                          "/mnt/sd/more/emus/hello/hello.gpe\n/mnt/sd/hello.gpe\n");
    scan_with({6, 4, 6, 4, 6, 4, 6, 13}, false);
    auto program_of = [this](const std::string& link) {
        std::string text = read_file("user/U/links/apps/" + link + ".lk");
        size_t dir = text.find("hello.gpe\n");
        return dir == std::string::npos ? text : text.substr(dir + 10, text.find('\n', dir + 10) - dir - 10);
    };
    EXPECT_EQ(program_of("hello"), "/mnt/sd/apps/hello/");
    EXPECT_EQ(program_of("hello-emus"), "/mnt/sd/emus/hello/");
    EXPECT_EQ(program_of("hello-emus-2"), "/mnt/sd/more/emus/hello/");
    EXPECT_EQ(program_of("hello-sd"), "/mnt/sd/");
    EXPECT_EQ(read_file("user/U/links/apps/hello-emus.lk"),
              "hello-emus\n\nhello-emus\nhello.gpe\n/mnt/sd/emus/hello/\n533\nno\n\n");

    // Scanned again, each program's link is written again under its name.
    scan_with({0, 0, 0, 0, 0, 6, 4, 6, 13}, false);
    int links = 0;
    for (const auto& entry : std::filesystem::directory_iterator("user/U/links/apps"))
        links += entry.path().extension() == ".lk";
    EXPECT_EQ(links, 4);
}

TEST_F(ProgramScan, CategoryCycle)
{
    finds("gpe", "/mnt/sd/a/a.gpe\n/mnt/sd/b/b.gpe\n");
    scan_with({2});
    EXPECT_STREQ(scan_categories[0], "Games");
    scan_with({2, 6});
    EXPECT_STREQ(scan_categories[0], "(none)");
    // A first touch highlights a row, a second one steps its category; a
    // row without a program takes no touch.
    for (int row : {1, 1, 2})
        push_touch(100, 46 + 15 * row + 7);
    scan_with({});
    EXPECT_EQ(scan_cursor, 1);
    EXPECT_STREQ(scan_categories[1], "Applications");
}

TEST_F(ProgramScan, LinksOnlyForProgramsWithACategory)
{
    finds("gpe", "/mnt/sd/emu/snes/snes.gpe\n/mnt/sd/games/blocks/Blocks.gpe\n");
    finds("gpu", "/mnt/sd/tools/edit.gpu\n");
    push_button(6);
    push_touch(305, 10);   // the close box: no links
    program_scan(screen, "Blue", "U");
    EXPECT_FALSE(exists("user/U/links/apps/snes.lk"));

    scan_with({6, 4, 4, 2, 13}, false);
    EXPECT_EQ(read_file("user/U/links/apps/snes.lk"), "snes\n\nsnes\nsnes.gpe\n/mnt/sd/emu/snes/\n533\nno\n\n");
    EXPECT_TRUE(exists("user/U/links/games/edit.lk"));
    for (const char* category : {"apps", "emus", "ports", "games"})
        EXPECT_FALSE(exists(std::string("user/U/links/") + category + "/Blocks.lk")) << category;

    scan_with({6, 13, 13}, false, "nobody");   // the last 13 answers the notice
    EXPECT_TRUE(box_shows("Could not create links!", 0));
}
