// End-to-end runs on a card that fills up, turns read-only or is pulled
// while the shell runs from it, then heals: nothing on it is lost, what the
// shell shows agrees with its files, and the console keeps working.
#include "e2e.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

using Card = ConsoleRun;

// From the stock launcher: start the shell from the card and log on to the
// account shown first ("admin"), past the two-second welcome screen.
constexpr const char* kLogOnAsAdmin = "press b\nwait 1500\npress b\nwait 2600\n";

// The sidebar's entries, opened on the release of L: SD, NAND, Logoff.
std::string sidebar(int entry)
{
    std::string script = "hold l\n";
    for (int i = 0; i <= entry; ++i)
        script += "press down\n";
    return script + "release l\nwait 500\n";
}

} // namespace

// Needs: logon, the sidebar's log-off, the stand-in launcher. The card goes
// while the shell runs from it: the log-off cannot start the shell again
// and lands in the launcher, which cannot start it either and goes on.
TEST_F(Card, PulledCardThenLogOffLeavesAWorkingLauncher)
{
    if (!card_file_systems())
        GTEST_SKIP() << "no mount namespace for a card of its own";
    std::string script = std::string(kLogOnAsAdmin) + "screenshot pulled\nwait 1000\n" + sidebar(2) +
                         "wait 1500\n"
                         "press b\n"        // the launcher: start Korvo from the card
                         "wait 1000\n"
                         "press down\npress down\npress b\n";   // power off
    EXPECT_EQ(boot_on_card(script, {{"pulled", CardChange::Pull}}), 0);
    EXPECT_EQ(boots().back(), "ended: power-off") << state("boot.log");
    std::string programs = state("programs.log");
    EXPECT_TRUE(has_line(programs, "gp2xmenu: could not start ./Korvo.gpe")) << programs;
    EXPECT_TRUE(has_line(programs, "gp2xmenu: power off")) << programs;
}

namespace {

// The keyboard's keys of the letters of "boss" (shift 0), by touch.
constexpr const char* kTypeBoss = "tap 154 168\ntap 254 118\ntap 66 143\ntap 66 143\n";

// In the users window, row 1 (the name): the keyboard on the name "admin",
// erased and "boss" typed and accepted.
std::string rename_admin_to_boss()
{
    return std::string("press b\nwait 500\n") + "press x\npress x\npress x\npress x\npress x\n" + kTypeBoss +
           "press select\nwait 1000\n";
}

std::string bytes(size_t size, char seed)
{
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>(seed + i * 7 % 251);
    return text;
}

} // namespace

