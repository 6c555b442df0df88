#include "stock/recovery.h"

#include "core/devices.h"
#include "core/events.h"
#include "core/files.h"
#include "core/version.h"
#include "dialogs/dialogs.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "platform/platform.h"
#include "users/user_files.h"

#include <array>

namespace {

constexpr const char* kSkin = "Gold";
constexpr const char* kStockLauncher = "/usr/gp2x/gph.gpu";
constexpr Uint32 kPleaseWaitMs = 1000;

constexpr int kButtonProceed = 14;    // X
constexpr int kButtonLauncher = 12;   // A
constexpr int kButtonUninstall = 15;  // Y
constexpr int kButtonNoAutologon = 13;  // B

struct Line {
    int x, y;
    const char* text;
};
// The screen is black, so its text is drawn in the white font.
constexpr std::array<Line, 6> kLines = {{
    { 85,   5, "Korvo - Recovery screen"},
    {100,  17, "-------------------------"},
    {  8,  48, "(X) : Proceed with Korvo execution"},
    {  8,  78, "(A) : Start GPH launcher"},
    {  8, 108, "(Y) : Uninstall Korvo"},
    {  8, 168, "(B) : Switch off automatic logon"},
}};
constexpr Line kPleaseWait = {15, 138, "Please wait..."};
constexpr Line kCredit = {0, 220, kKorvoCredit};

void draw(SDL_Surface* surface)
{
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    for (const Line& line : kLines)
        draw_text(surface, line.x, line.y, line.text, 1, kSkin);
    draw_small_text(surface, kCredit.x, kCredit.y, kCredit.text, 1, kSkin);
    show_whole_screen(surface);
}

void please_wait(SDL_Surface* surface)
{
    draw_text(surface, kPleaseWait.x, kPleaseWait.y, kPleaseWait.text, 1, kSkin);
    show_whole_screen(surface);
    SDL_Delay(kPleaseWaitMs);
}

void start_launcher(SDL_Surface* surface, bool installed)
{
    please_wait(surface);
    platform_chdir("/usr/gp2x");
    close_devices();
    SDL_Quit();
    replace_or_end(installed ? "gph.gpu" : "gp2xmenu");
}

// True when the uninstaller was started.
bool uninstall(SDL_Surface* surface, bool installed)
{
    if (!message_box(surface, "Are you sure?", 1, kSkin))
        return false;
    if (!installed) {
        message_box(surface, "Korvo is not installed.", 0, kSkin);
        return false;
    }
    close_devices();
    SDL_Quit();
    platform_chdir("/usr/gp2x");
    replace_or_end("/usr/gp2x/uninstall.gpe");
    return true;
}

} // namespace

void show_recovery_screen(SDL_Surface* surface)
{
    bool installed = file_exists(kStockLauncher);
    for (;;) {
        draw(surface);
        SDL_Event e;
        wait_event_into(e);
        if (e.type != SDL_JOYBUTTONDOWN)
            continue;
        switch (e.jbutton.button) {
        case kButtonNoAutologon:
            // The way out of an automatic logon whose password is
            // forgotten: the logon screen shows, with every account.
            switch_off_autologon();
            please_wait(surface);
            release_fonts();
            return;
        case kButtonProceed:
            please_wait(surface);
            release_fonts();
            return;
        case kButtonLauncher:
            start_launcher(surface, installed);
            return;
        case kButtonUninstall:
            if (uninstall(surface, installed))
                return;
            break;
        default:
            break;
        }
    }
}
