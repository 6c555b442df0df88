// The layers beneath the windows and the changed rectangles of each frame:
// whatever a window's frames reuse and leave out, the screen shows what
// drawing the window whole shows, the display shows what the screen holds,
// and a change beneath a layer always shows.
#include "harness.h"

#include "frames.h"
#include "link_files.h"
#include "resource_files.h"

#include "core/devices.h"
#include "core/text.h"
#include "desktop/shortcuts.h"
#include "dialogs/dialogs.h"
#include "explorer/explorer_window.h"
#include "gfx/changes.h"
#include "gfx/font.h"
#include "gfx/icons.h"
#include "gfx/layer.h"
#include "platform/pc_console.h"
#include "programs/links.h"
#include "shell/shell.h"
#include "users/user_files.h"
#include "desktop/desktop.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr time_t kEvening = 1715979900;   // 21:05:00

// What the display shows: every refresh copies its rectangles of the screen.
class Display {
public:
    Display()
        : shown_(320 * 240, 0xDEADu), watch_(std::make_unique<FrameWatch>([this](SDL_Surface*) { copy_refreshed(); }))
    {
    }
    const std::vector<Uint32>& shown() const { return shown_; }
    long pixels_since(size_t first) const
    {
        long sum = 0;
        for (size_t i = first; i < watch_->rects().size(); ++i)
            sum += static_cast<long>(watch_->rects()[i].w) * watch_->rects()[i].h;
        return sum;
    }
    size_t rects_seen() const { return watch_->rects().size(); }

private:
    void copy_refreshed()
    {
        const std::vector<SDL_Rect>& rects = watch_->rects();
        for (; seen_ < rects.size(); ++seen_) {
            const SDL_Rect& r = rects[seen_];
            for (int y = r.y; y < r.y + r.h; ++y)
                for (int x = r.x; x < r.x + r.w; ++x)
                    shown_[static_cast<size_t>(y * 320 + x)] = ShellTest::pixel(x, y);
        }
    }
    std::vector<Uint32> shown_;
    size_t seen_ = 0;
    std::unique_ptr<FrameWatch> watch_;
};

// A window as the shell opens it, and the moves made in it.
struct Window {
    const char* name;
    WindowId id;
    std::function<void()> open;                   // what the opener does
    std::vector<std::function<void()>> moves;     // each followed by one pass's frame
};

