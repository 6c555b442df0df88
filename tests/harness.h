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
