// The stock applications window: moving the highlight, the launch scripts
// it writes, and where it is opened from.
#include "harness.h"
#include "window_checks.h"

#include "core/devices.h"
#include "core/text.h"
#include "desktop/desktop_input.h"
#include "platform/pc_console.h"
#include "programs/category.h"
#include "stock/stock_apps.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class StockApps : public ShellTest {
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
    std::string script() { return read_file(root + "/mnt/nand/exect.gpe"); }
    static bool started() { return traced("exec /mnt/nand/exect.gpe: /mnt/nand/exect.gpe"); }

    std::string root;
};

const std::string kExports = "export TSLIB_CONSOLEDEVICE=none\n"
                             "export TSLIB_FBDEVICE=/dev/fb0\n"
                             "export TSLIB_TSDEVICE=/dev/input/event0\n"
                             "export TSLIB_CALIBFILE=/etc/pointercal\n"
                             "export TSLIB_PLUGINDIR=/lib/ts\n";

} // namespace

TEST_F(StockApps, HighlightWrapsAndKeepsItsPlace)
{
    push_button(0);    // 0 -> 7
    push_button(4);    // 7 -> 0
    push_button(4);    // 1
    push_button(6);    // the same row of the right column: 5
    push_touch(100, 30);   // inside the window, between the icons: nothing
    push_button(14);
    run();
    EXPECT_EQ(stock_app_selection, 5);

    push_button(6);    // back to the left column: 1
    push_button(2);    // 5
    push_button(2);    // 1
    push_touch(200, 100);  // outside the window: closes
    run();
    EXPECT_EQ(stock_app_selection, 1);
    EXPECT_FALSE(started());
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0);
}

TEST_F(StockApps, CalibrationByButtonAndByTouch)
{
    open_devices();
    stock_app_selection = 6;
    push_button(13);
    run();
    EXPECT_EQ(script(), "#!/bin/sh\ncd /usr/gp2x\n" + kExports + "cd /usr/gp2x\n/usr/gp2x/ts_calibrate\nexec ./gp2xmenu \n");
    EXPECT_TRUE(started());
    EXPECT_LT(trace_index("run sync"), trace_index("battery close"));
    EXPECT_LT(trace_index("battery close"), trace_index("exec /mnt/nand/exect.gpe: /mnt/nand/exect.gpe"));
    EXPECT_NE(fs::status(root + "/mnt/nand/exect.gpe").permissions() & fs::perms::owner_exec, fs::perms::none)
        << "the script runs as a program";

    SDL_Init(SDL_INIT_VIDEO);
    screen = SDL_SetVideoMode(320, 240, 16, 0);
    push_touch(120, 130);
    run();
    EXPECT_EQ(script(), "#!/bin/sh\n" + kExports + "cd /usr/gp2x\n/usr/gp2x/ts_calibrate\nexec /usr/gp2x/gp2xmenu\n");
}

TEST_F(StockApps, OtherProgramsByTouchUseTheButtonLayout)
{
    push_touch(66, 214);   // item 3, the far corner of its area
    run();
    EXPECT_EQ(script(), "#!/bin/sh\ncd /usr/gp2x\n/usr/gp2x/LineDraw.gpe\nexec ./gp2xmenu \n");
    EXPECT_TRUE(started());
}

TEST_F(StockApps, NoScriptNoLaunch)
{
    fs::remove_all(root + "/mnt/nand");
    push_button(13);
    run();
    EXPECT_FALSE(started());
    EXPECT_FALSE(exists(root + "/mnt/nand/exect.gpe.tmp"));
}

TEST_F(StockApps, FailedReplacementEndsTheShellWithAnError)
{
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
    fs::remove(root + "/usr/gp2x/gph.gpu");
    push_button(13);
    run();
    EXPECT_TRUE(box_shows("GPH launcher not found!", 0));

    struct Opening {
        WindowId window;
        void (*input)();
        bool touch;
    };
    for (Opening o : {Opening{WindowId::Desktop, desktop_input, false}, Opening{WindowId::Desktop, desktop_input, true},
                      Opening{WindowId::Apps, category_input, false}, Opening{WindowId::Apps, category_input, true}}) {
        current_window = o.window;
        SDL_FillRect(screen, nullptr, 0);
        if (o.touch)
            push_touch(121, 238);
        else
            push_button(15);
        push_button(13);
        o.input();
        EXPECT_TRUE(box_shows("GPH launcher not found!", 0)) << window_name(o.window) << o.touch;
        EXPECT_EQ(current_window, o.window);
    }
}
