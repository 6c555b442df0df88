// The whole start-up: automatic logon, the logon screen and the log-off
// cycle across starts, and the recovery button.
#include "harness.h"
#include "frames.h"

#include "core/devices.h"
#include "core/text.h"
#include "shell/shell.h"
#include "platform/pc_console.h"

#include <SDL_mixer.h>
#include <algorithm>
#include <filesystem>

namespace {

class StartUp : public ShellTest {
protected:
    // One start of the shell up to its main loop; the devices are closed
    // again so that the next start opens them afresh. SDL is left running
    // from the fixture (start-up's own initialisation then keeps it, and the
    // events pushed for this start).
    void start()
    {
        reset_shared_state();
        start_up();
        prepare_main_loop();
        close_devices();
    }

    void stop()
    {
        Mix_CloseAudio();
        SDL_Quit();
    }
};

} // namespace

TEST_F(StartUp, AutomaticLogonWithoutPasswordShowsNoScreen)
{
    make_account("amy", "user", "", "wallpaper/Gold.png Gold 3 0 0 1 60");
    write_file("resources/autolog.st", "amy");
    start();
    EXPECT_STREQ(user_name, "amy");
    EXPECT_STREQ(skin_name, "Gold");
    EXPECT_EQ(clock_12h, 1);
    EXPECT_TRUE(traced("fb 3 0")) << "brightness 3 applied";
    EXPECT_TRUE(traced("mixer pcm 60"));
    EXPECT_GT(trace_index("mixer pcm 60"), trace_index("reg32 0xF004 = 0x24B100"));
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0);
}

TEST_F(StartUp, AutomaticLogonAsksThePasswordUntilRight)
{
    make_account("amy", "user", "42");
    write_file("resources/autolog.st", "amy");
    push_typing("41");
    push_button(13);   // "Wrong password!"
    push_typing("42");
    std::vector<std::vector<Uint32>> frames;
    {
        FrameWatch watch([&](SDL_Surface*) { frames.push_back(snapshot()); });
        start();
    }
    EXPECT_STREQ(user_name, "amy");
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0);

    // The wrong password is said, over a clean screen (no strip of the
    // keyboard left at the top), and so is the prompt after it.
    copy_text(skin_name, "Blue");
    std::vector<Uint32> box = message_box_picture("Wrong password!", 0);
    auto shown = std::find(frames.begin(), frames.end(), box);
    ASSERT_NE(shown, frames.end());
    ASSERT_NE(shown + 1, frames.end());
    const std::vector<Uint32>& prompt = *(shown + 1);
    for (int x : {2, 60, 300})
        for (int y : {2, 20, 28})
            EXPECT_EQ(prompt[static_cast<size_t>(y * 320 + x)], 0u) << x << "," << y;
}

TEST_F(StartUp, LogOffParksTheAutomaticLogonForOneStart)
{
    make_account("amy", "user");
    make_account("bob", "user");
    write_file("resources/autolog.st", "bob");
    // The sidebar's log-off parks the file before it restarts the shell.
    write_file("resources/autoback.st", read_file("resources/autolog.st"));
    std::filesystem::remove("resources/autolog.st");

    push_button(13);   // the logon screen: amy
    start();
    stop();
    EXPECT_STREQ(user_name, "amy");
    EXPECT_EQ(read_file("resources/autolog.st"), "bob") << "back in place for the next start";
    EXPECT_FALSE(exists("resources/autoback.st"));
    EXPECT_STREQ(autolog_user, "bob");
    EXPECT_TRUE(traced("run mv resources/autoback.st resources/autolog.st"));

    start();   // no events: logged on automatically
    EXPECT_STREQ(user_name, "bob");
}

TEST_F(StartUp, RecoveryScreenWhenButtonRIsHeld)
{
    make_account("amy", "user");
    write_file("resources/autolog.st", "amy");
    pc_hold_button(11, true);
    push_button(14);   // proceed with the shell
    start();
    EXPECT_STREQ(user_name, "amy");
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0) << "the recovery screen took the press";
}

// An automatic logon that names an account that is gone (renamed, deleted,
// or a folder without its data) is set aside: the logon screen shows, no
// file is written outside an account, and the file does not come back.
TEST_F(StartUp, AutomaticLogonOfAnUnusableAccountShowsTheLogonScreen)
{
    make_account("amy", "user", "", "wallpaper/Gold.png Gold 3 0 0 1 60");
    std::filesystem::create_directories("user/half/links");
    for (const char* named : {"ghost", "half"}) {
        write_file("resources/autolog.st", named);
        clear_trace();
        push_button(13);   // the logon screen: amy
        start();
        EXPECT_STREQ(user_name, "amy") << named;
        EXPECT_STREQ(skin_name, "Gold") << named;
        EXPECT_TRUE(traced("run mv resources/autolog.st resources/autoback.st")) << named;
        EXPECT_TRUE(traced("run rm resources/autoback.st")) << named;
        EXPECT_FALSE(exists("resources/autolog.st")) << named;
        EXPECT_FALSE(exists("resources/autoback.st")) << named;
        EXPECT_STREQ(autolog_user, "") << named;
        EXPECT_FALSE(exists("user/settings.st")) << named;
        EXPECT_FALSE(exists("user/half/settings.st")) << named;
        EXPECT_FALSE(exists("user/ghost")) << named;
    }
}

// Cancelling the password of an automatic logon leads to the logon screen,
// where any account can be chosen; the automatic logon stays as it was.
TEST_F(StartUp, CancelledAutomaticLogonPasswordShowsTheLogonScreen)
{
    make_account("amy", "user", "42");
    make_account("bob", "user");
    write_file("resources/autolog.st", "amy");
    push_typing("", false);
    push_button(6);    // bob
    push_button(13);
    start();
    EXPECT_STREQ(user_name, "bob");
    EXPECT_EQ(read_file("resources/autolog.st"), "amy");
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0);
}

// A forgotten password is no dead end: the recovery screen's B switches the
// automatic logon off for good (a parked one too) and the logon screen shows.
TEST_F(StartUp, RecoverySwitchesTheAutomaticLogonOff)
{
    make_account("amy", "user", "42");
    make_account("bob", "user");
    write_file("resources/autolog.st", "amy");
    pc_hold_button(11, true);
    push_button(13);   // recovery: switch the automatic logon off
    push_button(6);    // the logon screen: bob
    push_button(13);
    start();
    pc_hold_button(11, false);
    EXPECT_STREQ(user_name, "bob");
    EXPECT_FALSE(exists("resources/autolog.st"));
    EXPECT_STREQ(autolog_user, "");
    EXPECT_TRUE(traced("run rm resources/autolog.st"));
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0);
}

// The screens before the logon dim after a minute and power off after ten;
// the user's own intervals take over once logged on, and a settings file
// without the power-off field keeps the value held before.
TEST_F(StartUp, IdleIntervalsBeforeTheLogonGiveWayToTheUsers)
{
    make_account("bob", "user", "", "wallpaper/Blue.png Blue 2 0");
    write_file("resources/autolog.st", "bob");
    start();
    EXPECT_EQ(saver_ms, 0);
    EXPECT_EQ(auto_off_ms, 0);
}
