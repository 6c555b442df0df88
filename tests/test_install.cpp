// The installer and the uninstaller, run from a card folder against a folder
// that stands for the console's "/": every command is recorded, then acted
// out there (or made to fail the way a full NAND makes a copy fail).
#include "harness.h"

#include "install/install_steps.h"
#include "platform/pc_console.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The folder that stands for "/" while a command is acted out, and the one
// copy destination that fails halfway (empty: none).
std::string console_root;
std::string failing_copy_destination;

std::string replace_all(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// A "cp SOURCE DEST" whose destination is the failing one writes half of
// the source and fails, as cp does when the NAND fills up.
bool fail_copy(const std::string& line)
{
    if (failing_copy_destination.empty() || line.rfind("cp ", 0) != 0)
        return false;
    size_t last_blank = line.rfind(' ');
    if (line.substr(last_blank + 1) != failing_copy_destination)
        return false;
    std::string source = line.substr(3, last_blank - 3);
    std::string content = ShellTest::read_file(console_root + source);
    ShellTest::write_file(console_root + failing_copy_destination, content.substr(0, content.size() / 2));
    return true;
}

int act_out(const char* command_line)
{
    std::string line = command_line;
    if (fail_copy(line))
        return 1;
    line = replace_all(line, "/usr/gp2x", console_root + "/usr/gp2x");
    line = replace_all(line, "/etc/rc.d", console_root + "/etc/rc.d");
    line += " 2>/dev/null";
    return std::system(line.c_str());
}

const std::vector<std::string> kFirstInstallation = {
    "run mkdir /usr/gp2x/resources",
    "run mkdir /usr/gp2x/user",
    "run rm -r /usr/gp2x/links",
    "run rm  /usr/gp2x/resources/desktop.st",
    "run rm  /usr/gp2x/resources/settings.st",
    "run cp -rf resources/* /usr/gp2x/resources",
    "run cp -rf user/* /usr/gp2x/user",
    "run cp -f libSDL_gfx.so.0 /usr/gp2x/libSDL_gfx.so.0",
    "run cp ./qz /usr/gp2x/qz",
    "run cp -f uninstall.gpe /usr/gp2x/uninstall.gpe",
    "run cp /usr/gp2x/gph.gpu /usr/gp2x/gp2xmenu",
    "run cp /usr/gp2x/gp2xmenu /usr/gp2x/gph.gpu",
    "run rm /usr/gp2x/gp2xmenu",
    "run cp ./Korvo.gpe /usr/gp2x/gp2xmenu",
    "run sync",
    "run reboot",
};

const std::vector<std::string> kUninstallation = {
    "run rm -rf /usr/gp2x/resources",
    "run rm -rf /usr/gp2x/user",
    "run rm -rf /usr/gp2x/links",
    "run rm -f /usr/gp2x/libSDL_gfx.so.0",
    "run rm /usr/gp2x/qz",
    "run cp /usr/gp2x/gph.gpu /usr/gp2x/gp2xmenu",
    "run rm /usr/gp2x/gph.gpu",
    "run sync",
    "run reboot",
};

// A stock launcher larger than one block of the comparison.
std::string stock_launcher()
{
    std::string bytes = "STOCK LAUNCHER\n";
    for (int i = 0; i < 9000; ++i)
        bytes += static_cast<char>('a' + i % 26);
    return bytes;
}

class Installation : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        root = work_dir + "/console";
        console_root = root;
        failing_copy_destination.clear();
        pc_set_command_handler(act_out);
        write_file(root + "/usr/gp2x/gp2xmenu", stock_launcher());
        fs::create_directories(root + "/etc/rc.d");
        write_file("card/Korvo.gpe", "KORVO SHELL");
        write_file("card/uninstall.gpe", "UNINSTALLER");
        write_file("card/libSDL_gfx.so.0", "GFX");
        write_file("card/qz", "QZ");
        write_file("card/resources/wallpaper/sky.png", "SKY");
        write_file("card/user/admin/data.st", "admin admin");
        fs::current_path("card");
    }

    void TearDown() override
    {
        pc_set_command_handler(nullptr);
        ShellTest::TearDown();
    }

    std::string at(const std::string& path) { return read_file(root + path); }
    bool there(const std::string& path) { return exists(root + path); }

    std::string root;
};

