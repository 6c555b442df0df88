// The shell's own frames: every window drawn by its own draw operation over
// a card laid out as a user's would be (24 desktop shortcuts, a category of
// 8 links and one of 24, a full explorer page), and the return to the
// desktop. Each frame is timed against one full-screen 16-bit blit in the
// same loop and reported as the counter x_full_screen_blit; the frames with
// a goal also end the program's output with a plain "goal" line. What the
// clock's own reads cost is timed in that loop too and taken out of both
// sides (x_with_clock keeps them in).
#include "bench_goals.h"
#include "../tree_files.h"

#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "desktop/desktop.h"
#include "desktop/shortcuts.h"
#include "explorer/explorer_window.h"
#include "gfx/changes.h"
#include "gfx/font.h"
#include "gfx/icons.h"
#include "gfx/image.h"
#include "platform/pc_console.h"
#include "platform/platform.h"
#include "programs/links.h"
#include "shell/shell.h"
#include "users/user_files.h"

#include <SDL.h>
#include <SDL_image.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A window drawn whole (after a dialog, or as its draw operation is called
// outside the main loop): its layer and its changing parts over it.
constexpr double kDesktopGoal = 2.0;
constexpr double kWindowGoal = 2.0;
constexpr double kRgbaDesktopGoal = 2.0;
constexpr double kReturnGoal = 3.0;
// A selection move in the main loop, with the refresh of what it changed.
constexpr double kMoveGoal = 0.33;

void write_text(const fs::path& path, const std::string& content)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

// A 48 x 48 picture with an alpha channel, as users commonly supply: a disc
// of the slot's colour whose rim fades out over two pixels (soft), or ends
// sharply (hard: alpha only 0 or 255).
void write_rgba_icon(const fs::path& path, int slot, bool soft)
{
    SDL_Surface* icon = SDL_CreateRGBSurface(SDL_SWSURFACE, 48, 48, 32, 0x000000FFu, 0x0000FF00u, 0x00FF0000u,
                                             0xFF000000u);
    auto* pixels = static_cast<Uint32*>(icon->pixels);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            double d = std::hypot(x - 23.5, y - 23.5);
            double cover = soft ? std::fmin(1.0, std::fmax(0.0, (21.0 - d) / 2.0)) : (d < 21.0 ? 1.0 : 0.0);
            Uint8 a = static_cast<Uint8>(std::lround(255 * cover));
            Uint8 r = static_cast<Uint8>(40 + 8 * slot), g = static_cast<Uint8>(200 - 3 * x), b = static_cast<Uint8>(4 * y);
            pixels[y * (icon->pitch / 4) + x] = SDL_MapRGBA(icon->format, r, g, b, a);
        }
    fs::create_directories(path.parent_path());
    pc_save_png(icon, path.c_str());
    SDL_FreeSurface(icon);
}

enum class IconKind { Keyed, SoftRgba };

// A user whose desktop holds 24 shortcuts to games on the card, with the
// icon kind given beside each program, and whose "apps" category holds 8 of
// them.
void make_user(const fs::path& work, const std::string& name, IconKind kind)
{
    fs::path user = work / "user" / name;
    write_text(user / "data.st", "user ");
    write_text(user / "settings.st", "wallpaper/Blue.png Blue 2 0 0 0 50");
    for (const char* category : {"apps", "emus", "ports", "games"})
        fs::create_directories(user / "links" / category);
    std::string desktop;
    for (int i = 0; i < 24; ++i) {
        std::string program = "Prog" + std::to_string(i);
        fs::path dir = work / "card" / name / program;
        write_text(dir / (program + ".gpe"), "#!/bin/sh\n");
        if (kind == IconKind::Keyed)
            fs::copy_file(work / "resources/skin/Blue/genericico.png", dir / (program + ".png"));
        else
            write_rgba_icon(dir / (program + ".png"), i, true);
        std::string link = std::string(1, static_cast<char>('A' + i)) + "title " + std::to_string(i) + "\n" +
                           "A program of the benchmark\n" + program + "\n" + program + ".gpe\n" + dir.string() +
                           "/\n533\nno\n\n";
        write_text(user / "links/games" / (program + ".lk"), link);
        if (i < 8)
            write_text(user / "links/apps" / (program + ".lk"), link);
        desktop += "user/" + name + "/links/games/" + program + ".lk\n";
    }
    write_text(user / "desktop.st", desktop);
}

