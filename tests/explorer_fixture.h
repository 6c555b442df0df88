// The explorer's tests: a logged-on user "amy", a card folder in the test's
// working directory, and the explorer opened on a folder of it.
#pragma once

#include "harness.h"

#include "core/text.h"
#include "explorer/explorer_window.h"

#include <string>

class ExplorerTest : public ShellTest {
protected:
    explicit ExplorerTest(Needs needs = Needs::display) : ShellTest(needs) {}
    void SetUp() override
    {
        ShellTest::SetUp();
        make_account("amy", "user");
        copy_text(user_name, "amy");
        copy_text(user_kind, "user");
        copy_text(skin_name, "Blue");
        card = work_dir + "/card/";
    }

    // Opens the explorer on dir of the card, as the window-change set-up leaves it.
    void open(const std::string& dir, const char* filter = "", WindowId back = WindowId::Desktop)
    {
        open_explorer(back, (card + dir).c_str(), filter, 1);
        selection = 0;
        list_top = 0;
    }

    static void press(int button)
    {
        push_button(button);
        explorer_input();
    }

    static void tap(int x, int y)
    {
        push_touch(x, y);
        explorer_input();
    }

    // True when the screen shows a message box with text, whatever lies
    // around it (the box was answered by an event pushed beforehand).
    static bool box_shows(const char* text)
    {
        std::vector<Uint32> shown = message_snapshot(), expected = message_box_picture(text, 0);
        for (size_t y = 50; y < 190; ++y)
            for (size_t x = 60; x < 260; ++x)
                if (shown[320 * y + x] != expected[320 * y + x])
                    return false;
        return true;
    }

    static bool all_read()
    {
        SDL_Event left;
        return SDL_PollEvent(&left) == 0;
    }

    std::string card;
};
