#include "harness.h"
#include "event_queue.h"
#include "tree_files.h"

#include "core/devices.h"
#include "dialogs/dialogs.h"
#include "platform/pc_console.h"
#include "platform/platform.h"
#include "users/user_files.h"

#include <SDL_mixer.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <pthread.h>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::string source_path(const std::string& relative)
{
    return std::string(KORVO_SOURCE_DIR) + "/" + relative;
}

namespace {

// The working directory's "resources/" is a real folder (so tests may write
// "resources/autolog.st" and the like) showing the delivered files.
void link_resources(const fs::path& work)
{
    fs::path delivered = source_path("resources");
    if (fs::is_directory(delivered))
        mirror_with_links(delivered, work / "resources");
    else
        fs::create_directory(work / "resources");
}

} // namespace

namespace {

constexpr int kScreenWidth = 320;
constexpr int kScreenHeight = 240;

#ifdef KORVO_WIZ_TESTS
// Why SDL opens no display here, "" when it opens one (read once).
const std::string& no_display()
{
    static const std::string why = [] {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        std::string reason = SDL_Init(SDL_INIT_VIDEO) == 0 ? "" : SDL_GetError();
        SDL_Quit();
        return reason;
    }();
    return why;
}

const std::string& no_threads();

// Why SDL_mixer opens no audio device here, "" when it opens one (read once).
// Not tried where no thread starts: SDL plays from a thread of its own, and
// its failed start would leave LinuxThreads unable to fork.
const std::string& no_sound()
{
    static const std::string why = [] {
        if (!no_threads().empty())
            return "SDL plays sound from a second thread, and " + no_threads();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::string reason;
        if (SDL_Init(SDL_INIT_AUDIO) != 0 || Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024) != 0)
            reason = SDL_GetError();
        else
            Mix_CloseAudio();
        SDL_Quit();
        return reason;
    }();
    return why;
}

// Why no second thread can be started here, "" when one can. Tried in a
// child process: after a failed start LinuxThreads cannot fork any more,
// and the power-cut tests fork.
const std::string& no_threads()
{
    static const std::string why = [] {
        pid_t child = fork();
        if (child == 0) {
            pthread_t thread;
            int failed = pthread_create(&thread, nullptr, [](void*) -> void* { return nullptr; }, nullptr);
            if (failed == 0)
                pthread_join(thread, nullptr);
            _exit(failed);
        }
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
            return std::string("the test of a thread start did not finish");
        return WEXITSTATUS(status) == 0 ? std::string()
                                        : std::string("pthread_create: ") + std::strerror(WEXITSTATUS(status));
    }();
    return why;
}
#endif

// Set while a test runs on an off-screen surface, because SDL opens no
// display: the surface, freed at the end of the test.
SDL_Surface* off_screen = nullptr;

// A helper that needs what this machine lacks, called by a test that does
// not say it needs it: the test fails and its process ends here, since it
// would otherwise compare a screen nobody showed or wait for an event that no
// thread pushes.
[[noreturn]] void unavailable(const char* helper, Needs needs)
{
    ADD_FAILURE() << helper << " in a test that does not start with TEST_NEEDS: " << ShellTest::missing(needs);
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(1);
}

// Any pixel of the screen, whatever its depth.
Uint32 screen_pixel(int x, int y)
{
    const SDL_PixelFormat* f = screen->format;
    const Uint8* row = static_cast<const Uint8*>(screen->pixels) + y * screen->pitch;
    if (f->BytesPerPixel == 2)
        return reinterpret_cast<const Uint16*>(row)[x];
    return reinterpret_cast<const Uint32*>(row)[x];
}

std::vector<Uint32> screen_pixels()
{
    std::vector<Uint32> pixels;
    pixels.reserve(kScreenWidth * kScreenHeight);
    for (int y = 0; y < kScreenHeight; ++y)
        for (int x = 0; x < kScreenWidth; ++x)
            pixels.push_back(screen_pixel(x, y));
    return pixels;
}

// SDL's subsystems that run threads of their own: the timer only where a
// second thread can be started (a failed start leaves LinuxThreads unable
// to fork, and the power-cut tests fork).
Uint32 sdl_thread_subsystems()
{
    return SDL_INIT_AUDIO | (ShellTest::missing(Needs::threads) ? 0 : SDL_INIT_TIMER);
}

} // namespace