class Layers : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        release_desktop_images();
        release_fonts();
        release_icon_cache();
        make_account("U", "admin");
        lay_out_files();
        for (int i = 0; i < 12; ++i)
            write_file("files/file" + std::to_string(i) + (i % 3 ? ".png" : ".txt"), "x");
        fs::create_directories("files/folder");
        copy_text(user_name, "U");
        load_user(current_user, "U");
        load_settings();
        load_desktop();
        open_devices();
        set_battery_level(2);
        pc_fix_time(kEvening);
        pc_set_tracing(false);
    }

    // The user's links and shortcuts (a change below may have rewritten them).
    static void lay_out_files()
    {
        std::string desktop;
        for (int i = 0; i < kDesktopSlots; ++i) {
            std::string name = "Prog" + std::to_string(i);
            write_file("prog/" + name + ".gpe", "program");
            fs::copy_file(source_path("resources/skin/Blue/genericico.png"), "prog/" + name + ".png",
                          fs::copy_options::overwrite_existing);
            write_file("user/U/links/games/" + name + ".lk",
                       std::string(1, static_cast<char>('A' + i)) + "game " + std::to_string(i) +
                           "\nA game to play, number " + std::to_string(i) + "\n" + name + "\n" + name +
                           ".gpe\nprog/\n" + std::to_string(100 + 20 * (i % 3)) + "\nno\nprog/" + name + ".png\n");
            desktop += "user/U/links/games/" + name + ".lk\n";
        }
        write_file("user/U/desktop.st", desktop);
    }

    void TearDown() override
    {
        pc_set_tracing(true);
        pc_fix_time(0);
        close_devices();
        release_desktop_images();
        release_fonts();
        release_icon_cache();
        ShellTest::TearDown();
    }

    static std::vector<Window> windows()
    {
        auto category = [] {
            current_window = WindowId::Games;
            load_links();
        };
        return {
            {"desktop", WindowId::Desktop, [] {},
             {[] { selection = 1; }, [] { selection = 5; }, [] { desc_bar_on = 1; }, [] { selection = 9; },
              [] { volume = 60; }, [] { selection = 23; }, [] { desc_bar_on = 0; }}},
            {"start menu", WindowId::StartMenu, [] {},
             {[] { selection = 1; }, [] { selection = 5; }, [] { selection = 0; }}},
            {"sidebar", WindowId::Sidebar, [] {},
             {[] { sidebar_item = 0; }, [] { sidebar_item = 3; }, [] { sidebar_item = -1; }}},
            {"system", WindowId::System, [] {},
             {[] { selection = 1; }, [] { selection = 6; }, [] { selection = -1; }, [] { selection = 3; }}},
            {"usb", WindowId::Usb, [] {}, {[] { usb_mode = 1; }, [] { usb_mode = 2; }, [] { usb_mode = 0; }}},
            {"brightness", WindowId::Bright, [] {}, {[] { selection = 3; }, [] { selection = 0; }}},
            {"explorer", WindowId::Explorer, [] { open_explorer(WindowId::Desktop, "files/", "", 1); },
             {[] { selection = 1; }, [] { selection = 6; }, [] { list_top = 1; selection = 0; },
              [] { selection = 5; }, [] { list_top = 0; selection = 2; }}},
            {"category", WindowId::Games, category,
             {[] { selection = 1; }, [] { selection = 7; }, [] { selection = 14; }, [] { list_top = 1; selection = 3; },
              [] { selection = 8; }, [] { selection = 9; }, [] { list_top = 0; selection = 0; }}},
            {"link properties", WindowId::Props,
             [category] {
                 category();
                 return_window = WindowId::Games;
                 props_link = 3;
                 drawn_window = WindowId::Games;
             },
             {[] { field_selection = 1; }, [] { field_selection = 6; },
              [] { copy_text(link_items[3].timing_tweak, "yes"); }, [] { field_selection = 7; }}},
            {"users", WindowId::Users, [] { load_user(edit_user, "U"); },
             {[] { field_selection = 1; }, [] { field_selection = 3; }, [] { field_selection = 0; }}},
        };
    }

    // The shell's state afresh, the user logged on, over the same screen.
    static void start_afresh()
    {
        SDL_Surface* display = screen;
        reset_shared_state();
        screen = display;
        lay_out_files();
        copy_text(user_name, "U");
        load_user(current_user, "U");
        load_settings();
        load_desktop();
        set_battery_level(2);
        pc_fix_time(kEvening);
    }

    static void open(const Window& w)
    {
        w.open();
        current_window = w.id;
        main_loop_draw();
    }

    // One pass's frame after an event the window acts on.
    static void pass()
    {
        redraw_screen();
        main_loop_draw();
    }

    // The window drawn whole: every layer composed anew, over a screen that
    // holds nothing of the last frame.
    static std::vector<Uint32> drawn_whole()
    {
        layers_changed();
        note_screen_overdrawn();
        pass();
        return snapshot();
    }
};

} // namespace

TEST_F(Layers, EveryFrameShowsWhatDrawingTheWindowWholeShows)
{
    for (const Window& w : windows()) {
        // Each step from a fresh start: its frames build on one another.
        for (size_t steps = 0; steps <= w.moves.size(); ++steps) {
            start_afresh();
            Display display;
            open(w);
            for (size_t i = 0; i < steps; ++i) {
                w.moves[i]();
                pass();
                ASSERT_EQ(display.shown(), snapshot())
                    << w.name << ", move " << i + 1 << ": the display shows what the screen holds";
            }
            std::vector<Uint32> built = snapshot();
            ASSERT_EQ(built, drawn_whole()) << w.name << ", after " << steps << " moves";
        }
    }
}

