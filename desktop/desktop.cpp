#include "desktop/desktop.h"

#include "core/devices.h"
#include "core/state.h"
#include "core/text.h"
#include "gfx/font.h"
#include "gfx/icons.h"
#include "gfx/image.h"
#include "gfx/layer.h"
#include "gfx/spans.h"
#include "platform/platform.h"

#include <algorithm>
#include <array>
#include <utility>
#include <cstddef>
#include <cstring>
#include <ctime>

namespace {

struct Spot {
    int x, y;
};

constexpr int kScreenWidth = 320;
constexpr int kScreenHeight = 240;

// Taskbar and desktop positions (screen pixels).
//                                  x    y
constexpr Spot kBottomBar       = {  0, 220};   // 320 x 20
constexpr Spot kStartButton     = {  1, 221};   //  40 x 18
constexpr Spot kGphButton       = { 90, 222};   //  32 x 16, desktop only
constexpr Spot kRemoveButton    = {140, 222};   //  16 x 16, with a selection
constexpr Spot kCpuIcon         = {165, 222};   //  16 x 16, with a selection
constexpr Spot kCpuText         = {181, 223};
constexpr Spot kSpeaker         = {218, 222};   //  16 x 16
constexpr Spot kVolumeText      = {234, 227};
constexpr Spot kBatteryIcon     = {250, 222};   //  16 x 16
constexpr Spot kBatteryWarning  = {236, 185};   //  80 x 34
constexpr Spot kClock24         = {270, 223};   // drawn again 1 pixel right: bold
constexpr Spot kClock12         = {265, 223};

// The shortcut grid: columns of four, filled top to bottom, then rightwards.
constexpr int kGridRows = 4;
constexpr int kColumnPitch = 51;
constexpr int kRowPitch = 49;
constexpr Spot kHighlightOffset = {  6, 20};   // 40 x 40 frame, 4 pixels around the icon
constexpr Spot kIconOffset      = { 10, 24};   // 32 x 32
constexpr Spot kLabelOffset     = { 23, 60};   // centre x and top of the name label
constexpr size_t kLabelLength = 9;
constexpr int kLabelField = 50;   // a column is 51 pixels wide

// The description bar: 220 x 20 at x 50, sliding from y -20 to 0.
constexpr int kDescBarX = 50;
constexpr int kDescBarWidth = 220;
constexpr int kDescBarHeight = 20;
constexpr int kDescBarHidden = -20;
constexpr int kDescTextCentre = 160;
constexpr int kDescLargeWidthMax = 200;
// A longer description is cut to this many pixels of the small font, so
// that centred on x 163 (the 3-pixel lead) it keeps inside the 220-pixel bar.
constexpr int kDescSmallField = 200;
constexpr int kDescLargeTextDrop = 2;
constexpr int kDescSmallTextDrop = 5;

constexpr int kLowBatteryLevel = 4;

enum class Picture { BottomBar, StartButton, Warning, Highlight, Cpu, Remove, Gph, Speaker, Mute, DescBar, Last };

constexpr std::array<const char*, static_cast<size_t>(Picture::Last)> kPictureFiles = {
    "bottombar.png", "startbutton.png", "battery/warning.png", "dsel.png", "cpu.png",
    "delete.png",    "gph.png",         "speaker.png",         "mute.png", "descbar.png",
};

std::array<SDL_Surface*, kPictureFiles.size()> pictures{};

// The battery icon of each level, loaded the first time that level shows,
// for the skin named in battery_skin; a change of skin loads them afresh.
std::array<SDL_Surface*, kLowBatteryLevel + 1> battery_icons{};
char battery_skin[sizeof skin_name];
SDL_Surface* battery_icon = nullptr;   // the one to show, from battery_icons

// The description bar remembers the item it was last drawn for (none before
// its first use) and whether its slide has finished.
int desc_bar_item = -1;
bool desc_bar_finished = false;

char clock_buffer[10];

SDL_Surface* picture(Picture which)
{
    return pictures[static_cast<size_t>(which)];
}

void blit(Picture which, Spot at)
{
    blit_at(picture(which), at.x, at.y);
}

// A picture that comes (or is still missing, to be tried again on the next
// draw) changes what the layers show.
bool pictures_complete = false;

void load_missing_pictures()
{
    if (pictures_complete)
        return;
    pictures_complete = true;
    for (size_t i = 0; i < pictures.size(); ++i) {
        if (!pictures[i]) {
            pictures[i] = load_skin_image(kPictureFiles[i], skin_name);
            prepare_spans(pictures[i]);
            layers_changed();
            pictures_complete = pictures_complete && pictures[i];
        }
    }
}

void load_wallpaper()
{
    if (wallpaper_image)
        return;
    wallpaper_image = load_skin_image(wallpaper_name, skin_name);
    zoom_image(wallpaper_image, kScreenWidth, kScreenHeight);
    // A new wallpaper may well be allocated where the old one was.
    layers_changed();
}

void release_battery_icons()
{
    for (SDL_Surface*& icon : battery_icons) {
        SDL_FreeSurface(icon);
        icon = nullptr;
    }
    battery_skin[0] = '\0';
}

// The level is read on every draw (into the layer's key); its picture is
// decoded only the first time it shows (and tried again while it is
// missing).
void load_battery_icon(int level)
{
    battery_icon = nullptr;
    if (level < 1 || level > kLowBatteryLevel)
        return;
    if (std::strcmp(battery_skin, skin_name) != 0) {
        release_battery_icons();
        copy_text(battery_skin, skin_name);
    }
    SDL_Surface*& icon = battery_icons[static_cast<size_t>(level)];
    if (!icon) {
        char name[16];
        format_into(name, "battery/%d.png", level);
        icon = load_skin_image(name, skin_name);
        layers_changed();
    }
    battery_icon = icon;
}

bool in_use(int item)
{
    return item >= 0 && item < kDesktopSlots && desktop_items[item].link_name[0] != '\0';
}

void draw_clock()
{
    const char* text = clock_text(clock_12h);
    Spot at = clock_12h ? kClock12 : kClock24;
    draw_text(screen, at.x, at.y, text, 1, skin_name);
    draw_text(screen, at.x + 1, at.y, text, 1, skin_name);
}

void draw_volume()
{
    char text[12];
    format_into(text, "%d", volume);
    draw_small_text(screen, kVolumeText.x, kVolumeText.y, text, 1, skin_name);
}

// The taskbar as every window shows it. On the desktop itself the button
// of the stock applications comes too, drawn over the bar afterwards:
// nothing else of the taskbar lies where it does.
void draw_taskbar(int battery)
{
    blit(Picture::BottomBar, kBottomBar);
    blit(Picture::StartButton, kStartButton);
    blit_at(battery_icon, kBatteryIcon.x, kBatteryIcon.y);
    blit(volume != 0 ? Picture::Speaker : Picture::Mute, kSpeaker);
    if (battery == kLowBatteryLevel)
        blit(Picture::Warning, kBatteryWarning);
    draw_clock();
    draw_volume();
}

Spot grid_origin(int item)
{
    return {kColumnPitch * (item / kGridRows), kRowPitch * (item % kGridRows)};
}

// The frame, the name label and the processor text of the selected icon
// (the taskbar's processor and remove buttons come with the desktop's layer).
void draw_selected(int item)
{
    const LinkRecord& record = desktop_items[item];
    Spot cell = grid_origin(item);
    blit(Picture::Highlight, {cell.x + kHighlightOffset.x, cell.y + kHighlightOffset.y});
    char label[kLabelLength + 1];
    copy_text(label, record.title);
    draw_centred_text(screen, FontSize::Small, cell.x + kLabelOffset.x, cell.y + kLabelOffset.y, kLabelField, label,
                      0, skin_name);
    draw_text(screen, kCpuText.x, kCpuText.y, record.cpu_mhz, 1, skin_name);
}

// --- the desktop's layer ---
//
// Wallpaper, taskbar and shortcut icons, with the taskbar's buttons that
// only the desktop itself shows (the stock applications, and with a
// selection the processor and remove buttons): the desktop beneath its
// selection. Every other window shows it beneath itself with those buttons
// painted over as the plain drawing leaves the bar there (wallpaper and bar
// only: nothing else of the desktop lies where they do). Besides what every
// layer's key holds, the desktop's tells the wallpaper and the icons
// themselves, so that a table filled anew without a reload (a reset of the
// shell's state) is composed anew too.

Layer desktop_layer;

// The shortcuts the desktop shows, counted as its pictures are readied for
// a draw.
int shown_shortcuts = 0;

int shortcut_count()
{
    return shown_shortcuts;
}

// The key once the pictures are loaded (a picture loaded for it moves the
// generation), with the battery level its picture was chosen for. The
// shortcuts are counted as their icons are.
LayerKey desktop_key(int battery)
{
    int count = 0;
    uintptr_t icons = 0;
    for (const LinkRecord* item = desktop_items; count < kDesktopSlots && item->link_name[0]; ++item, ++count)
        icons = icons * 31 + reinterpret_cast<uintptr_t>(item->icon);
    shown_shortcuts = count;
    LayerKey key = layer_key(WindowId::Desktop, reinterpret_cast<intptr_t>(wallpaper_image), count,
                             static_cast<intptr_t>(icons), selection >= 0 && selection < count);
    key.battery = battery;
    return key;
}

int composed_battery = 0;

bool has_selection()
{
    return selection >= 0 && selection < shortcut_count();
}

void forget_icon_reach();

void compose_desktop()
{
    forget_icon_reach();
    blit_at(wallpaper_image, 0, 0);
    draw_taskbar(composed_battery);
    blit(Picture::Gph, kGphButton);
    for (int i = 0; i < kDesktopSlots && in_use(i); ++i) {
        Spot cell = grid_origin(i);
        blit_at(desktop_items[i].icon, cell.x + kIconOffset.x, cell.y + kIconOffset.y);
    }
    if (has_selection()) {
        blit(Picture::Cpu, kCpuIcon);
        blit(Picture::Remove, kRemoveButton);
    }
}

// The rectangle of the taskbar's buttons that only the desktop shows.
SDL_Rect desktop_buttons()
{
    SDL_Rect around = {static_cast<Sint16>(kGphButton.x), static_cast<Sint16>(kGphButton.y), 0, 0};
    int right = kGphButton.x, bottom = kGphButton.y;
    for (auto [which, at] : {std::pair{Picture::Gph, kGphButton}, std::pair{Picture::Cpu, kCpuIcon},
                             std::pair{Picture::Remove, kRemoveButton}}) {
        if (const SDL_Surface* p = picture(which)) {
            around.x = static_cast<Sint16>(std::min<int>(around.x, at.x));
            around.y = static_cast<Sint16>(std::min<int>(around.y, at.y));
            right = std::max(right, at.x + p->w);
            bottom = std::max(bottom, at.y + p->h);
        }
    }
    around.w = static_cast<Uint16>(right - around.x);
    around.h = static_cast<Uint16>(bottom - around.y);
    return around;
}

// Beneath another window those buttons are not there: the wallpaper and the
// bar are painted over them again.
void paint_over_desktop_buttons()
{
    SDL_Rect buttons = desktop_buttons();
    if (buttons.w == 0 || buttons.h == 0)
        return;
    SDL_SetClipRect(screen, &buttons);
    blit_at(wallpaper_image, 0, 0);
    blit(Picture::BottomBar, kBottomBar);
    SDL_SetClipRect(screen, nullptr);
}

// Loads what the desktop shows.
void load_desktop_pictures()
{
    load_wallpaper();
    load_missing_pictures();
    composed_battery = frame_battery_level();
    load_battery_icon(composed_battery);
}

// Loads what the desktop shows and gives its layer's key.
LayerKey ready_desktop()
{
    load_desktop_pictures();
    return desktop_key(composed_battery);
}

// Whether the highlight frame shows under a pixel of the icon it surrounds
// that shows too: the plain order draws the icon over its frame, so the
// overlay draws it again then. The frame's pixels inside the icon's square
// are looked at once for each frame picture (a ring's inner rim has a few
// there, where a keyed icon's corners are mostly see-through); a frame with
// more of them than are kept reaches every icon.
struct FramePoint {
    int x, y;   // in the icon's coordinates
};
constexpr size_t kMostFramePoints = 64;
std::array<FramePoint, kMostFramePoints> frame_points{};
size_t frame_point_count = 0;
bool frame_covers_icons = true;
const SDL_Surface* frame_looked_at = nullptr;

void look_at_frame(const SDL_Surface* frame)
{
    frame_looked_at = frame;
    frame_point_count = 0;
    frame_covers_icons = false;
    if (!frame)
        return;
    Spot icon = {kIconOffset.x - kHighlightOffset.x, kIconOffset.y - kHighlightOffset.y};
    for (int y = 0; y < kIconSize; ++y)
        for (int x = 0; x < kIconSize; ++x) {
            if (!pixel_shows(frame, icon.x + x, icon.y + y))
                continue;
            if (frame_point_count == frame_points.size()) {
                frame_covers_icons = true;
                return;
            }
            frame_points[frame_point_count++] = {x, y};
        }
}

bool frame_reaches(const SDL_Surface* icon)
{
    if (!icon)
        return false;
    if (frame_covers_icons)
        return true;
    for (size_t i = 0; i < frame_point_count; ++i)
        if (pixel_shows(icon, frame_points[i].x, frame_points[i].y))
            return true;
    return false;
}

// What frame_reaches found for the icon of each shortcut, kept while the
// desktop's layer stays: composing it looks at them afresh (the icons are
// in its key).
enum class Reach : uint8_t { Unknown, Reaches, Clear };
std::array<Reach, kDesktopSlots> icon_reach{};

void forget_icon_reach()
{
    icon_reach.fill(Reach::Unknown);
}

bool frame_reaches_icon(int item)
{
    const SDL_Surface* frame = picture(Picture::Highlight);
    if (frame != frame_looked_at) {
        look_at_frame(frame);
        forget_icon_reach();
    }
    Reach& reach = icon_reach[static_cast<size_t>(item)];
    if (reach == Reach::Unknown)
        reach = frame_reaches(desktop_items[item].icon) ? Reach::Reaches : Reach::Clear;
    return reach == Reach::Reaches;
}

// The desktop's overlay: the selected icon's frame, label and processor
// text (nothing of the layer lies over any of them but, where the frame
// reaches under it, the icon).
void draw_desktop_overlay()
{
    if (!has_selection())
        return;
    draw_selected(selection);
    if (frame_reaches_icon(selection)) {
        Spot cell = grid_origin(selection);
        blit_at(desktop_items[selection].icon, cell.x + kIconOffset.x, cell.y + kIconOffset.y);
    }
}

void draw_desc_bar_at(int y, const char* text)
{
    blit(Picture::DescBar, {kDescBarX, y});
    int width = text_width(text);
    if (width <= kDescLargeWidthMax)
        draw_text(screen, kDescTextCentre - width / 2, y + kDescLargeTextDrop, text, 0, skin_name);
    else
        draw_centred_text(screen, FontSize::Small, kDescTextCentre, y + kDescSmallTextDrop, kDescSmallField, text,
                          0, skin_name);
}

// The rows the sliding bar reaches: the top of the screen, as wide and as
// high as its picture.
void show_desc_bar_band()
{
    const SDL_Surface* bar = picture(Picture::DescBar);
    int width = bar ? bar->w : kDescBarWidth;
    int height = bar ? bar->h : kDescBarHeight;
    platform_update(screen, kDescBarX, 0, width, height);
}

void hide_desc_bar()
{
    desc_bar_finished = false;
    desc_bar_y = kDescBarHidden;
}

} // namespace