void ShellTest::require(Needs what, const char* helper)
{
    if (off_screen && missing(what))
        unavailable(helper, what);
}

const char* ShellTest::missing(Needs what)
{
#ifdef KORVO_WIZ_TESTS
    static const std::string display = "needs a display, and SDL opens none here (" + no_display() + ")";
    static const std::string sound = "needs an audio device, and SDL opens none here (" + no_sound() + ")";
    static const std::string threads = "needs a second thread, and none can be started here (" + no_threads() + ")";
    switch (what) {
    case Needs::nothing: return nullptr;
    case Needs::display: return no_display().empty() ? nullptr : display.c_str();
    case Needs::threads: return no_threads().empty() ? nullptr : threads.c_str();
    case Needs::sound: return no_sound().empty() ? nullptr : sound.c_str();
    }
#else
    (void)what;
#endif
    return nullptr;
}

ShellTest::ShellTest(Needs group_needs)
{
    // Skipped from the constructor, so that no set-up runs either.
    if (const char* why = missing(group_needs))
        [why] { GTEST_SKIP() << why; }();
}

void ShellTest::SetUp()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("TZ", "UTC", 1);
    tzset();
    start_dir = fs::current_path();
    char pattern[] = "/tmp/korvo-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    work_dir = pattern;
    link_resources(work_dir);
    fs::current_path(work_dir);

    pc_reset();
    pc_release_buttons();
    pc_record_process_changes(true);
    reset_shared_state();
    set_before_power_down(save_settings);
    if (missing(Needs::display)) {
        // No display: the shell draws into a surface of its size and format.
        SDL_Init(sdl_thread_subsystems() | SDL_INIT_JOYSTICK);
        off_screen = SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenWidth, kScreenHeight, 16, 0xF800, 0x07E0, 0x001F, 0);
        screen = off_screen;
        use_stand_in_event_queue(true);
    } else {
        SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK);
        screen = platform_open_display();
    }
    ASSERT_NE(screen, nullptr);
    Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024);
    pc_clear_trace();
}

void ShellTest::TearDown()
{
    Mix_CloseAudio();
    SDL_Quit();
    reset_shared_state();
    if (off_screen) {
        use_stand_in_event_queue(false);
        SDL_FreeSurface(off_screen);
        off_screen = nullptr;
    }
    std::error_code ignored;
    fs::current_path(start_dir, ignored);
    fs::remove_all(work_dir, ignored);
}

void ShellTest::push_button(int button, bool down)
{
    SDL_Event e{};
    e.jbutton.type = down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
    e.jbutton.which = 0;
    e.jbutton.button = static_cast<Uint8>(button);
    e.jbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&e);
}

void ShellTest::push_touch(int x, int y)
{
    SDL_Event e{};
    e.button.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = SDL_PRESSED;
    e.button.x = static_cast<Uint16>(x);
    e.button.y = static_cast<Uint16>(y);
    SDL_PushEvent(&e);
}

void ShellTest::push_touch_release(int x, int y)
{
    SDL_Event e{};
    e.button.type = SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = SDL_RELEASED;
    e.button.x = static_cast<Uint16>(x);
    e.button.y = static_cast<Uint16>(y);
    SDL_PushEvent(&e);
}

void ShellTest::push_key(SDLKey key, bool down)
{
    SDL_Event e{};
    e.key.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    SDL_PushEvent(&e);
}

void ShellTest::push_button_later(int button, Uint32 delay_ms)
{
    require(Needs::threads, "push_button_later");
    std::thread([button, delay_ms] {
        SDL_Delay(delay_ms);
        push_button(button);
    }).detach();
}

Uint32 ShellTest::pixel(int x, int y)
{
    require(Needs::display, "pixel");
    return screen_pixel(x, y);
}

SDL_Color ShellTest::colour(int x, int y)
{
    SDL_Color c{};
    SDL_GetRGB(pixel(x, y), screen->format, &c.r, &c.g, &c.b);
    return c;
}

bool ShellTest::save_screen(const std::string& path)
{
    require(Needs::display, "save_screen");
    return SDL_SaveBMP(screen, path.c_str()) == 0;
}

std::vector<std::string> ShellTest::trace()
{
    return pc_trace();
}

void ShellTest::clear_trace()
{
    pc_clear_trace();
}

bool ShellTest::traced(const std::string& line)
{
    return trace_index(line) >= 0;
}

