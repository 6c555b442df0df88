// What the main loop does for each event on a desktop of 24 shortcuts: the
// pictures it decodes, the heap allocations and file status calls it makes,
// and the refreshes of the display, for an idle minute, a move of the
// selection, and events no window uses.
#include "harness.h"

#include "frames.h"
#include "link_files.h"
#include "work_counts.h"

#include "core/events.h"
#include "core/files.h"
#include "core/text.h"
#include "desktop/desktop.h"
#include "desktop/shortcuts.h"
#include "gfx/changes.h"
#include "gfx/font.h"
#include "gfx/icons.h"
#include "gfx/layer.h"
#include "platform/pc_console.h"
#include "shell/shell.h"
#include "users/user_files.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kShortcuts = 24;

std::string program_name(int i)
{
    return "Prog" + std::to_string(i);
}


class FrameWork : public GroupNeeding<Needs::nothing> {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        release_desktop_images();
        release_fonts();
        release_icon_cache();
        make_account("U", "user");
        std::string desktop;
        for (int i = 0; i < kShortcuts; ++i) {
            std::string name = program_name(i);
            add_link("games", std::string(1, static_cast<char>('A' + i)) + "game", name);
            // The delivered generic icon: a paletted picture with a transparent entry.
            fs::copy_file(source_path("resources/skin/Blue/genericico.png"), "prog/" + name + ".png");
            desktop += "user/U/links/games/" + name + ".lk\n";
        }
        write_file("user/U/desktop.st", desktop);
        copy_text(user_name, "U");
        load_user(current_user, "U");
        load_settings();
        // The emulation's own trace lines are no work of the shell's.
        pc_set_tracing(false);
    }

    void TearDown() override
    {
        pc_set_tracing(true);
        release_desktop_images();
        release_fonts();
        release_icon_cache();
        ShellTest::TearDown();
    }

    // Start-up's desktop load, the entry's first picture, the first pass.
    static void start_shell()
    {
        load_desktop();
        prepare_main_loop();
        push_motion();
        main_loop_pass();
    }

    static void push_motion()
    {
        SDL_Event e{};
        e.motion.type = SDL_MOUSEMOTION;
        e.motion.x = 100;
        e.motion.y = 100;
        SDL_PushEvent(&e);
    }

    static void push_tick()
    {
        SDL_Event tick{};
        tick.type = SDL_USEREVENT;
        tick.user.code = kClockTickEventCode;
        SDL_PushEvent(&tick);
    }

    static bool whole_screen(const SDL_Rect& r) { return r.x == 0 && r.y == 0 && r.w == 320 && r.h == 240; }
};

using MainLoopWork = FrameWork;

} // namespace

TEST_F(MainLoopWork, TheCountsSeeWhatTheyCount)
{
    CountWork work;
    SDL_Surface* made = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 16, 0, 0, 0, 0);
    SDL_FreeSurface(made);
    SDL_FreeSurface(load_icon("prog/Prog0.png"));
    // The shell's own status call (the C++ library's may bind past the
    // stand-in where it is linked statically, as on the console).
    FileStamp stamp;
    EXPECT_TRUE(file_stamp("prog/Prog0.png", stamp));
    WorkCounts counts = work.counts();
    EXPECT_GE(counts.allocations, 1);
    EXPECT_EQ(counts.decodes, 1);
    EXPECT_GE(counts.status_calls, 1);
}

TEST_F(MainLoopWork, AnIdleMinuteRedrawsOnceWithoutDecodingAllocatingOrAskingFiles)
{
    TEST_NEEDS(Needs::threads);   // the screensaver and power-off timers
    saver_ms = 10000;
    auto_off_ms = 120000;
    const time_t evening = 1715979900;   // 21:05:00
    pc_fix_time(evening);
    start_shell();
    push_tick();
    main_loop_pass();   // waits with both timers armed; the tick arrives
    SDL_TimerID saver = saver_timer, off = off_timer;
    ASSERT_NE(saver, nullptr);
    ASSERT_NE(off, nullptr);

    FrameWatch watch(nullptr);
    pc_fix_time(evening + 60);
    long composed = layer_compositions();
    CountWork work;
    push_tick();
    main_loop_pass();   // the clock's redraw, then the next minute's tick
    WorkCounts counts = work.counts();
    pc_fix_time(0);

    EXPECT_EQ(watch.frames(), 1);
    EXPECT_TRUE(whole_screen(watch.rects().at(0))) << "the desktop's layer composed anew is shown whole";
    EXPECT_EQ(layer_compositions() - composed, 1) << "the minute composes the desktop's layer once";
    EXPECT_EQ(counts.decodes, 0);
    EXPECT_EQ(counts.allocations, 0);
    EXPECT_EQ(counts.status_calls, 0);
    EXPECT_EQ(saver_timer, saver) << "a tick is no input: the screensaver keeps counting";
    EXPECT_EQ(off_timer, off);
    EXPECT_EQ(screen_on, 1);
}