// Needs: automatic logon, the sidebar's SD entry, the explorer's copy and
// paste, the brightness window, the users window's rename and keyboard.
// On the full card a paste over a file of the same name keeps that file
// and leaves no part of the copy; a setting that cannot be saved keeps the
// file; renaming the automatic-logon account, which would lose the
// automatic logon, moves the account back. Healed, the rename goes through
// and the automatic logon follows it.
TEST_F(Card, FullCardLosesNothing)
{
    if (!card_file_systems())
        GTEST_SKIP() << "no mount namespace for a card of its own";
    ASSERT_EQ(boot("press down\npress down\npress b\n"), 0);
    const std::string older = bytes(1 << 20, 'o'), newer = bytes(1 << 20, 'n');
    put_console_file("/mnt/sd/one/photo.bin", newer);
    put_console_file("/mnt/sd/two/photo.bin", older);
    put_console_file("/mnt/sd/korvo/resources/autolog.st", "admin");
    const std::string settings = console_file("/mnt/sd/korvo/user/admin/settings.st");
    std::string script = "press b\nwait 2500\nscreenshot full\nwait 1000\n" + sidebar(0) +
                         // /mnt/sd/: apps emus games images korvo one ports two
                         "press down\npress down\npress down\npress down\npress down\npress r\nwait 300\n"
                         "press select\npress down\npress b\n"   // copy photo.bin
                         "press l\nwait 300\n"
                         "press down\npress down\npress down\npress down\npress down\npress down\npress down\n"
                         "press r\nwait 300\n"
                         "press select\npress down\npress b\n"   // paste
                         "press x\n"                              // "Create copy here?" No
                         "wait 1000\npress b\n"                   // "Paste failed!"
                         "press x\nwait 300\n"
                         "press menu\npress up\npress b\nwait 300\n"   // the system window
                         "press down\npress right\npress b\nwait 300\n"   // brightness
                         "press down\npress b\nwait 500\npress b\n"   // another level: "Could not save settings!"
                         "press b\nwait 300\npress down\n" +          // the users window, its name row
                         rename_admin_to_boss() + "press b\n"         // "Could not rename user!"
                         "screenshot healed\nwait 1000\n" +
                         rename_admin_to_boss() + "press x\n";
    EXPECT_EQ(boot_on_card(script, {{"full", CardChange::Fill}, {"healed", CardChange::Heal}}), 0);
    EXPECT_EQ(boots().back(), "ended: script-end") << state("boot.log");
    EXPECT_TRUE(console_file("/mnt/sd/two/photo.bin") == older) << "the file of that name as it was";
    EXPECT_TRUE(console_file("/mnt/sd/one/photo.bin") == newer);
    EXPECT_FALSE(console_has("/mnt/sd/two/photo.bin.part"));
    EXPECT_TRUE(has_line(state("trace.log"), "Korvo.gpe: run cp \"/mnt/sd/one/photo.bin\" "
                                              "\"/mnt/sd/two/photo.bin.part\""))
        << "the paste was tried";
    EXPECT_EQ(console_file("/mnt/sd/korvo/user/boss/settings.st"), settings);
    EXPECT_TRUE(has_line(state("trace.log"), "Korvo.gpe: fb 3 0")) << "another level was chosen";
    EXPECT_TRUE(has_line(state("trace.log"), "Korvo.gpe: run mv user/boss user/admin")) << "moved back";
    EXPECT_FALSE(console_has("/mnt/sd/korvo/user/admin"));
    EXPECT_EQ(console_file("/mnt/sd/korvo/user/boss/data.st"), "admin ");
    EXPECT_EQ(console_file("/mnt/sd/korvo/resources/autolog.st"), "boss");
}

// Needs: logon, the users window's rename and automatic-logon row, the
// start menu's program scan. On the write-protected card the rename is
// refused and the window keeps showing the account that is there, so the
// automatic logon switched on once the card healed names it; the scan
// finds the card's programs without writing to it.
TEST_F(Card, ReadOnlyCardShowsWhatIsThere)
{
    if (!card_file_systems())
        GTEST_SKIP() << "no mount namespace for a card of its own";
    std::string script = std::string(kLogOnAsAdmin) + "screenshot read-only\nwait 1000\n" +
                         "press menu\npress up\npress b\nwait 300\n"   // the system window
                         "press b\nwait 300\npress down\n" +           // the users window, its name row
                         rename_admin_to_boss() + "press b\n"          // "Could not rename user!"
                         "screenshot healed\nwait 1000\n"
                         "press down\npress down\npress down\npress b\n"   // automatic logon on
                         "press x\npress x\nwait 300\n"
                         "screenshot read-only-again\nwait 1000\n"
                         "press menu\npress b\nwait 1000\n"   // the program scan
                         "press right\n"                      // the first program: an application
                         "screenshot healed-again\nwait 1000\n"
                         "press b\nwait 500\n";               // its link
    EXPECT_EQ(boot_on_card(script, {{"read-only", CardChange::ReadOnly},
                                    {"healed", CardChange::Heal},
                                    {"read-only-again", CardChange::ReadOnly},
                                    {"healed-again", CardChange::Heal}}),
              0);
    EXPECT_EQ(boots().back(), "ended: script-end") << state("boot.log");
    std::string trace = state("trace.log");
    EXPECT_TRUE(has_line(trace, "Korvo.gpe: run mv user/admin user/boss")) << "the rename was tried";
    EXPECT_TRUE(console_has("/mnt/sd/korvo/user/admin/data.st"));
    EXPECT_FALSE(console_has("/mnt/sd/korvo/user/boss"));
    EXPECT_EQ(console_file("/mnt/sd/korvo/resources/autolog.st"), "admin");
    EXPECT_TRUE(has_line(trace, "Korvo.gpe: read find /mnt/sd/ -name \\*.gpe")) << trace;
    int links = 0;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(dir + "/tree/mnt/sd/korvo/user/admin/links/apps", error))
        links += entry.path().extension() == ".lk" ? 1 : 0;
    EXPECT_EQ(links, 1) << "the scan listed the programs of the write-protected card";
    EXPECT_FALSE(console_has("/mnt/sd/korvo/gpe.lst"));
}
