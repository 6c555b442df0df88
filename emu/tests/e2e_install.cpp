// The installer and the uninstaller in the emulated console, with the
// faults a user meets: the power cut after a command, a copy failing on a
// full NAND, the installer started from the wrong folder or from a card
// with files missing, the uninstaller with nothing installed. After each,
// the console is switched on again and must start a complete launcher: the
// stock launcher byte for byte, or the shell with its resources.
//
// The whole matrix of power cuts (before every command) runs at unit level
// (tests/test_install.cpp); here a cut after each kind of step.
#include "e2e.h"

#include "install/install_checks.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kInstaller = "/mnt/sd/korvo/installer.gpe";
constexpr const char* kUninstaller = "/usr/gp2x/uninstall.gpe";

class Install : public ConsoleRun {
protected:
    // The console as the user's first switch-on finds it, kept aside so
    // that each fault starts from the same place.
    void lay_out()
    {
        ASSERT_EQ(boot(""), 0);
        keep_as(work + "/pristine");
    }

    void keep_as(const std::string& copy)
    {
        fs::remove_all(copy);
        fs::copy(dir + "/tree", copy, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }

    void go_back_to(const std::string& copy)
    {
        fs::remove_all(dir + "/tree");
        fs::copy(copy, dir + "/tree", fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }

    // Switches the console on with nobody at the buttons; which launcher
    // then waits for input: "stock", "shell", or what went wrong.
    std::string started_launcher()
    {
        boot("");
        std::vector<std::string> lines = boots();
        if (lines.empty() || lines.back() != "ended: script-end")
            return "no launcher started: " + (lines.empty() ? std::string("no boot") : lines.back()) + "\n" +
                   state("console.log");
        std::string launcher = console_file("/usr/gp2x/gp2xmenu");
        if (launcher == built("emu/stock_launcher"))
            return has_line(state("programs.log"), "gp2xmenu: started as ./gp2xmenu") ? "stock" : "stock not started";
        if (launcher != built("Korvo.gpe"))
            return "gp2xmenu is neither launcher";
        if (!has_line(state("trace.log"), "gp2xmenu: run killall sh"))
            return "shell not started";
        std::string card = dir + "/tree/mnt/sd/korvo/resources";
        if (!same_tree_contents(card.c_str(), (dir + "/tree/usr/gp2x/resources").c_str()))
            return "shell without all its resources";
        if (console_file("/usr/gp2x/gph.gpu") != built("emu/stock_launcher"))
            return "shell without the stock launcher kept";
        return "shell";
    }

    std::vector<std::string> options(const char* program, const char* fault, const std::string& value)
    {
        return {"--first", program, fault, value};
    }

    // A power cut after each command named, from the console kept as
    // start; then the launcher each cut leaves starting.
    struct Cut {
        int after;
        const char* starts;
    };
    void cut_power(const char* program, const std::string& start, std::initializer_list<Cut> cuts)
    {
        for (Cut cut : cuts) {
            go_back_to(start);
            EXPECT_EQ(boot("", options(program, "--cut-power-after", std::to_string(cut.after))), 0);
            EXPECT_EQ(boots().back(), "ended: power-off") << "cut after " << cut.after;
            EXPECT_EQ(started_launcher(), cut.starts) << "cut after " << cut.after;
        }
    }
};

// Commands of a first installation, counted from 1: 1 sync, 2 the boot
// script's rename, 8 the copy of resources/, 12 the copy to gph.gpu.new,
// 14 its rename, 15 the copy to gp2xmenu.new, 17 its rename.
TEST_F(Install, PowerCutDuringAFirstInstallation)
{
    lay_out();
    cut_power(kInstaller, work + "/pristine",
              {{2, "stock"}, {8, "stock"}, {14, "stock"}, {16, "stock"}, {17, "shell"}});
}

// Commands of a re-installation: 3 the copy of gph.gpu to gp2xmenu.new,
// 5 its rename, 10 the copy of resources/, 15 the shell's rename.
TEST_F(Install, PowerCutDuringAReinstallation)
{
    lay_out();
    ASSERT_EQ(boot("", {"--first", kInstaller}), 0);
    keep_as(work + "/installed");
    cut_power(kInstaller, work + "/installed", {{3, "shell"}, {5, "stock"}, {10, "stock"}, {15, "shell"}});
}

// Commands of an uninstallation: 1 the copy of gph.gpu to gp2xmenu.new,
// 3 its rename, 5 the removal of resources/, 10 the removal of gph.gpu.
TEST_F(Install, PowerCutDuringAnUninstallation)
{
    lay_out();
    ASSERT_EQ(boot("", {"--first", kInstaller}), 0);
    keep_as(work + "/installed");
    cut_power(kUninstaller, work + "/installed", {{1, "shell"}, {3, "stock"}, {5, "stock"}, {10, "stock"}});
}

TEST_F(Install, FailingCopiesStopWithACompleteLauncher)
{
    lay_out();
    for (const char* target : {"/usr/gp2x/resources", "/usr/gp2x/gp2xmenu.new"}) {
        go_back_to(work + "/pristine");
        EXPECT_EQ(boot("", options(kInstaller, "--fail-copy-to", target)), 1) << target;
        EXPECT_TRUE(has_line(state("trace.log"), "installer.gpe: screen Korvo was NOT installed.")) << target;
        EXPECT_EQ(started_launcher(), "stock") << target;
    }
    // A re-installation: the stock launcher cannot be put back (the old
    // shell stays), or the shell's files cannot be replaced (the stock
    // launcher is back).
    go_back_to(work + "/pristine");
    ASSERT_EQ(boot("", {"--first", kInstaller}), 0);
    keep_as(work + "/installed");
    EXPECT_EQ(boot("", options(kInstaller, "--fail-copy-to", "/usr/gp2x/gp2xmenu.new")), 1);
    EXPECT_EQ(started_launcher(), "shell");
    go_back_to(work + "/installed");
    EXPECT_EQ(boot("", options(kInstaller, "--fail-copy-to", "/usr/gp2x/resources")), 1);
    EXPECT_EQ(started_launcher(), "stock");
}

TEST_F(Install, InstallerStartedFromAnotherFolderChangesNothing)
{
    lay_out();
    put_console_file("/mnt/sd/install-from-here.gpe", "#!/bin/sh\ncd /mnt/sd\nexec /mnt/sd/korvo/installer.gpe\n",
                     true);
    EXPECT_EQ(boot("", {"--first", "/mnt/sd/install-from-here.gpe"}), 1);
    EXPECT_FALSE(has_line(state("trace.log"), "installer.gpe: run sync")) << state("trace.log");
    EXPECT_FALSE(console_has("/etc/rc.d/rc.local"));
    EXPECT_FALSE(console_has("/usr/gp2x/gph.gpu"));
    EXPECT_TRUE(has_line(state("trace.log"), "installer.gpe: screen Nothing was changed."));
    EXPECT_NE(console_file("/mnt/sd/korvo/installer.log").find("Missing here:"), std::string::npos)
        << "the log goes beside the installer";
    EXPECT_EQ(started_launcher(), "stock");
}

TEST_F(Install, InstallerFromACardWithoutTheShellChangesNothing)
{
    lay_out();
    fs::remove(dir + "/tree/mnt/sd/korvo/qz");
    fs::remove_all(dir + "/tree/mnt/sd/korvo/user");
    EXPECT_EQ(boot("", {"--first", kInstaller}), 1);
    EXPECT_TRUE(has_line(state("trace.log"), "installer.gpe: screen user/, qz")) << state("trace.log");
    EXPECT_FALSE(console_has("/usr/gp2x/resources"));
    EXPECT_EQ(started_launcher(), "stock");
}

TEST_F(Install, UninstallerWithNothingInstalledChangesNothing)
{
    lay_out();
    put_console_file("/usr/gp2x/qz", "someone else's qz\n");
    EXPECT_EQ(boot("", {"--first", "/mnt/sd/korvo/uninstall.gpe"}), 1);
    EXPECT_TRUE(has_line(state("trace.log"), "uninstall.gpe: screen Korvo is not installed."));
    EXPECT_EQ(console_file("/usr/gp2x/qz"), "someone else's qz\n");
    EXPECT_EQ(started_launcher(), "stock");
}

// A shell that is a complete program but cannot start here never takes the
// stock launcher's place: the installer tries it first and changes nothing.
TEST_F(Install, ShellThatCannotStartLeavesTheStockLauncherByteForByte)
{
    lay_out();
    std::string shell = built("Korvo.gpe");
    // One asking for a library the console does not have; one built for
    // another machine (its header names ARM, or x86-64 on an ARM machine).
    std::string missing_library = shell;
    size_t needed = missing_library.find("libSDL_image-1.2.so.0");
    ASSERT_NE(needed, std::string::npos) << "the shell links SDL_image";
    missing_library[needed + 11] = 'X';   // libSDL_imagX-1.2.so.0
    std::string other_machine = shell;
    other_machine[18] = other_machine[18] == 40 ? 62 : 40;
    other_machine[19] = 0;
    struct Case {
        const char* name;
        const std::string& program;
        const char* logged;
    };
    for (const Case& c : {Case{"missing library", missing_library, "libSDL_imagX-1.2.so.0"},
                          Case{"other machine", other_machine, "./Korvo.gpe"}}) {
        go_back_to(work + "/pristine");
        fs::copy(dir + "/tree/mnt/sd/korvo", dir + "/tree/mnt/sd/other", fs::copy_options::recursive);
        put_console_file("/mnt/sd/other/Korvo.gpe", c.program, true);
        EXPECT_EQ(boot("", {"--first", "/mnt/sd/other/installer.gpe"}), 1) << c.name;
        std::string trace = state("trace.log");
        EXPECT_TRUE(has_line(trace, "installer.gpe: screen Korvo was NOT installed.")) << c.name << trace;
        EXPECT_TRUE(has_line(trace, "installer.gpe: screen Korvo.gpe does not start on this")) << c.name;
        EXPECT_TRUE(has_line(trace, "installer.gpe: screen Nothing was changed.")) << c.name;
        EXPECT_FALSE(has_line(trace, "installer.gpe: run sync")) << c.name;
        std::string log = console_file("/mnt/sd/other/installer.log");
        EXPECT_NE(log.find(c.logged), std::string::npos) << c.name << ": " << log;
        EXPECT_EQ(console_file("/usr/gp2x/gp2xmenu"), built("emu/stock_launcher")) << c.name;
        for (const char* untouched : {"/usr/gp2x/gph.gpu", "/usr/gp2x/resources", "/usr/gp2x/user",
                                      "/usr/gp2x/gp2xmenu.new", "/etc/rc.d/rc.local", "/etc/rc.d/rc.local.new"})
            EXPECT_FALSE(console_has(untouched)) << c.name << ": " << untouched;
        EXPECT_EQ(started_launcher(), "stock") << c.name;
    }
}

TEST_F(Install, BootScriptPlaceHoldingAFolderIsRefusedBeforeAnyChange)
{
    lay_out();
    put_console_file("/etc/rc.d/rc.local/note.txt", "someone's folder\n");
    EXPECT_EQ(boot("", {"--first", kInstaller}), 1);
    std::string trace = state("trace.log");
    EXPECT_TRUE(has_line(trace, "installer.gpe: screen /etc/rc.d/rc.local holds something")) << trace;
    EXPECT_TRUE(has_line(trace, "installer.gpe: screen Nothing was changed."));
    EXPECT_FALSE(has_line(trace, "installer.gpe: run sync"));
    EXPECT_EQ(console_file("/etc/rc.d/rc.local/note.txt"), "someone's folder\n");
    EXPECT_FALSE(console_has("/etc/rc.d/rc.local/rc.local.new"));
    EXPECT_FALSE(console_has("/usr/gp2x/gph.gpu"));
    EXPECT_EQ(started_launcher(), "stock");
}

// The emulator's own faults behave like the console's.
TEST_F(Install, CutStockLauncherDoesNotStart)
{
    lay_out();
    std::string launcher = built("emu/stock_launcher");
    // Only the last bytes gone: the program still loads, and refuses.
    put_console_file("/usr/gp2x/gp2xmenu", launcher.substr(0, launcher.size() - 10), true);
    EXPECT_EQ(boot(""), 1);
    EXPECT_TRUE(has_line(state("programs.log"), "gp2xmenu: incomplete program, not started")) << state("console.log");
    put_console_file("/usr/gp2x/gp2xmenu", launcher.substr(0, launcher.size() / 2), true);
    EXPECT_EQ(boot(""), 1);
    EXPECT_FALSE(has_line(state("programs.log"), "gp2xmenu: started as ./gp2xmenu"));
}

TEST_F(Install, FailingCopyFromAMissingSourceWritesNothing)
{
    lay_out();
    put_console_file("/mnt/sd/copy.gpe", "#!/bin/sh\ncp /usr/gp2x/gph.gpu /usr/gp2x/gp2xmenu; echo copy-status-$?\n",
                     true);
    EXPECT_EQ(boot("", {"--first", "/mnt/sd/copy.gpe", "--fail-copy-to", "/usr/gp2x/gp2xmenu"}), 1);
    EXPECT_EQ(console_file("/usr/gp2x/gp2xmenu"), built("emu/stock_launcher"));
    EXPECT_NE(state("console.log").find("copy-status-1"), std::string::npos);
}

TEST_F(Install, EmulatorKeepsOutOfAFolderItDidNotMake)
{
    fs::create_directories(work + "/mine/tree");
    std::ofstream(work + "/mine/precious.txt") << "keep me\n";
    std::string command = std::string(KORVO_EMU_BINARY) + " --headless --fresh --dir '" + work + "/mine' >/dev/null 2>&1";
    int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_TRUE(fs::exists(work + "/mine/precious.txt"));
    EXPECT_TRUE(fs::exists(work + "/mine/tree"));
}

} // namespace
