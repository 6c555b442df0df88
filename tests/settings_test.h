// The fixture of the settings windows' tests: the user "amy" logged on with
// the skin "Blue", the system window open over the desktop.
#pragma once

#include "harness.h"

#include "core/text.h"
#include "gfx/sound.h"

class SettingsTest : public ShellTest {
protected:
    explicit SettingsTest(Needs needs = Needs::display) : ShellTest(needs) {}
    void SetUp() override
    {
        ShellTest::SetUp();
        make_account("amy", "user");
        copy_text(user_name, "amy");
        copy_text(user_kind, "user");
        copy_text(skin_name, "Blue");
        copy_text(wallpaper_name, "wallpaper/Blue.png");
        current_window = drawn_window = WindowId::System;
        return_window = WindowId::System;
    }

    // One pushed event handled by a window's input handler.
    static void press(void (*input)(), int button) { push_button(button), input(); }
    static void tap(void (*input)(), int x, int y) { push_touch(x, y), input(); }
    static void push_buttons(int button, int times)
    {
        for (int i = 0; i < times; ++i)
            push_button(button);
    }
    // The click is loaded on its first play: a loaded sample means a click.
    static bool clicked()
    {
        require(Needs::sound, "clicked");
        return sound_sample(Sound::Click) != nullptr;
    }
    static std::string settings_file() { return read_file("user/amy/settings.st"); }
};
