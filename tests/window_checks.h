// Helpers of the tests of the accounts, link properties, program scan and
// stock applications windows.
#pragma once

#include "harness.h"

#include "dialogs/dialogs.h"

#include <string>
#include <vector>

// The message box region (216 x 154 at (52, 43)) of the screen.
inline std::vector<Uint32> box_region()
{
    std::vector<Uint32> pixels;
    for (int y = 43; y < 43 + 154; ++y)
        for (int x = 52; x < 52 + 216; ++x)
            pixels.push_back(ShellTest::pixel(x, y));
    return pixels;
}

// True when the screen shows, where message boxes go, the box with text
// (whatever lies around it, e.g. the keyboard's last frame).
inline bool box_shows(const char* text, int question)
{
    std::vector<Uint32> shown = box_region();
    SDL_Surface* saved = SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE);
    std::vector<Uint32> full = ShellTest::message_box_picture(text, question);
    SDL_BlitSurface(saved, nullptr, screen, nullptr);
    SDL_FreeSurface(saved);
    std::vector<Uint32> expected;
    for (int y = 43; y < 43 + 154; ++y)
        for (int x = 52; x < 52 + 216; ++x)
            expected.push_back(full[static_cast<size_t>(y * 320 + x)]);
    return shown == expected;
}

// Touches the keys of text on the keyboard (shift 0: digits and lower-case
// letters), after `erase` backspaces (button 14); then accepts (button 9)
// or cancels (button 8).
inline void push_keys(const std::string& text, int erase = 0, bool accept = true)
{
    static const std::string rows[4] = {"1234567890", "qwertyuiop", "asdfghjkl;", "zxcvbnm,./"};
    keyboard_shift = 0;
    for (int i = 0; i < erase; ++i)
        ShellTest::push_button(14);
    for (char c : text)
        for (int r = 0; r < 4; ++r) {
            size_t i = rows[r].find(c);
            if (i != std::string::npos)
                ShellTest::push_touch((r % 2 ? 44 : 31) + 25 * static_cast<int>(i) + 10, 83 + 25 * r + 10);
        }
    ShellTest::push_button(accept ? 9 : 8);
}

// The command lines run since the trace was last cleared.
inline std::vector<std::string> commands_run()
{
    std::vector<std::string> commands;
    for (const std::string& line : ShellTest::trace())
        if (line.rfind("run ", 0) == 0)
            commands.push_back(line.substr(4));
    return commands;
}
