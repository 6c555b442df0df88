// The stock applications window: moving the highlight, the launch scripts
// it writes, and where it is opened from.
#include "harness.h"
#include "window_checks.h"

#include "core/devices.h"
#include "core/text.h"
#include "desktop/desktop_input.h"
#include "platform/pc_console.h"
#include "platform/platform.h"
#include "programs/category.h"
#include "stock/stock_apps.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const std::string kCalibration = "export TSLIB_CONSOLEDEVICE=none\nexport TSLIB_FBDEVICE=/dev/fb0\n"
                                 "export TSLIB_TSDEVICE=/dev/input/event0\nexport TSLIB_CALIBFILE=/etc/pointercal\n"
                                 "export TSLIB_PLUGINDIR=/lib/ts\ncd /usr/gp2x\n/usr/gp2x/ts_calibrate\n";
constexpr const char* kStarted = "exec /mnt/nand/exect.gpe: /mnt/nand/exect.gpe";

class StockApps : public GroupNeeding<Needs::nothing> {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        copy_text(skin_name, "Blue");
        stock_app_selection = 0;
        root = work_dir + "/console";
        write_file(root + "/usr/gp2x/gph.gpu", "stock launcher");
        fs::create_directories(root + "/mnt/nand");
    }

    void run() { run_stock_applications(screen, skin_name, root.c_str()); }
    // A launch shuts SDL down, as the shell ends there.
    static void restart_video()
    {
        SDL_Init(SDL_INIT_VIDEO);
        screen = platform_open_display();
    }
    std::string script() { return read_file(root + "/mnt/nand/exect.gpe"); }

    std::string root;
};

} // namespace

TEST_F(StockApps, HighlightWrapsAndKeepsItsPlace)
{
    // 0 -> 7 -> 0 -> 1, right: 5; a touch between the icons does nothing.
    for (int button : {0, 4, 4, 6})
        push_button(button);
    push_touch(100, 30);
    push_button(14);
    run();
    EXPECT_EQ(stock_app_selection, 5);
    for (int button : {6, 2, 2})   // 1, 5, 1
        push_button(button);
    push_touch(200, 100);   // outside the window: closes
    run();
    EXPECT_EQ(stock_app_selection, 1);
    EXPECT_FALSE(traced(kStarted));
}

TEST_F(StockApps, CalibrationByButtonAndByTouch)
{
    open_devices();
    stock_app_selection = 6;
    push_button(13);
    run();
    EXPECT_EQ(script(), "#!/bin/sh\ncd /usr/gp2x\n" + kCalibration + "exec ./gp2xmenu \n");
    EXPECT_LT(trace_index("run sync"), trace_index("battery close"));
    EXPECT_LT(trace_index("battery close"), trace_index(kStarted));
    EXPECT_NE(fs::status(root + "/mnt/nand/exect.gpe").permissions() & fs::perms::owner_exec, fs::perms::none);

    restart_video();
    push_touch(120, 130);
    run();
    EXPECT_EQ(script(), "#!/bin/sh\n" + kCalibration + "exec /usr/gp2x/gp2xmenu\n");
    restart_video();
    push_touch(66, 214);   // LineDraw, at the far corner of its area
    run();
    EXPECT_EQ(script(), "#!/bin/sh\ncd /usr/gp2x\n/usr/gp2x/LineDraw.gpe\nexec ./gp2xmenu \n");
}

TEST_F(StockApps, FailuresToWriteOrToStart)
{
    fs::remove_all(root + "/mnt/nand");
    push_button(13);
    run();
    EXPECT_FALSE(traced(kStarted)) << "no script, no launch";

    fs::create_directories(root + "/mnt/nand");
    pc_fail_replacements(true);
    EXPECT_EXIT(
        {
            push_button(13);
            run();
        },
        ::testing::ExitedWithCode(1), "could not start /mnt/nand/exect.gpe");
}

// Without a stock launcher ("/usr/gp2x/gph.gpu" is not on a PC) the window
// says so at once: each way of opening it shows the message.
TEST_F(StockApps, OpenedFromTheDesktopAndTheApplicationsWindow)
{
    for (WindowId window : {WindowId::Desktop, WindowId::Apps})
        for (bool touch : {false, true}) {
            current_window = window;
            SDL_FillRect(screen, nullptr, 0);
            if (touch)
                push_touch(121, 238);
            else
                push_button(15);
            push_button(13);
            window == WindowId::Desktop ? desktop_input() : category_input();
            EXPECT_TRUE(box_shows("GPH launcher not found!", 0)) << window_name(window) << touch;
            EXPECT_EQ(current_window, window);
        }
}
