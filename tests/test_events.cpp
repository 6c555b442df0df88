// Waiting for input: the screensaver and power-off timers, the tap timer and
// the touch hit test.
#include "harness.h"

#include "core/events.h"
#include "core/text.h"
#include "platform/pc_console.h"

#include <atomic>
#include <thread>

namespace {

using Events = GroupNeeding<Needs::nothing>;

bool pressed(const SDL_Event& e, int button)
{
    return e.type == SDL_JOYBUTTONDOWN && e.jbutton.button == button;
}

} // namespace

TEST_F(Events, HitTestIncludesBothEdges)
{
    EXPECT_TRUE(point_in_rect(217, 65, 217, 65, 17, 17));
    EXPECT_TRUE(point_in_rect(234, 82, 217, 65, 17, 17));
    EXPECT_FALSE(point_in_rect(235, 82, 217, 65, 17, 17));
    EXPECT_FALSE(point_in_rect(216, 65, 217, 65, 17, 17));
    EXPECT_FALSE(point_in_rect(234, 83, 217, 65, 17, 17));
}

TEST_F(Events, WithoutIntervalsNothingIsArmed)
{
    TEST_NEEDS(Needs::threads);
    push_button_later(13, 150);
    wait_event();
    EXPECT_TRUE(pressed(event, 13));
    EXPECT_EQ(saver_timer, nullptr);
    EXPECT_EQ(off_timer, nullptr);
    EXPECT_FALSE(traced("fb 0 0"));
    EXPECT_FALSE(traced("power cut"));
}

TEST_F(Events, ScreensaverSwitchesOffAndTheNextPressIsHandled)
{
    TEST_NEEDS(Needs::threads);
    saver_ms = 20;
    push_button_later(13, 250);
    wait_event();
    EXPECT_TRUE(pressed(event, 13)) << "the waking press is not swallowed";
    int off = trace_index("fb 0 0");
    int on = trace_index("fb 1 0");
    ASSERT_GE(off, 0);
    EXPECT_GT(on, off);
    EXPECT_EQ(screen_on, 1);
    EXPECT_TRUE(pc_backlight_on());
    EXPECT_EQ(saver_timer, nullptr) << "removed after every event";
}

TEST_F(Events, NoScreensaverIsArmedWhileTheScreenIsOff)
{
    TEST_NEEDS(Needs::threads);
    saver_ms = 20;
    screen_on = 0;
    push_button_later(4, 150);
    wait_event();
    EXPECT_FALSE(traced("fb 0 0"));
    EXPECT_TRUE(traced("fb 1 0")) << "any event switches the screen back on";
}

TEST_F(Events, PowerOffWaitsWhileUsbIsConnected)
{
    TEST_NEEDS(Needs::threads);
    auto_off_ms = 20;
    usb_mode = 1;
    push_button_later(13, 300);
    wait_event();
    EXPECT_TRUE(pressed(event, 13));
    EXPECT_FALSE(traced("power cut")) << "the interval passes again and again without effect";
}

TEST_F(Events, PowerOffAfterTheIdleIntervalRunsOnTheMainThread)
{
    TEST_NEEDS(Needs::threads);   // the power-off timer
    write_file("user/admin/settings.st", "");
    copy_text(user_name, "admin");
    auto_off_ms = 20;
    saver_ms = 10;
    Uint32 start = SDL_GetTicks();
    wait_event();
    EXPECT_EQ(event.type, SDL_USEREVENT);
    EXPECT_GE(SDL_GetTicks() - start, 3000u) << "the shut-down picture shows for three seconds";
    int light = trace_index("fb 1 0");
    int cut = trace_index("power cut");
    ASSERT_GE(cut, 0);
    EXPECT_GE(light, 0) << "the backlight comes on for the shut-down picture";
    EXPECT_LT(light, cut);
    EXPECT_LT(trace_index("run sync"), cut);
    EXPECT_EQ(read_file("user/admin/settings.st"), "  0 10 20 0 0");
}

TEST_F(Events, StalePowerOffRequestIsDropped)
{
    // A request posted by the timer of an earlier wait, after the user was
    // active again, must not power off.
    SDL_Event stale{};
    stale.type = SDL_USEREVENT;
    stale.user.code = kPowerOffEventCode;
    stale.user.data1 = reinterpret_cast<void*>(uintptr_t{0});
    SDL_PushEvent(&stale);
    push_button(2);
    wait_event();
    EXPECT_TRUE(pressed(event, 2));
    EXPECT_FALSE(traced("power cut"));
}

TEST_F(Events, TapWindowCloses)
{
    TEST_NEEDS(Needs::threads);   // an SDL timer
    start_tap_window();
    EXPECT_EQ(tap_pending, 1);
    SDL_Delay(600);
    EXPECT_EQ(tap_pending, 0);
}

TEST_F(Events, TapTimerLeavesTheScreensaverArmed)
{
    TEST_NEEDS(Needs::threads);
    // The tap timer ends on its own; the screensaver armed beside it must
    // still fire after its interval.
    saver_ms = 450;
    start_tap_window();
    push_button_later(13, 900);
    wait_event();
    EXPECT_EQ(tap_pending, 0);
    EXPECT_TRUE(traced("fb 0 0"));
}

TEST_F(Events, TheClockTicksJustAfterEachMinuteBegins)
{
    EXPECT_EQ(ms_to_next_minute(1715979900), 60200u) << "on the minute: the next one";
    EXPECT_EQ(ms_to_next_minute(1715979945), 15200u);
    EXPECT_EQ(ms_to_next_minute(1715979959), 1200u);
}

TEST_F(Events, AClockTickReachesOnlyAWaitingHandler)
{
    TEST_NEEDS(Needs::threads);
    clock_tick_expired(60000, nullptr);
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0) << "nobody waits: no tick";

    saver_ms = 60000;
    std::thread([] {
        SDL_Delay(150);
        clock_tick_expired(60000, nullptr);
    }).detach();
    wait_event();
    EXPECT_TRUE(is_clock_tick(event));
    EXPECT_NE(saver_timer, nullptr) << "a tick is no input: the screensaver timer goes on";
    SDL_TimerID armed = saver_timer;
    push_button(13);
    wait_event();
    EXPECT_TRUE(pressed(event, 13));
    EXPECT_EQ(saver_timer, nullptr) << "a press ends the idle period";
    EXPECT_NE(armed, nullptr);
}

TEST_F(Events, AClockTickLeavesADarkScreenDark)
{
    screen_on = 0;
    SDL_Event tick{};
    tick.type = SDL_USEREVENT;
    tick.user.code = kClockTickEventCode;
    SDL_PushEvent(&tick);
    push_button(13);
    clear_trace();
    wait_event();
    EXPECT_TRUE(pressed(event, 13)) << "the tick is passed over while the screen is dark";
    EXPECT_EQ(screen_on, 1);
    EXPECT_EQ(trace_index("fb 1 0"), 0) << "only the press switched the backlight on";
}
