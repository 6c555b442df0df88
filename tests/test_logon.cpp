// The logon screen, the welcome screen and the recovery screen, driven by
// pushed events.
#include "harness.h"

#include "core/devices.h"
#include "core/text.h"
#include "platform/pc_console.h"
#include "stock/recovery.h"
#include "stock/welcome.h"
#include "users/logon.h"

#include <filesystem>

namespace {

using Logon = GroupNeeding<Needs::nothing>;
using Recovery = GroupNeeding<Needs::nothing>;

UserRecord logged_on{};

void run_logon()
{
    SDL_FreeSurface(logged_on.picture);
    logged_on = UserRecord{};
    logon_screen(screen, logged_on);
}

} // namespace

TEST_F(Logon, AccountsInListingOrderAndNoWrapAround)
{
    make_account("zed", "user");
    make_account("amy", "user");
    make_account("Bob", "guest");
    push_button(2);   // already at the first: nothing
    push_button(6);
    push_button(6);
    push_button(6);   // already at the last: nothing
    push_button(2);
    push_button(13);
    run_logon();
    EXPECT_STREQ(logged_on.name, "Bob") << "amy, Bob, zed: by first letter, case-blind";
    EXPECT_STREQ(logged_on.kind, "guest");
    EXPECT_NE(logged_on.picture, nullptr);
}

TEST_F(Logon, TouchAreasStepAndLogOn)
{
    make_account("amy", "user");
    make_account("bob", "user");
    push_touch(196 + 29, 96 + 29);   // far corner of the next arrow
    push_touch(150, 100);             // the picture: log on
    run_logon();
    EXPECT_STREQ(logged_on.name, "bob");
}

TEST_F(Logon, SingleAccountWithoutPasswordLogsOnAtOnce)
{
    make_account("solo", "admin");
    push_button(2);
    push_button(6);
    push_button(13);
    run_logon();
    EXPECT_STREQ(logged_on.name, "solo");
    EXPECT_STREQ(logged_on.kind, "admin");
    EXPECT_STREQ(logged_on.password, "");
}

TEST_F(Logon, PasswordIsComparedExactly)
{
    make_account("amy", "user", "1234");
    push_button(13);
    push_typing("123");          // wrong: back on the logon screen
    push_button(13);
    push_typing("1234", false);  // cancelled: back again
    push_button(13);
    push_typing("1234");
    run_logon();
    EXPECT_STREQ(logged_on.name, "amy");
    EXPECT_STREQ(logged_on.password, "1234");
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0) << "every attempt took its events";
}

TEST_F(Logon, AccountWithoutDataCannotLogOn)
{
    make_account("bob", "user");
    std::filesystem::create_directories("user/amy");
    write_file("user/notes", "a file, listed after the folders");
    push_button(13);   // amy: no data.st
    push_button(13);   //   answers the "User data not found!" box
    push_button(6);
    push_button(6);    // the file "notes"
    push_button(13);
    push_button(13);   //   answers its box
    push_button(2);
    push_button(13);   // bob
    run_logon();
    EXPECT_STREQ(logged_on.name, "bob");
}

// The bytes of a damaged "data.st" are no password to ask for: the
// account cannot be logged on to, and says so.
TEST_F(Logon, DamagedDataAsksForNoPassword)
{
    make_account("amy", "user");
    make_account("bob", "user");
    write_file("user/amy/data.st", std::string("user \x1b\xff\x10\x02", 9));
    push_button(13);   // amy
    push_button(13);   //   answers "User data not found!"
    push_button(6);
    push_button(13);   // bob
    run_logon();
    EXPECT_STREQ(logged_on.name, "bob");
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0) << "no keyboard took events";
}

TEST_F(Logon, NoAccountsShowsAMessageAndWaits)
{
    std::filesystem::create_directory("user");
    // The screen never logs anybody on; closing the PC's window ends it.
    EXPECT_EXIT(
        {
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            push_button(13);
            SDL_PushEvent(&quit);
            run_logon();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(Logon, WelcomeShowsTwoSecondsAndReleasesTheFonts)
{
    TEST_NEEDS(Needs::display);
    make_account("amy", "user");
    UserRecord record{};
    copy_text(record.name, "amy");
    Uint32 start = SDL_GetTicks();
    show_welcome(screen, record);
    EXPECT_GE(SDL_GetTicks() - start, 2000u);
    SDL_Color band = colour(200, 238);
    EXPECT_TRUE(band.r == 0 && band.g == 0 && band.b == 0) << "the credit band is black";
}

TEST_F(Recovery, ProceedReturnsToStartUp)
{
    push_touch(10, 50);
    push_button(12, false);
    push_button(14);
    show_recovery_screen(screen);
    EXPECT_FALSE(traced("exec gp2xmenu: gp2xmenu")) << "touches and releases only redraw";
}

TEST_F(Recovery, StockLauncherWhenNotInstalled)
{
    open_devices();
    clear_trace();
    push_button(12);
    show_recovery_screen(screen);
    EXPECT_EQ(trace(), (std::vector<std::string>{"chdir /usr/gp2x", "unmap registers", "mem close", "battery close",
                                                 "exec gp2xmenu: gp2xmenu"}));
}

TEST_F(Recovery, UninstallAsksAndNeedsAnInstallation)
{
    push_button(15);
    push_button(14);   // No
    push_button(15);
    push_button(13);   // Yes: not installed
    push_button(13);   //   answers "Korvo is not installed."
    push_button(14);   // proceed
    show_recovery_screen(screen);
    EXPECT_FALSE(traced("exec /usr/gp2x/uninstall.gpe: /usr/gp2x/uninstall.gpe"));
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0);
}

TEST_F(Recovery, FailedReplacementEndsTheShellWithAnError)
{
    pc_fail_replacements(true);
    EXPECT_EXIT(
        {
            push_button(12);
            show_recovery_screen(screen);
        },
        ::testing::ExitedWithCode(1), "could not start gp2xmenu");
}

// The logon screen waits with the screensaver and power-off timers armed;
// a power-off there writes no file, no one being logged on.
TEST_F(Logon, IdleTimersRunWhileTheScreenWaits)
{
    TEST_NEEDS(Needs::threads);
    make_account("amy", "user");
    saver_ms = 20;
    push_button_later(13, 300);
    run_logon();
    EXPECT_STREQ(logged_on.name, "amy");
    int off = trace_index("fb 0 0");
    ASSERT_GE(off, 0) << "the backlight went off";
    EXPECT_GT(trace_index("fb 1 0"), off);

    saver_ms = 0;
    auto_off_ms = 30;
    clear_trace();
    push_button_later(13, 300);
    run_logon();
    EXPECT_TRUE(traced("power cut"));
    EXPECT_FALSE(exists("user/settings.st"));
    EXPECT_FALSE(exists("user/amy/settings.st.tmp"));
}