// The card's folders and files under work, and the shell's files: the
// delivered resources, the two users, a folder of 20 files and one of as
// many as the explorer lists (a card's folder of photos).
void lay_out_card(const fs::path& work)
{
    mirror_with_links(fs::path(KORVO_SOURCE_DIR) / "resources", work / "resources");
    make_user(work, "amy", IconKind::Keyed);
    make_user(work, "rgba", IconKind::SoftRgba);
    for (int i = 0; i < 20; ++i)
        write_text(work / "card/files" / ("file" + std::to_string(i) + (i % 2 ? ".png" : ".txt")), "x");
    for (int i = 0; i < kNameSlots; ++i)
        write_text(work / "card/photos" / ("photo" + std::to_string(1000 + i) + ".jpg"), "x");
}

// The shell runs in work, on SDL's dummy drivers, with the console emulated
// and its commands and process changes only recorded.
void use_card(const fs::path& work)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("TZ", "UTC", 1);
    fs::current_path(work);
    pc_reset();
    pc_set_tracing(false);
    pc_record_commands_only(true);
    pc_record_process_changes(true);
}

struct Card {
    fs::path work;
    Card()
    {
        char pattern[] = "/tmp/korvo-bench-shell-XXXXXX";
        if (!mkdtemp(pattern))
            std::abort();
        work = pattern;
        lay_out_card(work);
        use_card(work);
    }
    ~Card()
    {
        std::error_code ignored;
        fs::remove_all(work, ignored);
    }
};

Card& card()
{
    static Card made;
    return made;
}

// SDL and the shell's state as start-up leaves them for user.
void log_on(const char* user)
{
    card();
    reset_shared_state();
    SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER);
    screen = platform_open_display();
    copy_text(user_name, user);
    load_user(current_user, user);
    load_settings();
    load_desktop();
    current_window = WindowId::Desktop;
    drawn_window = WindowId::None;
}

void log_off()
{
    release_desktop_images();
    release_fonts();
    reset_shared_state();
    SDL_Quit();
}

// The time this thread ran: on a shared machine, time spent waiting for
// the processor falls on neither side of the ratio.
double thread_ns()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

// Times frame against one full-screen blit per iteration and records the
// ratio under name as a goal when there is a limit (above 0), with the
// pixels a frame refreshed when pixels tells them.
//
// Each time read holds the end of one read of the clock and the start of
// the next; under an emulator that is a system call's way out and in,
// some two thirds of a microsecond, a sixteenth of a selection move but a
// fiftieth of the blit. So each iteration also reads the clock twice with
// nothing between, and that time is taken out of the frame and the blit.
void measure(benchmark::State& state, const std::function<void()>& frame, const char* name, double limit,
             const std::function<long()>& pixels = nullptr)
{
    SDL_Surface* full = SDL_DisplayFormat(screen);
    SDL_FillRect(full, nullptr, SDL_MapRGB(full->format, 40, 90, 200));
    double frame_ns = 0, full_ns = 0, clock_ns = 0;
    // Once before the loop: pictures a first frame loads, and the layers it
    // then composes, are no part of the frames measured.
    frame();
    for (auto _ : state) {
        double before = thread_ns();
        double start = thread_ns();
        count_mark(CountPhase::Frame);
        frame();
        count_mark(CountPhase::Other);
        double between = thread_ns();
        count_mark(CountPhase::Blit);
        SDL_BlitSurface(full, nullptr, screen, nullptr);
        count_mark(CountPhase::Other);
        double end = thread_ns();
        clock_ns += start - before;
        frame_ns += between - start;
        full_ns += end - between;
        benchmark::DoNotOptimize(screen->pixels);
    }
    count_report(name);
    auto per_frame = [&](double ns) { return ns / 1000.0 / static_cast<double>(state.iterations()); };
    double with_clock = full_ns > 0 ? frame_ns / full_ns : 0;
    double ratio = full_ns > clock_ns ? std::max(0.0, frame_ns - clock_ns) / (full_ns - clock_ns) : with_clock;
    state.counters["frame_us"] = per_frame(std::max(0.0, frame_ns - clock_ns));
    state.counters["clock_us"] = per_frame(clock_ns);
    state.counters["x_full_screen_blit"] = ratio;
    state.counters["x_with_clock"] = with_clock;
    if (pixels)
        state.counters["pixels"] = static_cast<double>(pixels());
    if (limit > 0)
        record_goal(name, ratio, limit, static_cast<long>(state.iterations()), pixels ? pixels() : -1, with_clock);
    SDL_FreeSurface(full);
}

