// The test fixture: SDL started headless the way start-up starts it, every
// shared variable at its start value, the PC console emulation reset, and a
// fresh working directory whose "resources/" shows the delivered pictures and
// sounds. Process replacements and directory changes are only recorded.
#pragma once

#include "core/state.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <string>
#include <vector>

// What a test needs beyond files, the shell's state and the emulated console.
// A PC build has all of it. The Wiz build's tests run on the firmware's own
// libraries under qemu-arm, and there its SDL opens no display and no audio
// device (it has only the console's framebuffer and sound drivers), and its
// thread library cannot start a thread (qemu-arm refuses the kind of process
// clone LinuxThreads makes), so no SDL timer fires either. Input still works
// there: the test program's own event queue stands in for SDL's, which the
// firmware's SDL starts only with its display (event_queue.h).
enum class Needs {
    nothing,   // files, state, trace and input: the screen is at most drawn into
    display,   // reads or compares what the screen shows
    threads,   // a second thread: SDL's timers, an event pushed later
    sound,     // sounds loaded or played through the audio device
};

class ShellTest : public ::testing::Test {
protected:
    // A group that needs something the machine lacks is skipped before any
    // set-up, with the reason. A group that needs nothing (GroupNeeding)
    // runs everywhere: where SDL opens no display its screen is an
    // off-screen surface of the display's size and format, and each of its
    // tests that needs more starts with TEST_NEEDS. A group that says
    // nothing needs the display.
    explicit ShellTest(Needs group_needs = Needs::display);
    void SetUp() override;
    void TearDown() override;

public:
    // Why this machine cannot give what a test needs; nullptr when it can.
    static const char* missing(Needs what);
    // For the tests' helpers: a helper that needs what the machine lacks,
    // called by a test that did not say so (TEST_NEEDS), fails the test and
    // ends its process, which would otherwise compare a screen nobody showed
    // or wait for an event no thread pushes.
    static void require(Needs what, const char* helper);
    // Input, as the console delivers it.
    static void push_button(int button, bool down = true);
    static void push_touch(int x, int y);
    static void push_touch_release(int x, int y);
    static void push_key(SDLKey key, bool down = true);
    // Pushes an event from another thread after delay_ms (for waits that must
    // block first, e.g. while a timer runs out).
    static void push_button_later(int button, Uint32 delay_ms);

    // The screen.
    static Uint32 pixel(int x, int y);
    static SDL_Color colour(int x, int y);
    static bool save_screen(const std::string& path);

    // A copy of the screen's pixels, to compare two drawings.
    static std::vector<Uint32> snapshot();

    // Which message box the shell showed is asked by comparing the screen
    // with the same box drawn by the test into the same surface: that needs
    // no display, and works on the off-screen screen too. (How the screen
    // looks, its colours, places, glyphs and frames, needs the display.)
    // A copy of the screen's pixels for that comparison only.
    static std::vector<Uint32> message_snapshot();
    // The screen a message box with text shows over a black screen (the box
    // is answered by a pushed button 13, or a touch on its close box).
    static std::vector<Uint32> message_box_picture(const char* text, int question);
    // Runs action, which must show exactly one message box over a black
    // screen and answer it with the pushed event; true when that box showed
    // text (compared pixel for pixel with a box drawn by the test).
    template <typename Action>
    static bool shows_message(const char* text, int question, Action action)
    {
        SDL_FillRect(screen, nullptr, 0);
        push_button(13);
        action();
        std::vector<Uint32> shown = message_snapshot();
        return shown == message_box_picture(text, question);
    }

    // Types digits on the on-screen keyboard (shift 0) by touching their
    // keys, then accepts (button 9) or cancels (button 8).
    static void push_typing(const std::string& digits, bool accept = true);

    // An account folder: data.st "<kind> <password>", settings.st, an empty
    // desktop.st and the four link folders (no picture: the default shows).
    static void make_account(const std::string& name, const std::string& kind, const std::string& password = "",
                             const std::string& settings = "wallpaper/Blue.png Blue 2 0 0 0 50");

    // A program file that may be run: folder (relative to the working
    // directory) and file are made; returns the folder's absolute path,
    // ending in "/", as links hold it.
    static std::string make_program(const std::string& folder, const std::string& file);
    // True when the process was replaced by the system shell running the
    // program dir + "/" + file (dir ends in "/"), followed by the way back
    // to the menu.
    static bool launched_program(const std::string& dir, const std::string& file);

    // The emulated console.
    static std::vector<std::string> trace();
    static void clear_trace();
    static bool traced(const std::string& line);
    // Index of the first trace line equal to line, -1 when absent.
    static int trace_index(const std::string& line);
    static void set_battery_level(int level);
    static void record_commands_only(bool on = true);

    // Files in the working directory.
    static void write_file(const std::string& path, const std::string& content);
    static std::string read_file(const std::string& path);
    static bool exists(const std::string& path);

protected:
    std::string work_dir;
    std::string start_dir;
};

// The fixture of a group (Fixture, or a fixture derived from ShellTest
// whose constructor passes on what it needs) that needs what.
template <Needs what, class Fixture = ShellTest>
class GroupNeeding : public Fixture {
protected:
    GroupNeeding() : Fixture(what) {}
};

// Skips the running test, with the reason, where the machine lacks what it
// needs: the first statement of a test of a group that needs nothing.
#define TEST_NEEDS(what)                                          \
    do {                                                          \
        if (const char* korvo_why = ShellTest::missing(what))     \
            GTEST_SKIP() << korvo_why;                            \
    } while (false)

// The source tree, for delivered resources and reference pictures.
std::string source_path(const std::string& relative);

// Runs work in a child process whose power is cut at the shell command
// numbered cut_at (from 0; "sync" is counted but not run, the others run
// on the host). 0 when the cut came, 1 when work ran past it, -1 else.
int run_with_power_cut(int cut_at, void (*work)());
