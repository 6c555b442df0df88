// End-to-end runs through the shell's own screens: logon, desktop, start
// menu, category windows, program launching and the recovery screen. Each
// names the screens it goes through.
#include "e2e.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

constexpr const char* kInstall = "press down\npress b\n";
constexpr const char* kPowerOff = "press down\npress down\npress b\n";

// From the stock launcher: start the shell from the card, log on to the
// account shown first ("admin", the first by its letter), past the
// two-second welcome screen.
constexpr const char* kLogOnAsAdmin = "press b\n"
                                      "wait 1500\n"
                                      "screenshot logon\n"
                                      "press b\n"
                                      "wait 2600\n";

// The link the games window shows for the sample program Blocks.
constexpr const char* kBlocksLink = "Blocks\n\nBlocks\nBlocks.gpe\n/mnt/sd/games/blocks/\n533\nno\n\n";

using Shell = ConsoleRun;

size_t count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// Needs: logon screen, welcome screen, desktop and taskbar, the delivered
// resources/ and user/ with an "admin" account without password.
TEST_F(Shell, LogOnAsAdminShowsTheDesktop)
{
    ASSERT_EQ(boot(kPowerOff), 0);
    std::filesystem::remove(dir + "/tree/mnt/sd/korvo/resources/autolog.st");
    EXPECT_EQ(boot(std::string(kLogOnAsAdmin) + "screenshot desktop-admin\n"), 0);
    EXPECT_EQ(boots(), (std::vector<std::string>{"boot 1: /usr/gp2x/gp2xmenu", "ended: script-end"}));
    EXPECT_NE(state("console.log").find("applied: cpuclk"), std::string::npos);
    expect_screenshot_matches("logon");
    expect_screenshot_matches("desktop-admin");
}

// Needs: logon, start menu (button 8 opens it, entry 4 is the games), link
// files, category windows (button 13 launches the selected link), program
// launching with its clock.
TEST_F(Shell, SampleProgramStartedFromACategoryRunsAtItsClock)
{
    ASSERT_EQ(boot(kPowerOff), 0);
    std::filesystem::remove(dir + "/tree/mnt/sd/korvo/resources/autolog.st");
    put_console_file("/mnt/sd/korvo/user/admin/links/games/Blocks.lk", kBlocksLink);
    std::string script = std::string(kLogOnAsAdmin) +
                         "press menu\n"
                         "press down\npress down\npress down\npress down\n"
                         "press b\n"
                         "wait 500\n"
                         "screenshot games\n"
                         "press b\n"
                         "wait 500\n"
                         "screenshot blocks\n"
                         "press b\n" +
                         kPowerOff;
    EXPECT_EQ(boot(script), 0);
    std::string programs = state("programs.log");
    EXPECT_TRUE(has_line(programs, "Blocks.gpe: started in /mnt/sd/games/blocks")) << programs;
    EXPECT_TRUE(has_line(programs, "Blocks.gpe: back to the menu"));
    // The shell applied 533 MHz at its start and again for the link.
    std::string shell_output = after(state("console.log"), "starting Korvo.gpe from the card");
    std::string before_blocks = shell_output.substr(0, shell_output.find("Blocks.gpe: started"));
    EXPECT_EQ(count(before_blocks, "applied: cpuclk"), 2u) << before_blocks;
    EXPECT_TRUE(has_line(state("trace.log"), "Korvo.gpe: chdir /mnt/sd/games/blocks/"));
    EXPECT_TRUE(has_line(state("trace.log"),
                         "Korvo.gpe: exec /bin/sh: /bin/sh -c \"/mnt/sd/games/blocks//Blocks.gpe\"; "
                         "cd /usr/gp2x; exec /usr/gp2x/gp2xmenu"));
    EXPECT_EQ(boots().back(), "ended: power-off");
    expect_screenshot_matches("games");
}

// Needs: recovery screen with the skin "Gold", message box (button 13 is
// Yes), the fonts; the installer and uninstaller of today.
TEST_F(Shell, RecoveryScreenUninstallBringsTheStockLauncherBack)
{
    ASSERT_EQ(boot(kInstall), 0);
    std::string script = std::string("hold r\n") +
                         "wait 800\n"
                         "screenshot recovery\n"
                         "release r\n"
                         "press y\n"
                         "wait 300\n"
                         "screenshot recovery-are-you-sure\n"
                         "press b\n" +
                         kPowerOff;
    EXPECT_EQ(boot(script), 0);
    EXPECT_EQ(boots(), (std::vector<std::string>{"boot 1: /etc/rc.d/rc.local", "ended: reboot",
                                                 "boot 2: /etc/rc.d/rc.local", "ended: power-off"}));
    EXPECT_TRUE(has_line(state("trace.log"), "gp2xmenu: exec /usr/gp2x/uninstall.gpe: /usr/gp2x/uninstall.gpe"));
    EXPECT_EQ(console_file("/usr/gp2x/gp2xmenu"), built("emu/stock_launcher"));
    EXPECT_FALSE(console_has("/usr/gp2x/gph.gpu"));
    std::string trace = state("trace.log");
    std::string before_uninstall = trace.substr(0, trace.find("exec /usr/gp2x/uninstall.gpe"));
    EXPECT_EQ(before_uninstall.find("gp2xmenu: reg32"), std::string::npos) << "no clock before the recovery screen";
    expect_screenshot_matches("recovery");
}