// Opens window as the shell would and times what one pass of the main loop
// draws for it.
void run_window(benchmark::State& state, WindowId window, const std::function<void()>& prepare,
                const char* name, double limit)
{
    log_on("amy");
    selection = 5;
    prepare();
    current_window = window;
    window_change_setup();
    if (window == WindowId::Props)
        selection = 0;
    const WindowRow& row = window_row(window);
    measure(state, row.draw, name, limit);
    log_off();
}

void nothing() {}

void open_category(WindowId category)
{
    current_window = category;
    load_links();
}

void BM_Desktop(benchmark::State& state)
{
    run_window(state, WindowId::Desktop, [] { selection = 5; }, "desktop", kDesktopGoal);
}
BENCHMARK(BM_Desktop)->MinTime(0.5);

void BM_DesktopRgbaIcons(benchmark::State& state)
{
    log_on("rgba");
    current_window = WindowId::Desktop;
    window_change_setup();
    selection = 5;
    measure(state, draw_desktop, "desktop_rgba_icons", kRgbaDesktopGoal);
    log_off();
}
BENCHMARK(BM_DesktopRgbaIcons)->MinTime(0.5);

void BM_StartMenu(benchmark::State& state)
{
    run_window(state, WindowId::StartMenu, nothing, "startmenu", kWindowGoal);
}
BENCHMARK(BM_StartMenu)->MinTime(0.5);

void BM_Sidebar(benchmark::State& state)
{
    run_window(state, WindowId::Sidebar, nothing, "sidebar", kWindowGoal);
}
BENCHMARK(BM_Sidebar)->MinTime(0.5);

void BM_System(benchmark::State& state)
{
    run_window(state, WindowId::System, nothing, "system", kWindowGoal);
}
BENCHMARK(BM_System)->MinTime(0.5);

void BM_Usb(benchmark::State& state)
{
    run_window(state, WindowId::Usb, nothing, "usb", kWindowGoal);
}
BENCHMARK(BM_Usb)->MinTime(0.5);

void BM_Explorer(benchmark::State& state)
{
    run_window(state, WindowId::Explorer,
               [] { open_explorer(WindowId::Desktop, (card().work / "card/files/").c_str(), "", 1); },
               "explorer", kWindowGoal);
}
BENCHMARK(BM_Explorer)->MinTime(0.5);

void BM_PowerWindows(benchmark::State& state)
{
    run_window(state, WindowId::Off, nothing, "power_windows", kWindowGoal);
}
BENCHMARK(BM_PowerWindows)->MinTime(0.5);

void BM_CategoryEightLinks(benchmark::State& state)
{
    run_window(state, WindowId::Apps, [] { open_category(WindowId::Apps); }, "category_8_links", kWindowGoal);
}
BENCHMARK(BM_CategoryEightLinks)->MinTime(0.5);

void BM_CategoryFullPage(benchmark::State& state)
{
    run_window(state, WindowId::Games, [] { open_category(WindowId::Games); }, "category_full_page",
               kWindowGoal);
}
BENCHMARK(BM_CategoryFullPage)->MinTime(0.5);

