#include "stock/stock_apps.h"

#include "core/devices.h"
#include "core/events.h"
#include "core/files.h"
#include "core/text.h"
#include "dialogs/dialogs.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "platform/platform.h"

#include <array>
#include <string>
#include <sys/stat.h>

int32_t stock_app_selection = 0;

namespace {

constexpr const char* kStockLauncher = "/usr/gp2x/gph.gpu";
constexpr const char* kLaunchScript = "/mnt/nand/exect.gpe";
constexpr int kItems = 8;
constexpr int kColumnItems = 4;   // two columns of four

// Layout                             x    y    w    h
constexpr SDL_Rect kWindow        = { 50,  25, 113, 195};

struct StockItem {
    int highlight_x, highlight_y;   // the 36 x 11 highlight bar
    SDL_Rect touch;
    const char* lines;              // what runs the program, each line ended
};

// The calibration needs the touch screen's settings in its environment.
constexpr const char* kTslibExports =
    "export TSLIB_CONSOLEDEVICE=none\n"
    "export TSLIB_FBDEVICE=/dev/fb0\n"
    "export TSLIB_TSDEVICE=/dev/input/event0\n"
    "export TSLIB_CALIBFILE=/etc/pointercal\n"
    "export TSLIB_PLUGINDIR=/lib/ts\n";
constexpr const char* kCalibrate = "cd /usr/gp2x\n/usr/gp2x/ts_calibrate\n";
constexpr int kCalibration = 6;

// item  highlight     touch x    y   w   h
constexpr std::array<StockItem, kItems> kStockItems = {{
    { 63,  65, { 65,  40, 31, 35}, "/usr/gp2x/gph.gpu --enable-terminate\n"},
    { 63, 109, { 65,  80, 31, 39}, "/usr/gp2x/gph.gpu --view-flash --enable-terminate\n"},
    { 63, 148, { 65, 122, 31, 37}, "/usr/gp2x/gph.gpu --view-photo --enable-terminate\n"},
    { 63, 194, { 65, 170, 31, 44}, "/usr/gp2x/LineDraw.gpe\n"},
    {113,  65, {115,  40, 31, 35}, "/usr/gp2x/gph.gpu --view-ebook --enable-terminate\n"},
    {113, 109, {115,  80, 31, 39}, "/usr/gp2x/gph.gpu --view-music --enable-terminate\n"},
    {113, 148, {115, 122, 31, 37}, nullptr},   // the calibration: exports, then kCalibrate
    {113, 194, {115, 170, 31, 44}, "/usr/gp2x/TCPMP.gpe --enable-terminate\n"},
}};

enum Button { kUp = 0, kLeft = 2, kDown = 4, kRight = 6, kLaunch = 13, kCloseX = 14, kCloseY = 15 };

enum class Chosen { ByButton, ByTouch };

SDL_Surface* window_picture;
SDL_Surface* highlight_bar;

std::string item_lines(int item)
{
    if (item == kCalibration)
        return std::string(kTslibExports) + kCalibrate;
    return kStockItems[static_cast<size_t>(item)].lines;
}

// Calibration chosen by touch starts the launcher by its full path and
// without the first "cd"; every other choice by the same frame.
std::string launch_script(int item, Chosen how)
{
    if (item == kCalibration && how == Chosen::ByTouch)
        return std::string("#!/bin/sh\n") + kTslibExports + kCalibrate + "exec /usr/gp2x/gp2xmenu\n";
    return "#!/bin/sh\ncd /usr/gp2x\n" + item_lines(item) + "exec ./gp2xmenu \n";
}

// The script is run as a program of its own, so it must be executable (the
// console's FAT-formatted NAND makes every file so; elsewhere it is set).
bool write_launch_script(const char* root, int item, Chosen how)
{
    char path[600];
    if (!format_into(path, "%s%s", root, kLaunchScript) || !replace_file(path, launch_script(item, how)))
        return false;
    chmod(path, 0755);
    return true;
}

bool stock_launcher_present(const char* root)
{
    char path[600];
    return format_into(path, "%s%s", root, kStockLauncher) && file_exists(path);
}

void launch(SDL_Surface* surface, const char* skin, const char* root, int item, Chosen how)
{
    wait_box(surface, skin);
    if (!write_launch_script(root, item, how))
        return;
    platform_run("sync");
    close_devices();
    SDL_Quit();
    replace_or_end(kLaunchScript);
}

void draw(SDL_Surface* surface)
{
    const StockItem& selected = kStockItems[static_cast<size_t>(stock_app_selection)];
    blit_onto(surface, window_picture, kWindow.x, kWindow.y);
    blit_onto(surface, highlight_bar, selected.highlight_x, selected.highlight_y);
    show_whole_screen(surface);
}

// Moves the highlight; false when the button closes the window.
bool move(int button)
{
    int& s = stock_app_selection;
    switch (button) {
    case kCloseX:
    case kCloseY:
        return false;
    case kUp:
        s = wrapped_step(s, -1, kItems);
        break;
    case kDown:
        s = wrapped_step(s, +1, kItems);
        break;
    case kLeft:
        s = s >= kColumnItems ? s - kColumnItems : s + kColumnItems;
        break;
    case kRight:
        s = s < kColumnItems ? s + kColumnItems : s - kColumnItems;
        break;
    default:
        break;
    }
    return true;
}

int touched_item(int x, int y)
{
    for (int item = 0; item < kItems; ++item)
        if (point_in(x, y, kStockItems[static_cast<size_t>(item)].touch))
            return item;
    return -1;
}

} // namespace

void show_stock_applications(SDL_Surface* surface, const char* skin)
{
    run_stock_applications(surface, skin, "");
}

void run_stock_applications(SDL_Surface* surface, const char* skin, const char* root)
{
    load_cached(window_picture, "gphapps.png", skin);
    load_cached(highlight_bar, "gphsel.png", skin);
    if (!stock_launcher_present(root)) {
        message_box(surface, "GPH launcher not found!", 0, skin);
        return;
    }
    if (stock_app_selection < 0 || stock_app_selection >= kItems)
        stock_app_selection = 0;
    for (;;) {
        draw(surface);
        SDL_Event e;
        wait_event_into(e);
        if (e.type == SDL_JOYBUTTONDOWN) {
            if (e.jbutton.button == kLaunch) {
                launch(surface, skin, root, stock_app_selection, Chosen::ByButton);
                return;
            }
            if (!move(e.jbutton.button))
                return;
        } else if (e.type == SDL_MOUSEBUTTONDOWN) {
            if (!point_in(e.button.x, e.button.y, kWindow))
                return;
            int item = touched_item(e.button.x, e.button.y);
            if (item >= 0) {
                play_click();
                launch(surface, skin, root, item, Chosen::ByTouch);
                return;
            }
        }
    }
}
