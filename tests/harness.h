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

class ShellTest : public ::testing::Test {
protected:
#ifdef KORVO_WIZ_TESTS
    // Skips the test (before any set-up) where SDL can open no display.
    ShellTest();
#endif
    void SetUp() override;
    void TearDown() override;

public:
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
        std::vector<Uint32> shown = snapshot();
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

// The source tree, for delivered resources and reference pictures.
std::string source_path(const std::string& relative);

// Runs work in a child process whose power is cut at the shell command
// numbered cut_at (from 0; "sync" is counted but not run, the others run
// on the host). 0 when the cut came, 1 when work ran past it, -1 else.
int run_with_power_cut(int cut_at, void (*work)());
