// Helpers of the tests of the accounts, link properties, program scan and
// stock applications windows.
#pragma once

#include "harness.h"

#include "dialogs/dialogs.h"
#include "frames.h"

#include <string>
#include <vector>

// True when the screen shows the message box with text, whatever lies
// around it (e.g. the keyboard's last frame or the window beneath): drawing
// that box again over the screen then changes nothing.
inline bool box_shows(const char* text, int question)
{
    std::vector<Uint32> shown = ShellTest::message_snapshot();
    ShellTest::push_button(13);
    message_box(screen, text, question, skin_name[0] ? skin_name : "Blue");
    return ShellTest::message_snapshot() == shown;
}

// Runs action and counts the frames it showed that were the message box
// with text (answered by an event pushed beforehand), for a box the window
// draws over at once when it is answered.
template <typename Action>
int frames_showing_box(const char* text, int question, Action action)
{
    std::vector<SDL_Surface*> frames;
    {
        FrameWatch watch([&](SDL_Surface* shown) {
            frames.push_back(SDL_ConvertSurface(shown, shown->format, SDL_SWSURFACE));
        });
        action();
    }
    int showing = 0;
    for (SDL_Surface* frame : frames) {
        SDL_BlitSurface(frame, nullptr, screen, nullptr);
        showing += box_shows(text, question) ? 1 : 0;
        SDL_FreeSurface(frame);
    }
    return showing;
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