TEST_F(Installation, FirstInstallationPutsTheShellInPlaceOfTheStockLauncher)
{
    EXPECT_EQ(run_installer(root.c_str()), 0);
    EXPECT_EQ(trace(), kFirstInstallation);
    EXPECT_EQ(at("/etc/rc.d/rc.local"), "#!/bin/sh\ncd /usr/gp2x\n./qz &\nexec ./gp2xmenu\n");
    EXPECT_EQ(at("/usr/gp2x/gph.gpu"), stock_launcher());
    EXPECT_EQ(at("/usr/gp2x/gp2xmenu"), "KORVO SHELL");
    EXPECT_EQ(at("/usr/gp2x/resources/wallpaper/sky.png"), "SKY");
    EXPECT_EQ(at("/usr/gp2x/user/admin/data.st"), "admin admin");
    EXPECT_EQ(at("/usr/gp2x/uninstall.gpe"), "UNINSTALLER");
    EXPECT_EQ(at("/usr/gp2x/qz"), "QZ");
    EXPECT_EQ(at("/usr/gp2x/libSDL_gfx.so.0"), "GFX");
}

TEST_F(Installation, ReinstallationKeepsTheUsersAndTheStockLauncher)
{
    ASSERT_EQ(run_installer(root.c_str()), 0);
    write_file(root + "/usr/gp2x/user/admin/data.st", "admin secret");
    write_file(root + "/usr/gp2x/resources/desktop.st", "old");
    write_file(root + "/usr/gp2x/links/x.lk", "old");
    write_file("Korvo.gpe", "KORVO SHELL 2");
    clear_trace();

    EXPECT_EQ(run_installer(root.c_str()), 0);
    std::vector<std::string> expected = kFirstInstallation;
    expected.erase(expected.begin() + 6);   // no copy of the shipped users
    expected.erase(expected.begin(), expected.begin() + 2);   // no folders made
    EXPECT_EQ(trace(), expected);
    EXPECT_EQ(at("/usr/gp2x/user/admin/data.st"), "admin secret");
    EXPECT_FALSE(there("/usr/gp2x/resources/desktop.st"));
    EXPECT_FALSE(there("/usr/gp2x/links"));
    EXPECT_EQ(at("/usr/gp2x/gph.gpu"), stock_launcher());
    EXPECT_EQ(at("/usr/gp2x/gp2xmenu"), "KORVO SHELL 2");
}

TEST_F(Installation, BootScriptThatCannotBeWrittenIsSkipped)
{
    fs::remove_all(root + "/etc");
    EXPECT_EQ(run_installer(root.c_str()), 0);
    EXPECT_EQ(trace(), kFirstInstallation);
    EXPECT_EQ(at("/usr/gp2x/gph.gpu"), stock_launcher());
}

TEST_F(Installation, FailedCopyOfTheStockLauncherStopsBeforeItIsRemoved)
{
    failing_copy_destination = "/usr/gp2x/gph.gpu";
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_installer(root.c_str()), 1);
    std::string told = testing::internal::GetCapturedStderr();

    std::vector<std::string> expected(kFirstInstallation.begin(), kFirstInstallation.begin() + 12);
    EXPECT_EQ(trace(), expected) << "no removal, no sync, no reboot";
    EXPECT_EQ(at("/usr/gp2x/gp2xmenu"), stock_launcher());
    EXPECT_NE(told.find("keeping the stock launcher as /usr/gp2x/gph.gpu failed"), std::string::npos) << told;
    EXPECT_NE(told.find("not restarted"), std::string::npos) << told;
}