void BM_LinkProperties(benchmark::State& state)
{
    run_window(state, WindowId::Props,
               [] {
                   open_category(WindowId::Apps);
                   return_window = WindowId::Apps;
                   props_link = 0;
                   drawn_window = WindowId::Apps;
               },
               "link_properties", kWindowGoal);
}
BENCHMARK(BM_LinkProperties)->MinTime(0.5);

void BM_Users(benchmark::State& state)
{
    run_window(state, WindowId::Users, [] { load_user(edit_user, "amy"); }, "users", kWindowGoal);
}
BENCHMARK(BM_Users)->MinTime(0.5);

// --- a selection move ---
//
// One pass of the main loop after a press that moves the selection (here
// between two neighbours, back and forth), and the display's refresh: the
// rectangles the pass shows are copied row by row into a stand-in for the
// console's framebuffer, as its display driver copies them.

struct Display {
    std::vector<Uint16> frame = std::vector<Uint16>(320 * 240);
    long pixels = 0;
    void show()
    {
        const SDL_Rect* rects = nullptr;
        int count = last_shown_rects(rects);
        for (int i = 0; i < count; ++i) {
            const SDL_Rect& r = rects[i];
            for (int y = r.y; y < r.y + r.h; ++y)
                std::memcpy(&frame[static_cast<size_t>(y * 320 + r.x)],
                            static_cast<const Uint8*>(screen->pixels) + y * screen->pitch + r.x * 2,
                            static_cast<size_t>(r.w) * 2);
        }
        pixels += last_shown_pixels();
    }
};

void run_move(benchmark::State& state, WindowId window, const std::function<void()>& prepare,
              const std::function<void(int)>& move, const char* name)
{
    log_on("amy");
    prepare();
    current_window = window;
    main_loop_draw();   // the set-up and the window's first frame, shown whole
    Display display;
    int step = 0;
    long frames = 0;
    measure(state,
            [&] {
                move(++step % 2);
                redraw_screen();
                main_loop_draw();
                display.show();
                ++frames;
            },
            name, kMoveGoal, [&] { return frames ? display.pixels / frames : 0; });
    log_off();
}

void BM_MoveDesktop(benchmark::State& state)
{
    run_move(state, WindowId::Desktop, nothing, [](int s) { selection = 5 + s; }, "move_desktop");
}
BENCHMARK(BM_MoveDesktop)->MinTime(0.5);

void BM_MoveCategory(benchmark::State& state)
{
    run_move(state, WindowId::Games, [] { open_category(WindowId::Games); }, [](int s) { selection = 6 + s; },
             "move_category");
}
BENCHMARK(BM_MoveCategory)->MinTime(0.5);

// A move in the explorer opened on folder (under the card's work).
void move_in_folder(benchmark::State& state, const char* folder, const char* name)
{
    run_move(state, WindowId::Explorer,
             [folder] { open_explorer(WindowId::Desktop, (card().work / folder).c_str(), "", 1); },
             [](int s) { selection = 2 + s; }, name);
}

void BM_MoveExplorer(benchmark::State& state)
{
    move_in_folder(state, "card/files/", "move_explorer");
}
BENCHMARK(BM_MoveExplorer)->MinTime(0.5);

// The same move in a folder that fills the explorer's list.
void BM_MoveExplorerFullFolder(benchmark::State& state)
{
    move_in_folder(state, "card/photos/", "move_explorer_full_folder");
}
BENCHMARK(BM_MoveExplorerFullFolder)->MinTime(0.5);

void BM_MoveStartMenu(benchmark::State& state)
{
    run_move(state, WindowId::StartMenu, nothing, [](int s) { selection = 2 + s; }, "move_startmenu");
}
BENCHMARK(BM_MoveStartMenu)->MinTime(0.5);

void BM_MoveSidebar(benchmark::State& state)
{
    run_move(state, WindowId::Sidebar, nothing, [](int s) { sidebar_item = 1 + s; }, "move_sidebar");
}
BENCHMARK(BM_MoveSidebar)->MinTime(0.5);