TEST_F(Layers, AnUnchangedFrameComposesNothingAMinuteComposesEachLayerOnce)
{
    for (const Window& w : windows()) {
        start_afresh();
        Display display;
        open(w);
        pass();   // pictures first loaded in the first frame come
        long composed = layer_compositions();
        size_t first = display.rects_seen();
        std::vector<Uint32> before = snapshot();
        pass();
        EXPECT_EQ(layer_compositions(), composed) << w.name;
        // At most the window's changing parts that lie over one another (a
        // highlight and the name over it) are drawn and shown again.
        EXPECT_LT(display.pixels_since(first), 320 * 240 / 16) << w.name;
        EXPECT_EQ(snapshot(), before) << w.name;

        pc_fix_time(kEvening + 60);
        pass();
        // The desktop's layer, and the window's own above it.
        long layers = w.id == WindowId::Desktop ? 1 : 2;
        EXPECT_EQ(layer_compositions() - composed, layers) << w.name;
        EXPECT_NE(snapshot(), before) << w.name << ": the taskbar's clock moved on";
        EXPECT_EQ(display.shown(), snapshot()) << w.name;
        composed = layer_compositions();
        pass();
        EXPECT_EQ(layer_compositions(), composed) << w.name << ": the minute composes once";
    }
}

// The battery and the clock are system calls on the console: a frame reads
// each once, however many layers lie beneath its window.
TEST_F(Layers, AFrameReadsTheBatteryAndTheClockOnce)
{
    for (const Window& w : windows()) {
        start_afresh();
        open(w);
        pass();
        long battery = pc_battery_reads(), clock = pc_clock_reads();
        pass();
        EXPECT_EQ(pc_battery_reads() - battery, 1) << w.name;
        EXPECT_EQ(pc_clock_reads() - clock, 1) << w.name;
        // A new level shows on the next frame (read anew there).
        set_battery_level(4);
        std::vector<Uint32> before = snapshot();
        pass();
        EXPECT_NE(snapshot(), before) << w.name;
    }
}

// Whatever changes beneath a window's changing parts shows on its next
// frame: each change below moves what a layer shows.
TEST_F(Layers, AChangeBeneathAWindowAlwaysShows)
{
    struct Change {
        const char* what;
        std::function<void()> make;
    };
    const std::vector<Change> changes = {
        {"the clock's minute", [] { pc_fix_time(kEvening + 120); }},
        {"the clock's form", [] { clock_12h = 1; }},
        {"the battery level", [] { set_battery_level(4); }},
        {"the volume", [] { volume = 0; }},
        {"the wallpaper",
         [] {
             copy_text(wallpaper_name, "wallpaper/Gold.png");
             SDL_FreeSurface(wallpaper_image);
             wallpaper_image = nullptr;
         }},
        {"the shortcuts",
         [] {
             write_file("user/U/desktop.st", "user/U/links/games/Prog3.lk\nuser/U/links/games/Prog4.lk\n");
             load_desktop();
         }},
        {"the links",
         [] {
             write_file("user/U/links/games/Prog0.lk", link_text("Zebra", "Prog0", "prog/"));
             WindowId shown = current_window;
             current_window = WindowId::Games;
             load_links();
             current_window = shown;
         }},
        {"the skin's fonts",
         [] {
             write_coded_fonts("Coded");
             release_fonts();
             copy_text(skin_name, "Coded");
         }},
    };
    for (const Window& w : windows()) {
        for (const Change& change : changes) {
            start_afresh();
            Display display;
            open(w);
            pass();
            std::vector<Uint32> before = snapshot();
            change.make();
            pass();
            std::vector<Uint32> after = snapshot();
            EXPECT_EQ(display.shown(), after) << w.name << ", " << change.what;
            // Only the category windows show the links' titles.
            bool shown = change.what != std::string("the links") || is_category_window(w.id) || w.id == WindowId::Props;
            if (shown) {
                EXPECT_NE(after, before) << w.name << ", " << change.what << " shows";
            }
            EXPECT_EQ(after, drawn_whole()) << w.name << ", " << change.what;
        }
    }
}

// A dialog draws over the window and shows the screen itself: the next frame
// paints the window whole again.
TEST_F(Layers, AfterADialogTheWindowIsShownWhole)
{
    for (const Window& w : windows()) {
        start_afresh();
        Display display;
        open(w);
        push_button(13);
        message_box(screen, "Welcome to Korvo!", 0, skin_name);
        size_t first = display.rects_seen();
        pass();
        EXPECT_EQ(display.pixels_since(first), 320 * 240) << w.name;
        EXPECT_EQ(display.shown(), snapshot()) << w.name;
        EXPECT_EQ(snapshot(), drawn_whole()) << w.name;
    }
}