TEST_F(Installation, FailedRestoreOnReinstallationKeepsTheStockLauncherCopy)
{
    ASSERT_EQ(run_installer(root.c_str()), 0);
    clear_trace();
    failing_copy_destination = "/usr/gp2x/gp2xmenu";
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_installer(root.c_str()), 1);
    std::string told = testing::internal::GetCapturedStderr();

    std::vector<std::string> trace_lines = trace();
    ASSERT_FALSE(trace_lines.empty());
    EXPECT_EQ(trace_lines.back(), "run cp /usr/gp2x/gph.gpu /usr/gp2x/gp2xmenu")
        << "gph.gpu must not be overwritten by a broken gp2xmenu";
    EXPECT_EQ(at("/usr/gp2x/gph.gpu"), stock_launcher());
    EXPECT_NE(told.find("back to /usr/gp2x/gp2xmenu failed"), std::string::npos) << told;
}

TEST_F(Installation, UninstallerPutsTheStockLauncherBack)
{
    ASSERT_EQ(run_installer(root.c_str()), 0);
    clear_trace();
    EXPECT_EQ(run_uninstaller(root.c_str()), 0);
    EXPECT_EQ(trace(), kUninstallation);
    EXPECT_EQ(at("/usr/gp2x/gp2xmenu"), stock_launcher());
    EXPECT_FALSE(there("/usr/gp2x/gph.gpu"));
    EXPECT_FALSE(there("/usr/gp2x/resources"));
    EXPECT_FALSE(there("/usr/gp2x/user"));
    EXPECT_FALSE(there("/usr/gp2x/qz"));
    EXPECT_FALSE(there("/usr/gp2x/libSDL_gfx.so.0"));
    EXPECT_TRUE(there("/usr/gp2x/uninstall.gpe")) << "the uninstaller stays";
    EXPECT_EQ(at("/etc/rc.d/rc.local"), "#!/bin/sh\ncd /usr/gp2x\n./qz &\nexec ./gp2xmenu\n") << "left as written";
}

TEST_F(Installation, UninstallerKeepsTheStockLauncherWhenItsCopyFails)
{
    ASSERT_EQ(run_installer(root.c_str()), 0);
    clear_trace();
    failing_copy_destination = "/usr/gp2x/gp2xmenu";
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_uninstaller(root.c_str()), 1);
    std::string told = testing::internal::GetCapturedStderr();

    std::vector<std::string> expected(kUninstallation.begin(), kUninstallation.begin() + 6);
    EXPECT_EQ(trace(), expected) << "no removal of gph.gpu, no reboot";
    EXPECT_EQ(at("/usr/gp2x/gph.gpu"), stock_launcher());
    EXPECT_NE(told.find("uninstall: putting the stock launcher"), std::string::npos) << told;
}

TEST_F(Installation, UninstallerOnAConsoleWithoutTheShellRemovesNoLauncher)
{
    EXPECT_EQ(run_uninstaller(root.c_str()), 1);
    EXPECT_EQ(at("/usr/gp2x/gp2xmenu"), stock_launcher());
    EXPECT_FALSE(traced("run reboot"));
}

TEST(SameFileContents, ComparesSizeAndBytes)
{
    char pattern[] = "/tmp/korvo-same-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string dir = pattern;
    std::string big(10000, 'x');
    std::string big_changed = big;
    big_changed[9000] = 'y';
    ShellTest::write_file(dir + "/a", big);
    ShellTest::write_file(dir + "/b", big);
    ShellTest::write_file(dir + "/c", big_changed);
    ShellTest::write_file(dir + "/d", big.substr(0, 4096));
    ShellTest::write_file(dir + "/e", "");
    ShellTest::write_file(dir + "/f", "");
    EXPECT_TRUE(same_file_contents((dir + "/a").c_str(), (dir + "/b").c_str()));
    EXPECT_FALSE(same_file_contents((dir + "/a").c_str(), (dir + "/c").c_str()));
    EXPECT_FALSE(same_file_contents((dir + "/a").c_str(), (dir + "/d").c_str()));
    EXPECT_FALSE(same_file_contents((dir + "/d").c_str(), (dir + "/a").c_str()));
    EXPECT_TRUE(same_file_contents((dir + "/e").c_str(), (dir + "/f").c_str()));
    EXPECT_FALSE(same_file_contents((dir + "/a").c_str(), (dir + "/missing").c_str()));
    EXPECT_FALSE(same_file_contents((dir + "/missing").c_str(), (dir + "/missing").c_str()));
    fs::remove_all(dir);
}

} // namespace