// Needs: recovery screen (button 12 starts the kept stock launcher).
TEST_F(Shell, RecoveryScreenStartsTheKeptStockLauncher)
{
    ASSERT_EQ(boot(kInstall), 0);
    EXPECT_EQ(boot(std::string("hold r\nwait 800\nrelease r\npress a\nwait 1500\n") + kPowerOff), 0);
    EXPECT_TRUE(has_line(state("trace.log"), "gp2xmenu: chdir /usr/gp2x"));
    EXPECT_TRUE(has_line(state("programs.log"), "gph.gpu: started as gph.gpu"));
    EXPECT_EQ(boots().back(), "ended: power-off");
}

// Needs everything the tour passes: logon, welcome, desktop, start menu,
// program scan and links, category window, link properties, launching,
// sidebar, explorer, image viewer and slide show, the text viewer, a link
// with a folder and file types started on a file, system window, the
// brightness window, log-off.
TEST_F(Shell, TourStopsAtEveryScreen)
{
    ASSERT_EQ(boot(kPowerOff), 0);
    std::filesystem::remove(dir + "/tree/mnt/sd/korvo/resources/autolog.st");
    std::ifstream tour(std::string(KORVO_SOURCE_DIR) + "/emu/scripts/tour.script");
    std::stringstream text;
    text << tour.rdbuf();
    EXPECT_EQ(boot(text.str()), 0);
    for (const char* shot : {"01-stock-launcher", "02-logon", "03-first-desktop", "04-start-menu", "05-program-scan",
                             "06-program-scan-chosen", "07-applications", "08-link-properties",
                             "09-program-running", "10-desktop-with-shortcuts", "11-sidebar",
                             "12-explorer-pictures", "13-image-viewer", "14-slide-show", "15-readme",
                             "16-emulator-roms", "17-system", "18-brightness", "19-log-off", "20-logon-again"})
        EXPECT_TRUE(std::filesystem::exists(dir + "/screenshots/" + shot + ".png")) << shot;
    // The scan linked the card's programs, but not the shell's companions;
    // three went on the desktop; one ran; the log-off restarted the shell.
    std::string links = dir + "/tree/mnt/sd/korvo/user/admin/links/apps/";
    for (const char* link : {"Blocks", "Cave", "hello", "Korvo", "Notes"})
        EXPECT_TRUE(std::filesystem::exists(links + link + ".lk")) << link;
    EXPECT_FALSE(std::filesystem::exists(links + "installer.lk"));
    EXPECT_FALSE(std::filesystem::exists(links + "uninstall.lk"));
    EXPECT_EQ(count(console_file("/mnt/sd/korvo/user/admin/desktop.st"), "\n"), 3u);
    EXPECT_TRUE(has_line(state("programs.log"), "Blocks.gpe: back to the menu")) << state("programs.log");
    // The sample emulator's link opened its folder of ROMs and started it
    // on the one picked, its full path the one argument.
    EXPECT_TRUE(has_line(state("programs.log"), "hello.gpe: opened /mnt/sd/emus/hello/roms/sample.gb"))
        << state("programs.log");
    EXPECT_TRUE(has_line(state("trace.log"), "Korvo.gpe: exec /bin/sh: /bin/sh -c \"/mnt/sd/emus/hello//hello.gpe\" "
                                              "\"/mnt/sd/emus/hello/roms/sample.gb\"; cd /usr/gp2x; "
                                              "exec /usr/gp2x/gp2xmenu"));
    EXPECT_TRUE(has_line(state("trace.log"), "Korvo.gpe: exec Korvo.gpe: Korvo.gpe")) << "the log-off";
    expect_screenshot_matches("04-start-menu");
    expect_screenshot_matches("07-applications");
}

// Needs: the desktop's volume buttons, the repeat of held buttons, the
// sidebar's ShutDown on the release of L.
TEST_F(Shell, HeldButtonsRepeatAndReleasesStillAct)
{
    ASSERT_EQ(boot(kPowerOff), 0);
    std::filesystem::remove(dir + "/tree/mnt/sd/korvo/resources/autolog.st");
    std::string script = std::string(kLogOnAsAdmin) +
                         "hold volup\n"       // 50 -> 60 at once, then a step each 100 ms from 400 ms on
                         "wait 1500\n"
                         "release volup\n"
                         "press voldown\n"    // one press, one step
                         "hold l\n"           // the sidebar: its highlight moves, it acts on the release
                         "press up\n"
                         "release l\n";
    EXPECT_EQ(boot(script), 0);
    EXPECT_EQ(boots().back(), "ended: power-off");
    std::string shell = after(state("trace.log"), "Korvo.gpe: mixer pcm 50");
    std::string steps;
    for (size_t at = shell.find("mixer pcm "); at != std::string::npos; at = shell.find("mixer pcm ", at + 1))
        steps += shell.substr(at + 10, shell.find('\n', at) - at - 10) + " ";
    EXPECT_EQ(steps, "60 70 80 90 100 90 ") << "held to the top, then one step down";
    std::string settings = console_file("/mnt/sd/korvo/user/admin/settings.st");
    EXPECT_EQ(settings.substr(settings.rfind(' ') + 1), "90");
}

} // namespace