void draw_desktop()
{
    LayerKey key = ready_desktop();
    if (current_window == WindowId::Desktop) {
        show_layer(desktop_layer, key, compose_desktop);
        draw_desktop_overlay();
    } else {
        if (!compose_if_changed(desktop_layer, key, compose_desktop))
            paint_layer(desktop_layer);
        paint_over_desktop_buttons();
    }
    if (in_use(selection))
        draw_desc_bar(selection);
}

namespace {

void (*window_compose)() = nullptr;

void compose_over_desktop()
{
    paint_desktop_beneath();
    if (window_compose)
        window_compose();
}

} // namespace

void show_window_layer(WindowId window, void (*compose)(), intptr_t a, intptr_t b, intptr_t c, intptr_t d)
{
    // Pictures of the desktop loaded now move the generation before the
    // window's key takes it.
    load_desktop_pictures();
    window_compose = compose;
    show_layer(window_layer(), layer_key(window, a, b, c, d), compose_over_desktop);
}

void paint_desktop_beneath()
{
    LayerKey key = ready_desktop();
    if (!compose_if_changed(desktop_layer, key, compose_desktop))
        paint_layer(desktop_layer);
    paint_over_desktop_buttons();
}

void draw_desc_bar(int item)
{
    if (desc_bar_item < 0)
        desc_bar_item = item;
    load_missing_pictures();
    if (desc_bar_on == 0) {
        hide_desc_bar();
        return;
    }
    if (item != desc_bar_item)
        hide_desc_bar();
    const char* text = desktop_items[item].description;
    // Each step of the slide is shown at once, and only the band the bar
    // slides in changes; the desktop beneath is not repainted, the bar
    // covers its own previous frame.
    while (!desc_bar_finished && desc_bar_y != 0) {
        draw_desc_bar_at(desc_bar_y, text);
        show_desc_bar_band();
        ++desc_bar_y;
    }
    if (desc_bar_y == 0)
        desc_bar_finished = true;
    draw_desc_bar_at(desc_bar_y, text);
    desc_bar_item = item;
}

const char* clock_text(int twelve_hour)
{
    time_t now = platform_time();
    struct tm local {};
    localtime_r(&now, &local);
    if (strftime(clock_buffer, sizeof clock_buffer, twelve_hour ? "%I:%M%p" : "%H:%M", &local) == 0)
        clock_buffer[0] = '\0';
    return clock_buffer;
}

void release_desktop_images()
{
    for (SDL_Surface*& surface : pictures) {
        SDL_FreeSurface(surface);
        surface = nullptr;
    }
    release_battery_icons();
    battery_icon = nullptr;
    forget_layer(desktop_layer);
    pictures_complete = false;
    frame_looked_at = nullptr;
    layers_changed();
    desc_bar_item = -1;
    desc_bar_finished = false;
}
