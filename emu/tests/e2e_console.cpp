// End-to-end runs of the emulated console that need nothing of the shell but
// its start-up: the stock launcher, the installer and the uninstaller with
// their reboots, a full NAND, programs returning to the menu, power cut,
// timeouts and screenshots.
#include "e2e.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// The stock launcher stand-in's menu: start Korvo, install, power off.
constexpr const char* kStartShell = "press b\n";
constexpr const char* kInstall = "press down\npress b\n";
constexpr const char* kPowerOff = "press down\npress down\npress b\n";

constexpr const char* kBootScript = "#!/bin/sh\ncd /usr/gp2x\n./qz &\nexec ./gp2xmenu\n";

class Console : public ConsoleRun {
protected:
    // What the emulator wrote to its standard streams in this test's runs.
    std::string read_output() const
    {
        std::ifstream in(work + "/emulator.out");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_F(Console, StockLauncherBootsAndPowerCutEndsTheEmulator)
{
    EXPECT_EQ(boot(std::string("screenshot launcher\n") + kPowerOff), 0);
    EXPECT_EQ(boots(), (std::vector<std::string>{"boot 1: /usr/gp2x/gp2xmenu", "ended: power-off"}));
    EXPECT_TRUE(has_line(state("programs.log"), "gp2xmenu: started as ./gp2xmenu"));
    EXPECT_TRUE(has_line(state("trace.log"), "gp2xmenu: power cut"));
    expect_screenshot_matches("launcher");
}

TEST_F(Console, InstallerRebootsIntoTheShellKeepingTheStockLauncher)
{
    EXPECT_EQ(boot(std::string(kInstall) + "wait 200\nscreenshot installed\n"), 0);
    EXPECT_EQ(boots(), (std::vector<std::string>{"boot 1: /usr/gp2x/gp2xmenu", "ended: reboot",
                                                 "boot 2: /etc/rc.d/rc.local", "ended: script-end"}));
    EXPECT_EQ(console_file("/usr/gp2x/gp2xmenu"), built("Korvo.gpe"));
    EXPECT_EQ(console_file("/usr/gp2x/gph.gpu"), built("emu/stock_launcher"));
    EXPECT_EQ(console_file("/usr/gp2x/uninstall.gpe"), built("uninstall.gpe"));
    EXPECT_EQ(console_file("/etc/rc.d/rc.local"), kBootScript);
    EXPECT_TRUE(console_has("/usr/gp2x/resources"));
    EXPECT_TRUE(console_has("/usr/gp2x/user"));
    EXPECT_FALSE(console_has("/usr/gp2x/libSDL_gfx.so.0")) << "Korvo ships no SDL_gfx";
    // The second boot ran the boot script: qz in the background, then the
    // shell as the launcher, which started up.
    std::string second_boot = after(state("trace.log"), "installer.gpe: end: reboot");
    EXPECT_NE(second_boot.find("gp2xmenu: run killall sh"), std::string::npos) << second_boot;
    EXPECT_TRUE(has_line(state("programs.log"), "qz: started in /usr/gp2x"));
    EXPECT_NE(after(state("console.log"), "gp2xmenu: starting installer.gpe").find("applied: cpuclk"),
              std::string::npos);
    EXPECT_EQ(std::filesystem::status(dir + "/tree/etc/rc.d/rc.local").permissions() &
                  std::filesystem::perms::all,
              static_cast<std::filesystem::perms>(0755))
        << "the boot script is executable";
    // Before anything changed the card's shell was tried, and in its start
    // check it touched nothing: it left no line of its own in the trace.
    std::string first_boot = state("trace.log");
    first_boot = first_boot.substr(0, first_boot.find("installer.gpe: end: reboot"));
    std::string check = "installer.gpe: try ./Korvo.gpe with KORVO_START_CHECK=1 LD_BIND_NOW=1: status 0";
    EXPECT_TRUE(has_line(first_boot, check)) << first_boot;
    EXPECT_LT(first_boot.find(check), first_boot.find("installer.gpe: run "));
    EXPECT_EQ(first_boot.find("Korvo.gpe: "), std::string::npos) << first_boot;
}

TEST_F(Console, ReinstallationKeepsTheStockLauncherAndTheUsers)
{
    ASSERT_EQ(boot(kInstall), 0);
    put_console_file("/usr/gp2x/user/kept/data.st", "user secret\n");
    EXPECT_EQ(boot("", {"--first", "/mnt/sd/korvo/installer.gpe"}), 0);
    EXPECT_EQ(console_file("/usr/gp2x/gph.gpu"), built("emu/stock_launcher"));
    EXPECT_EQ(console_file("/usr/gp2x/gp2xmenu"), built("Korvo.gpe"));
    EXPECT_EQ(console_file("/usr/gp2x/user/kept/data.st"), "user secret\n");
    EXPECT_FALSE(has_line(state("trace.log"), "installer.gpe: run mkdir /usr/gp2x/user"));
}

TEST_F(Console, InstallerOnAFullNandKeepsTheStockLauncherAndDoesNotReboot)
{
    EXPECT_EQ(boot(kInstall, {"--fail-copy-to", "/usr/gp2x/gph.gpu.new"}), 1) << "the installer ends, no reboot";
    EXPECT_EQ(boots(), (std::vector<std::string>{"boot 1: /usr/gp2x/gp2xmenu", "ended: status 1"}));
    EXPECT_EQ(console_file("/usr/gp2x/gp2xmenu"), built("emu/stock_launcher"));
    EXPECT_FALSE(console_has("/usr/gp2x/gph.gpu.new")) << "no half copy left on the NAND";
    EXPECT_FALSE(has_line(state("trace.log"), "installer.gpe: run reboot"));
    EXPECT_TRUE(has_line(state("trace.log"), "installer.gpe: screen Korvo was NOT installed."));
    EXPECT_NE(console_file("/mnt/sd/korvo/installer.log").find("Could not keep the stock launcher"),
              std::string::npos);

    // Switched on again, the console still has its launcher.
    EXPECT_EQ(boot(kPowerOff), 0);
    EXPECT_EQ(boots(), (std::vector<std::string>{"boot 1: /etc/rc.d/rc.local", "ended: power-off"}));
}

TEST_F(Console, UninstallerBringsTheStockLauncherBack)
{
    ASSERT_EQ(boot(kInstall), 0);
    EXPECT_EQ(boot(kPowerOff, {"--first", "/usr/gp2x/uninstall.gpe"}), 0);
    EXPECT_EQ(boots(), (std::vector<std::string>{"boot 1: /usr/gp2x/uninstall.gpe", "ended: reboot",
                                        "boot 2: /etc/rc.d/rc.local", "ended: power-off"}));
    EXPECT_EQ(console_file("/usr/gp2x/gp2xmenu"), built("emu/stock_launcher"));
    EXPECT_FALSE(console_has("/usr/gp2x/gph.gpu"));
    EXPECT_FALSE(console_has("/usr/gp2x/resources"));
    EXPECT_FALSE(console_has("/usr/gp2x/user"));
    EXPECT_FALSE(console_has("/usr/gp2x/qz"));
    EXPECT_TRUE(console_has("/usr/gp2x/uninstall.gpe"));
    EXPECT_EQ(console_file("/etc/rc.d/rc.local"), kBootScript);
    EXPECT_TRUE(has_line(after(state("trace.log"), "uninstall.gpe: end: reboot"), "gp2xmenu: power cut"))
        << "the stock launcher booted";
}

TEST_F(Console, UninstallerWhoseCopyFailsKeepsTheShell)
{
    ASSERT_EQ(boot(kInstall), 0);
    EXPECT_EQ(boot("", {"--first", "/usr/gp2x/uninstall.gpe", "--fail-copy-to", "/usr/gp2x/gp2xmenu.new"}), 1);
    EXPECT_EQ(console_file("/usr/gp2x/gph.gpu"), built("emu/stock_launcher"));
    EXPECT_EQ(console_file("/usr/gp2x/gp2xmenu"), built("Korvo.gpe"));
    EXPECT_FALSE(has_line(state("trace.log"), "uninstall.gpe: run rm -rf /usr/gp2x/resources"));
    EXPECT_FALSE(has_line(state("trace.log"), "uninstall.gpe: run reboot"));
    EXPECT_TRUE(has_line(state("trace.log"), "uninstall.gpe: screen Korvo was NOT uninstalled."));
    EXPECT_NE(console_file("/usr/gp2x/uninstall.log").find("Could not put the stock launcher back"),
              std::string::npos);
}

TEST_F(Console, SampleProgramReturnsToTheMenu)
{
    EXPECT_EQ(boot(std::string("press b\n") + kPowerOff, {"--first", "/mnt/sd/games/blocks/Blocks.gpe"}), 0);
    std::string programs = state("programs.log");
    EXPECT_TRUE(has_line(programs, "Blocks.gpe: started in /mnt/sd/games/blocks")) << programs;
    EXPECT_TRUE(has_line(programs, "Blocks.gpe: back to the menu"));
    EXPECT_TRUE(has_line(after(programs, "back to the menu"), "gp2xmenu: started as /usr/gp2x/gp2xmenu"));
    EXPECT_EQ(boots().back(), "ended: power-off");
}

TEST_F(Console, LaunchScriptRunsAFirmwareProgramAndTheLauncherAgain)
{
    ASSERT_EQ(boot(kInstall), 0);
    put_console_file("/mnt/nand/exect.gpe",
                     "#!/bin/sh\ncd /usr/gp2x\n/usr/gp2x/LineDraw.gpe\nexec ./gp2xmenu \n", true);
    // LineDraw ends with X; the shell then starts again and is logged on.
    EXPECT_EQ(boot("press x\nwait 1500\npress b\nwait 2600\n", {"--first", "/mnt/nand/exect.gpe"}), 0);
    std::string programs = state("programs.log");
    EXPECT_TRUE(has_line(programs, "LineDraw.gpe: started /usr/gp2x/LineDraw.gpe")) << programs;
    EXPECT_TRUE(has_line(programs, "LineDraw.gpe: done"));
    EXPECT_TRUE(has_line(state("trace.log"), "gp2xmenu: run killall sh")) << "the shell started again";
    EXPECT_TRUE(has_line(state("trace.log"), "gp2xmenu: run rm /mnt/nand/exect.gpe"));
}

TEST_F(Console, StockViewersOfTheKeptLauncherReturn)
{
    ASSERT_EQ(boot(kInstall), 0);
    put_console_file("/mnt/nand/exect.gpe",
                     "#!/bin/sh\ncd /usr/gp2x\n/usr/gp2x/gph.gpu --view-photo --enable-terminate\n"
                     "exec ./gp2xmenu \n", true);
    EXPECT_EQ(boot("press b\n", {"--first", "/mnt/nand/exect.gpe"}), 0);
    EXPECT_TRUE(has_line(state("programs.log"),
                         "gph.gpu: started as /usr/gp2x/gph.gpu --view-photo --enable-terminate"));
    EXPECT_TRUE(has_line(state("programs.log"), "gph.gpu: viewer closed"));
}

TEST_F(Console, ARunThatTakesTooLongIsStopped)
{
    EXPECT_EQ(boot("wait 60000\n", {"--timeout", "2"}), 2);
    EXPECT_EQ(boots().back(), "timed out");
}

// The command line: help comes before anything is laid out, and a script
// that is not there is named, not taken for a sandbox that failed.
TEST_F(Console, HelpAndAMissingScript)
{
    EXPECT_EQ(boot("", {"--help"}), 0);
    std::string help = read_output();
    EXPECT_EQ(help.rfind("usage: korvo-emu", 0), 0u) << help;
    EXPECT_FALSE(std::filesystem::exists(dir + "/tree")) << "nothing laid out";

    std::string missing = dir + "/no-such.script";
    EXPECT_EQ(boot("", {"--script", missing}), 66);
    std::string out = read_output().substr(help.size());
    EXPECT_NE(out.find("korvo-emu: cannot read the input script " + missing), std::string::npos) << out;
    EXPECT_EQ(out.find("sandbox"), std::string::npos) << out;
}

TEST_F(Console, ConsoleKeepsItsStateBetweenRuns)
{
    ASSERT_EQ(boot(kPowerOff), 0);
    put_console_file("/mnt/sd/notes.txt", "kept\n");
    ASSERT_EQ(boot(kPowerOff), 0);
    EXPECT_EQ(console_file("/mnt/sd/notes.txt"), "kept\n");
    EXPECT_EQ(boot(kPowerOff, {"--fresh"}), 0);
    EXPECT_FALSE(console_has("/mnt/sd/notes.txt"));
}

TEST_F(Console, CardCarriesTheShellSamplesAndPictures)
{
    ASSERT_EQ(boot(kPowerOff), 0);
    for (const char* path : {"/mnt/sd/korvo/Korvo.gpe", "/mnt/sd/korvo/installer.gpe", "/mnt/sd/korvo/uninstall.gpe",
                             "/mnt/sd/korvo/qz", "/mnt/sd/korvo/resources",
                             "/mnt/sd/korvo/user", "/mnt/sd/games/blocks/Blocks.gpe", "/mnt/sd/emus/hello/hello.gpe",
                             "/mnt/sd/emus/hello/readme.txt", "/mnt/sd/emus/hello/roms/sample.gb",
                             "/mnt/sd/korvo/user/admin/links/emus/hello.lk",
                             "/mnt/sd/images/sunset.png", "/mnt/sd/images/tiles.jpg",
                             "/mnt/sd/images/sprite.gif", "/mnt/sd/images/board.bmp", "/mnt/nand",
                             "/usr/gp2x/LineDraw.gpe", "/usr/gp2x/TCPMP.gpe", "/usr/gp2x/ts_calibrate", "/etc/rc.d"})
        EXPECT_TRUE(console_has(path)) << path;
}

TEST_F(Console, SandboxKeepsTheHostOutOfReach)
{
    // A program on the card tries to write outside the console's files.
    ASSERT_EQ(boot(kPowerOff), 0);
    put_console_file("/mnt/sd/probe.gpe",
                     "#!/bin/sh\n"
                     "touch /usr/korvo-probe 2>/dev/null && echo usr-writable\n"
                     "touch /etc/korvo-probe 2>/dev/null && echo etc-writable\n"
                     "touch /mnt/sd/probe-was-here && echo card-writable\n"
                     "ls /usr/bin/env >/dev/null && echo usr-visible\n"
                     "echo pid-$$\n",
                     true);
    boot("", {"--first", "/mnt/sd/probe.gpe"});
    std::string out = state("console.log");
    EXPECT_EQ(out.find("usr-writable"), std::string::npos);
    EXPECT_EQ(out.find("etc-writable"), std::string::npos);
    EXPECT_NE(out.find("card-writable"), std::string::npos);
    EXPECT_NE(out.find("usr-visible"), std::string::npos);
    EXPECT_TRUE(console_has("/mnt/sd/probe-was-here"));
    EXPECT_FALSE(std::ifstream("/usr/korvo-probe").good());
    EXPECT_NE(out.find("pid-2"), std::string::npos) << "a PID namespace of its own: " << out;
}

} // namespace