TEST_F(MainLoopWork, AMoveDrawsOnceWithoutDecodingAllocatingOrAskingFiles)
{
    TEST_NEEDS(Needs::display);
    start_shell();
    ASSERT_EQ(selection, 0);
    FrameWatch watch(nullptr);
    CountWork work;
    push_button(4);
    push_button(4, false);
    main_loop_pass();   // the press
    main_loop_pass();   // its picture, then the release
    WorkCounts counts = work.counts();

    EXPECT_EQ(selection, 1);
    EXPECT_EQ(watch.frames(), 1);
    // Only the two cells' frames and labels and the taskbar's details.
    long pixels = 0;
    for (const SDL_Rect& r : watch.rects())
        pixels += static_cast<long>(r.w) * r.h;
    EXPECT_GT(pixels, 2 * 40 * 40);
    EXPECT_LT(pixels, 320 * 240 / 10);
    EXPECT_EQ(counts.decodes, 0);
    EXPECT_EQ(counts.allocations, 0);
    EXPECT_EQ(counts.status_calls, 0);
}

TEST_F(MainLoopWork, TheDescriptionBarSlidesInItsOwnBand)
{
    TEST_NEEDS(Needs::display);
    start_shell();
    desc_bar_on = 1;
    push_button(4);
    push_button(4, false);
    FrameWatch watch(nullptr);
    CountWork work;
    main_loop_pass();
    main_loop_pass();
    EXPECT_EQ(work.counts().decodes, 0);
    ASSERT_EQ(watch.frames(), 21) << "twenty steps of the slide and the frame that ends it";
    for (int i = 0; i < 20; ++i) {
        const SDL_Rect& r = watch.rects()[static_cast<size_t>(i)];
        EXPECT_EQ(r.x, 50);
        EXPECT_EQ(r.y, 0);
        EXPECT_EQ(r.w, 220);
        EXPECT_EQ(r.h, 20);
    }
    // The frame that ends the slide shows the band once more, with the
    // cells the selection left and reached.
    const SDL_Rect band = {50, 0, 220, 20};
    auto covered = [&](const SDL_Rect& want) {
        for (size_t i = 20; i < watch.rects().size(); ++i) {
            const SDL_Rect& r = watch.rects()[i];
            if (r.x <= want.x && r.y <= want.y && r.x + r.w >= want.x + want.w && r.y + r.h >= want.y + want.h)
                return true;
        }
        return false;
    };
    EXPECT_TRUE(covered(band));
    EXPECT_TRUE(covered({6, 20, 40, 40})) << "the frame of icon 0";
    EXPECT_TRUE(covered({6, 69, 40, 40})) << "the frame of icon 1";
    EXPECT_EQ(desc_bar_y, 0);
}

TEST_F(MainLoopWork, EventsNoWindowUsesDrawNothing)
{
    TEST_NEEDS(Needs::display);
    start_shell();
    std::vector<Uint32> before = snapshot();
    FrameWatch watch(nullptr);
    push_motion();
    push_touch_release(30, 40);
    push_button(4, false);
    push_key(SDLK_F1);
    push_button(4);   // the one that matters: drawn on the next pass
    for (int i = 0; i < 5; ++i)
        main_loop_pass();
    EXPECT_EQ(watch.frames(), 0);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(selection, 1);
    push_motion();
    main_loop_pass();
    EXPECT_EQ(watch.frames(), 1);
}

TEST_F(MainLoopWork, TheSidebarActsOnTheReleaseOfItsButton)
{
    TEST_NEEDS(Needs::display);
    start_shell();
    push_button(10);
    main_loop_pass();
    ASSERT_EQ(current_window, WindowId::Sidebar);
    push_button(10, false);
    main_loop_pass();   // the sidebar's picture; the release closes it
    EXPECT_EQ(current_window, WindowId::Desktop);
    FrameWatch watch(nullptr);
    push_motion();
    main_loop_pass();
    EXPECT_EQ(watch.frames(), 1) << "the desktop is shown again at once";
}

TEST_F(MainLoopWork, StartUpDecodesEachIconOnce)
{
    CountWork work;
    load_desktop();
    long first_load = work.counts().decodes;
    prepare_main_loop();
    push_motion();
    main_loop_pass();   // the first pass sets the desktop up again
    current_window = WindowId::StartMenu;
    push_button(1);
    main_loop_pass();
    current_window = WindowId::Desktop;
    push_button(1);
    main_loop_pass();   // and a return to the desktop
    push_motion();
    main_loop_pass();
    WorkCounts counts = work.counts();
    EXPECT_EQ(first_load, kShortcuts) << "each shortcut's icon, decoded by the first load";
    // Desktop, start menu, battery, wallpaper and font pictures: each once.
    long pictures = counts.decodes - first_load;
    CountWork again;
    current_window = WindowId::StartMenu;
    push_button(1);
    main_loop_pass();
    current_window = WindowId::Desktop;
    push_button(1);
    main_loop_pass();
    push_motion();
    main_loop_pass();
    EXPECT_EQ(again.counts().decodes, 0) << "after " << pictures << " pictures were decoded once";
}