int ShellTest::trace_index(const std::string& line)
{
    std::vector<std::string> lines = pc_trace();
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == line)
            return static_cast<int>(i);
    return -1;
}

void ShellTest::set_battery_level(int level)
{
    pc_set_battery_level(level);
}

void ShellTest::record_commands_only(bool on)
{
    pc_record_commands_only(on);
}

void ShellTest::write_file(const std::string& path, const std::string& content)
{
    fs::path p(path);
    if (p.has_parent_path())
        fs::create_directories(p.parent_path());
    if (fs::is_symlink(p))
        fs::remove(p);   // a link to a delivered file: replace it, never write through it
    std::ofstream(path, std::ios::binary) << content;
}

std::string ShellTest::read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

bool ShellTest::exists(const std::string& path)
{
    return fs::exists(fs::symlink_status(path));
}

std::vector<Uint32> ShellTest::snapshot()
{
    require(Needs::display, "snapshot");
    return screen_pixels();
}

std::vector<Uint32> ShellTest::message_snapshot()
{
    return screen_pixels();
}

std::vector<Uint32> ShellTest::message_box_picture(const char* text, int question)
{
    SDL_Surface* saved = SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE);
    SDL_FillRect(screen, nullptr, 0);
    push_button(13);
    message_box(screen, text, question, skin_name[0] ? skin_name : "Blue");
    std::vector<Uint32> picture = message_snapshot();
    SDL_BlitSurface(saved, nullptr, screen, nullptr);
    SDL_FreeSurface(saved);
    return picture;
}

void ShellTest::make_account(const std::string& name, const std::string& kind, const std::string& password,
                             const std::string& settings)
{
    write_file("user/" + name + "/data.st", kind + " " + password);
    write_file("user/" + name + "/settings.st", settings);
    write_file("user/" + name + "/desktop.st", "");
    for (const char* category : {"apps", "emus", "ports", "games"})
        fs::create_directories("user/" + name + "/links/" + category);
}

std::string ShellTest::make_program(const std::string& folder, const std::string& file)
{
    write_file(folder + "/" + file, "#!/bin/sh\n");
    fs::permissions(folder + "/" + file, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    return (fs::current_path() / folder).string() + "/";
}

bool ShellTest::launched_program(const std::string& dir, const std::string& file)
{
    return traced("exec /bin/sh: /bin/sh -c \"" + dir + "/" + file +
                  "\"; cd /usr/gp2x; exec /usr/gp2x/gp2xmenu");
}

void ShellTest::push_typing(const std::string& digits, bool accept)
{
    // The digit keys are the first row: "1234567890" at x = 31 + 25 i, y = 83.
    for (char c : digits) {
        int i = c == '0' ? 9 : c - '1';
        push_touch(31 + 25 * i + 10, 83 + 10);
    }
    push_button(accept ? 9 : 8);
}

namespace {
int power_cut_at;
int commands_reached;

// SDL's timer and audio threads take locks of their own. A child forked
// while one of them held its lock would wait for it for ever (seen under
// qemu-arm, where those threads run slowly), so they are stopped for the
// fork and started again on both sides.
void stop_sdl_threads()
{
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_TIMER);
}

void start_sdl_threads()
{
    SDL_InitSubSystem(sdl_thread_subsystems());
    Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024);
}

// The child's status, or -1 when it did not end normally within the bound
// (it is then killed): a hung child fails its test instead of stopping the run.
int wait_bounded(pid_t child)
{
    using namespace std::chrono;
    const auto limit = steady_clock::now() + seconds(120);
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(child, &status, WNOHANG)) == 0 && steady_clock::now() < limit)
        std::this_thread::sleep_for(milliseconds(5));
    if (ended == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        return -1;
    }
    return ended == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
}

int run_with_power_cut(int cut_at, void (*work)())
{
    std::fflush(nullptr);
    stop_sdl_threads();
    pid_t child = fork();
    if (child < 0) {
        start_sdl_threads();
        return -1;
    }
    if (child == 0) {
        start_sdl_threads();
        power_cut_at = cut_at;
        commands_reached = 0;
        pc_set_command_handler([](const char* line) {
            if (commands_reached++ == power_cut_at)
                _exit(0);
            return std::string(line) == "sync" ? 0 : std::system(line);
        });
        work();
        _exit(1);
    }
    start_sdl_threads();
    int status = wait_bounded(child);
    return status == 0 || status == 1 ? status : -1;
}
