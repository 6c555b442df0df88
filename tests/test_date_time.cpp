// The date and time window: wraps, the remembered row, the clock form,
// touches and the time it sets; opened from the desktop.
#include "settings_test.h"

#include "desktop/desktop_input.h"
#include "platform/pc_console.h"
#include "settings/date_time.h"

#include <cstdlib>

namespace {

class DateTime : public GroupNeeding<Needs::nothing, SettingsTest> {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        current_window = drawn_window = WindowId::Desktop;
        pc_fix_time(1676017815);   // 2023-02-10 08:30:15 UTC
    }

    // The row is remembered from the last opening: events for a known row
    // follow this.
    static void to_first_row() { push_buttons(0, 4); }

    // Runs the window on the events pushed; the time it set, or -1.
    static long long run()
    {
        clear_trace();
        date_time_window(screen, skin_name, clock_12h);
        for (const std::string& line : trace())
            if (line.rfind("set time ", 0) == 0)
                return std::atoll(line.c_str() + 9);
        return -1;
    }

    static long long run(std::initializer_list<int> buttons)
    {
        to_first_row();
        for (int button : buttons)
            push_button(button);
        return run();
    }
};

} // namespace

TEST_F(DateTime, DaysPastTheMonthsEndRunIntoTheNextMonth)
{
    to_first_row();
    push_buttons(2, 10);   // 10 down to 1, then round to 31
    push_button(13);
    EXPECT_EQ(run(), 1677832215) << "31 February 2023 is 3 March";
    EXPECT_GT(trace_index("run hwclock --systohc"), trace_index("set time 1677832215"));
}

TEST_F(DateTime, YearAndHourWrapAndTheRowIsRemembered)
{
    pc_fix_time(157852740);   // 1975-01-01 23:59
    // The year down to 2500, up to 1975 and 1976; the hour buttons act on
    // the time row only, where 23 becomes 0.
    EXPECT_EQ(run({4, 4, 2, 6, 6, 11, 4, 4, 11, 13}), 189305940);

    pc_fix_time(1676017815);
    EXPECT_EQ(run({4, 4, 14}), -1);
    push_button(6);
    push_button(13);
    EXPECT_EQ(run(), 1707553815) << "the year row again: 2024";
}

TEST_F(DateTime, TouchesStepCloseAndSet)
{
    push_touch(190, 173);   // the hour and minute decreases overlap here
    push_touch(50, 50);     // outside: closed, nothing set
    EXPECT_EQ(run(), -1);
    push_touch(190, 173);
    push_touch(280, 180);   // OK
    EXPECT_EQ(run(), 1676014155) << "07:29";
}

// The summer time of the moment of opening must not put a clock set in
// winter an hour off.
TEST_F(DateTime, SummerTimeFollowsTheDateSet)
{
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    pc_fix_time(1688205600);   // 1 July 2023, 12:00 summer time
    long long set = run({4, 2, 2, 2, 2, 2, 2, 13});
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(set, 1672570800) << "1 January 12:00 is 11:00 UTC";
}

TEST_F(DateTime, DesktopSavesTheClockFormEvenWithoutATimeSet)
{
    TEST_NEEDS(Needs::sound);   // the click is a loaded sample
    push_button(12);
    to_first_row();
    for (int button : {4, 4, 4, 6, 14})   // the clock row: "12H", closed
        push_button(button);
    desktop_input();
    EXPECT_EQ(clock_12h, 1);
    EXPECT_FALSE(traced("run hwclock --systohc"));
    EXPECT_EQ(settings_file(), "wallpaper/Blue.png Blue 0 0 0 1 0");

    push_touch(300, 230);   // the taskbar clock
    push_touch(260, 150);   // the clock form's right arrow
    push_button(12);
    desktop_input();
    EXPECT_EQ(settings_file(), "wallpaper/Blue.png Blue 0 0 0 0 0");
    EXPECT_TRUE(clicked());
}