TEST_F(MainLoopWork, ReturningToTheDesktopReadsItAgainOnlyAfterAChange)
{
    start_shell();
    current_window = WindowId::Games;
    push_button(1);
    main_loop_pass();
    current_window = WindowId::Desktop;
    {
        CountWork work;
        push_button(1);
        main_loop_pass();
        push_motion();
        main_loop_pass();
        EXPECT_EQ(work.counts().decodes, 0);
        EXPECT_LE(work.counts().status_calls, 1) << "only the shortcut list's own status";
    }
    ASSERT_EQ(desktop_items[0].title, std::string("Agame"));

    // The shell rewrites a link (as the properties window does) and the
    // desktop shows it on the next return, its unchanged icon kept.
    SDL_Surface* icon = desktop_items[0].icon;
    write_file("user/U/links/games/Prog0.lk", link_text("Arcade", "Prog0", "prog/"));
    note_file_written();
    current_window = WindowId::Games;
    push_button(1);
    main_loop_pass();
    current_window = WindowId::Desktop;
    CountWork work;
    push_button(1);
    main_loop_pass();
    EXPECT_EQ(desktop_items[0].title, std::string("Arcade"));
    EXPECT_EQ(desktop_items[0].icon, icon);
    EXPECT_EQ(work.counts().decodes, 0);
}

// The rectangles a frame noted reach the display in fewer, larger ones
// where that costs the display's row-by-row copy less: none is lost (each
// lies inside one that is shown), the cost never grows, and rectangles far
// apart stay apart.
TEST_F(MainLoopWork, AFrameShowsEveryChangedRectangleInRectanglesThatCostNoMore)
{
    TEST_NEEDS(Needs::display);
    start_shell();
    auto cost = [](const SDL_Rect& r) { return (static_cast<long>(r.w) + 64) * r.h; };
    auto frame = [](const std::vector<SDL_Rect>& noted) {
        FrameWatch watch(nullptr);
        begin_frame();
        for (const SDL_Rect& r : noted)
            note_changed(r.x, r.y, r.w, r.h);
        end_frame();
        return watch.rects();
    };
    auto holds = [](const SDL_Rect& outer, const SDL_Rect& r) {
        return r.x >= outer.x && r.y >= outer.y && r.x + r.w <= outer.x + outer.w && r.y + r.h <= outer.y + outer.h;
    };

    // A frame's four sides come as the one rectangle around them.
    std::vector<SDL_Rect> shown = frame({{100, 100, 40, 4}, {100, 136, 40, 4}, {100, 104, 4, 32}, {136, 104, 4, 32}});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(holds(shown[0], {100, 100, 40, 40}) && holds({100, 100, 40, 40}, shown[0]));
    // Two cells side by side in the same rows, too.
    shown = frame({{10, 10, 20, 20}, {40, 10, 20, 20}});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].w, 50);
    EXPECT_EQ(shown[0].h, 20);
    // Tall columns on either side of the screen, and corners apart, stay apart.
    EXPECT_EQ(frame({{0, 20, 8, 200}, {312, 20, 8, 200}}).size(), 2u);
    EXPECT_EQ(frame({{0, 0, 8, 8}, {300, 220, 8, 8}}).size(), 2u);

    // Frames of many rectangles (past the count kept apart, too).
    unsigned seed = 12345;
    auto next = [&seed](int below) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % static_cast<unsigned>(below));
    };
    for (int f = 0; f < 300; ++f) {
        std::vector<SDL_Rect> noted;
        int count = 1 + next(f % 3 == 0 ? 40 : 12);
        long noted_cost = 0;
        for (int i = 0; i < count; ++i) {
            int w = 1 + next(f % 2 ? 60 : 12), h = 1 + next(f % 2 ? 12 : 60);
            SDL_Rect r = {static_cast<Sint16>(next(320 - w + 1)), static_cast<Sint16>(next(240 - h + 1)),
                          static_cast<Uint16>(w), static_cast<Uint16>(h)};
            noted.push_back(r);
            noted_cost += cost(r);
        }
        shown = frame(noted);
        ASSERT_FALSE(shown.empty());
        for (const SDL_Rect& r : noted) {
            bool held = std::any_of(shown.begin(), shown.end(), [&](const SDL_Rect& s) { return holds(s, r); });
            ASSERT_TRUE(held) << "frame " << f << ": (" << r.x << ", " << r.y << ", " << r.w << ", " << r.h
                              << ") was not shown";
        }
        long shown_cost = 0;
        for (const SDL_Rect& s : shown)
            shown_cost += cost(s);
        bool whole = shown.size() == 1 && shown[0].w == 320 && shown[0].h == 240;
        if (count <= 32 && !whole) {
            EXPECT_LE(shown_cost, noted_cost) << "frame " << f;
        }
    }
}