void BM_MoveSystem(benchmark::State& state)
{
    run_move(state, WindowId::System, nothing, [](int s) { selection = 1 + s; }, "move_system");
}
BENCHMARK(BM_MoveSystem)->MinTime(0.5);

void BM_MovePowerWindows(benchmark::State& state)
{
    run_move(state, WindowId::Off, nothing, [](int s) { selection = 1 + s; }, "move_power_windows");
}
BENCHMARK(BM_MovePowerWindows)->MinTime(0.5);

void BM_MoveUsers(benchmark::State& state)
{
    run_move(state, WindowId::Users, [] { load_user(edit_user, "amy"); }, [](int s) { field_selection = 1 + s; },
             "move_users");
}
BENCHMARK(BM_MoveUsers)->MinTime(0.5);

void BM_MoveLinkProperties(benchmark::State& state)
{
    run_move(state, WindowId::Props,
             [] {
                 open_category(WindowId::Apps);
                 return_window = WindowId::Apps;
                 props_link = 0;
                 drawn_window = WindowId::Apps;
             },
             [](int s) { field_selection = 2 + s; }, "move_link_properties");
}
BENCHMARK(BM_MoveLinkProperties)->MinTime(0.5);

// The USB window has no selection: its status line comes and goes.
void BM_MoveUsb(benchmark::State& state)
{
    run_move(state, WindowId::Usb, nothing, [](int s) { usb_mode = s; }, "move_usb");
}
BENCHMARK(BM_MoveUsb)->MinTime(0.5);

// Closing a window back to the desktop: the set-up reloads the shortcuts,
// then the pass draws the desktop.
void BM_ReturnToDesktop(benchmark::State& state)
{
    log_on("amy");
    current_window = WindowId::Desktop;
    window_change_setup();
    measure(state,
            [] {
                drawn_window = WindowId::Apps;
                current_window = WindowId::Desktop;
                main_loop_draw();
            },
            "return_to_desktop", kReturnGoal);
    log_off();
}
BENCHMARK(BM_ReturnToDesktop)->MinTime(0.5);

// The same after something may have changed the files (here: the shell
// wrote a file): every shortcut is read again, its icon taken from the
// cache after one status call.
void BM_ReturnToDesktopAfterAWrite(benchmark::State& state)
{
    log_on("amy");
    current_window = WindowId::Desktop;
    window_change_setup();
    measure(state,
            [] {
                note_file_written();
                drawn_window = WindowId::Apps;
                current_window = WindowId::Desktop;
                main_loop_draw();
            },
            "return_after_a_write", 0);
    log_off();
}
BENCHMARK(BM_ReturnToDesktopAfterAWrite)->MinTime(0.5);

// What a soft-edged 48 x 48 icon costs once, when it is loaded: decoding,
// scaling to 32 x 32 and conversion to the screen's format.
void BM_LoadSoftIcon(benchmark::State& state)
{
    log_on("rgba");
    std::string path = (card().work / "card/rgba/Prog0/Prog0.png").string();
    measure(state, [&] { SDL_FreeSurface(load_icon(path.c_str())); }, "load_soft_icon", 0);
    log_off();
}
BENCHMARK(BM_LoadSoftIcon)->MinTime(0.5);

// The 24 soft icons alone, as loaded for the desktop.
void BM_IconsSoftAlpha(benchmark::State& state)
{
    log_on("rgba");
    measure(state,
            [] {
                for (int i = 0; i < kDesktopSlots; ++i)
                    blit_at(desktop_items[i].icon, 51 * (i / 4) + 10, 49 * (i % 4) + 24);
            },
            "icons_soft_alpha", 0);
    log_off();
}
BENCHMARK(BM_IconsSoftAlpha)->MinTime(0.5);

} // namespace

void lay_out_start_card(const char* dir)
{
    lay_out_card(dir);
    write_text(fs::path(dir) / "resources/autolog.st", "amy");
}

void run_to_first_frame(const char* dir)
{
    use_card(dir);
    count_mark(CountPhase::Frame);
    reset_shared_state();
    start_up();
    prepare_main_loop();
    count_report("start_up");
    count_first_frame();
}
