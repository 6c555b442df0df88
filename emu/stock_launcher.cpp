// The emulator's stand-in for the console's stock launcher (installed as
// "/usr/gp2x/gp2xmenu", kept as "gph.gpu" once the shell is installed). It
// offers what a user of the real one would do with the shell's card: start
// the shell from the card, run its installer, or switch the console off.
// Given one of the firmware's viewer options it shows that viewer instead
// and returns when a button is pressed.
#include "emu/standin.h"

#include "platform/pc_console.h"
#include "platform/platform.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr const char* kCardFolder = "/mnt/sd/korvo";

enum class Choice { StartShell, Install, PowerOff };

struct MenuItem {
    std::string_view label;
    Choice choice;
};

constexpr std::array<MenuItem, 3> kMenu = {{
    {"Start Korvo from the card", Choice::StartShell},
    {"Install Korvo",             Choice::Install},
    {"Power off",                 Choice::PowerOff},
}};

// Rows of the menu: text at (kMenuX, kMenuTop + i * kRowHeight); a touch
// anywhere on a row chooses it.
constexpr int kMenuX = 40;
constexpr int kMenuTop = 100;
constexpr int kRowHeight = 30;

constexpr int kButtonUp = 0;
constexpr int kButtonDown = 4;
constexpr int kButtonA = 12;
constexpr int kButtonB = 13;

// What the last choice could not start ("" when it could), shown under the
// menu: a card without the shell (pulled, or not unpacked) leaves the
// launcher running, as the real one stays.
std::string not_started;

void draw_menu(int selected)
{
    standin_clear(16, 40, 96);
    standin_text(72, 24, "GP2X WIZ  -  stock launcher");
    standin_text(72, 40, "(emulator stand-in)");
    if (!not_started.empty())
        standin_text(kMenuX, 196, "could not start " + not_started);
    for (size_t i = 0; i < kMenu.size(); ++i)
        standin_text(kMenuX, kMenuTop + static_cast<int>(i) * kRowHeight, kMenu[i].label,
                     static_cast<int>(i) == selected);
    standin_text(16, 220, "Up/Down: choose   B: start");
    standin_show();
}

void carry_out(Choice choice)
{
    switch (choice) {
    case Choice::StartShell:
        standin_log("starting Korvo.gpe from the card");
        standin_replace(kCardFolder, "./Korvo.gpe");
        not_started = "Korvo.gpe";
        break;
    case Choice::Install:
        standin_log("starting installer.gpe from the card");
        standin_replace(kCardFolder, "./installer.gpe");
        not_started = "installer.gpe";
        break;
    case Choice::PowerOff:
        standin_log("power off");
        platform_power_cut();
        break;
    }
}

int touched_row(int y)
{
    int row = (y - kMenuTop + kRowHeight / 3) / kRowHeight;
    return y + kRowHeight / 3 >= kMenuTop && row < static_cast<int>(kMenu.size()) ? row : -1;
}

void run_menu()
{
    int selected = 0;
    for (;;) {
        draw_menu(selected);
        int x = 0;
        int y = 0;
        int button = standin_wait_press(&x, &y);
        int count = static_cast<int>(kMenu.size());
        if (button == kButtonUp)
            selected = (selected + count - 1) % count;
        else if (button == kButtonDown)
            selected = (selected + 1) % count;
        else if (button == kButtonA || button == kButtonB)
            carry_out(kMenu[static_cast<size_t>(selected)].choice);
        else if (button == -1 && touched_row(y) >= 0)
            carry_out(kMenu[static_cast<size_t>(touched_row(y))].choice);
        else if (button == -2)
            return;
    }
}

// "--view-photo" and the like: the firmware's viewers, shown by name.
void run_viewer(const std::string& options)
{
    standin_clear(40, 40, 40);
    standin_text(40, 100, "stock launcher viewer:");
    standin_text(40, 116, options);
    standin_text(40, 200, "any button: back");
    standin_show();
    standin_wait_press();
    standin_log("viewer closed");
}

} // namespace

int main(int argc, char** argv)
{
    // A launcher cut short does not start on the console; neither does
    // this one, so that no test can take a cut launcher for a working one.
    if (!standin_is_whole()) {
        std::fprintf(stderr, "%s: incomplete program, not started\n", argv[0]);
        if (pc_emu_active())
            pc_emu_log("programs.log", "incomplete program, not started");
        return 126;
    }
    std::string options;
    for (int i = 1; i < argc; ++i)
        options += std::string(i > 1 ? " " : "") + argv[i];
    std::string note = std::string("as ") + argv[0];
    if (!options.empty())
        note += " " + options;
    standin_start(note);
    std::string views = options;
    size_t terminate = views.find("--enable-terminate");
    if (terminate != std::string::npos)
        views.erase(terminate, std::strlen("--enable-terminate"));
    if (views.find("--view-") != std::string::npos)
        run_viewer(options);
    else
        run_menu();
    SDL_Quit();
    return 0;
}
