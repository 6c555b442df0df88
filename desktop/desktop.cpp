#include "desktop/desktop.h"

#include "core/devices.h"
#include "core/state.h"
#include "core/text.h"
#include "gfx/font.h"
#include "gfx/icons.h"
#include "gfx/image.h"
#include "platform/platform.h"

#include <array>
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

void load_missing_pictures()
{
    for (size_t i = 0; i < pictures.size(); ++i)
        if (!pictures[i])
            pictures[i] = load_skin_image(kPictureFiles[i], skin_name);
}

void load_wallpaper()
{
    if (wallpaper_image)
        return;
    wallpaper_image = load_skin_image(wallpaper_name, skin_name);
    zoom_image(wallpaper_image, kScreenWidth, kScreenHeight);
    // A new wallpaper may well be allocated where the old one was.
    forget_icon_layer();
}

void release_battery_icons()
{
    for (SDL_Surface*& icon : battery_icons) {
        SDL_FreeSurface(icon);
        icon = nullptr;
    }
    battery_skin[0] = '\0';
}

// The level is read on every draw; its picture is decoded only the first
// time it shows (and tried again while it is missing).
int load_battery_icon()
{
    battery_icon = nullptr;
    int level = battery_level();
    if (level < 1 || level > kLowBatteryLevel)
        return level;
    if (std::strcmp(battery_skin, skin_name) != 0) {
        release_battery_icons();
        copy_text(battery_skin, skin_name);
    }
    SDL_Surface*& icon = battery_icons[static_cast<size_t>(level)];
    if (!icon) {
        char name[16];
        format_into(name, "battery/%d.png", level);
        icon = load_skin_image(name, skin_name);
    }
    battery_icon = icon;
    return level;
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

void draw_taskbar(int battery)
{
    blit(Picture::BottomBar, kBottomBar);
    blit(Picture::StartButton, kStartButton);
    blit_at(battery_icon, kBatteryIcon.x, kBatteryIcon.y);
    blit(volume != 0 ? Picture::Speaker : Picture::Mute, kSpeaker);
    if (current_window == WindowId::Desktop)
        blit(Picture::Gph, kGphButton);
    if (battery == kLowBatteryLevel)
        blit(Picture::Warning, kBatteryWarning);
    draw_clock();
    draw_volume();
}

Spot grid_origin(int item)
{
    return {kColumnPitch * (item / kGridRows), kRowPitch * (item % kGridRows)};
}

// The frame, the name label and the taskbar details of the selected icon.
void draw_selected(int item)
{
    const LinkRecord& record = desktop_items[item];
    Spot cell = grid_origin(item);
    blit(Picture::Highlight, {cell.x + kHighlightOffset.x, cell.y + kHighlightOffset.y});
    char label[kLabelLength + 1];
    copy_text(label, record.title);
    draw_centred_text(screen, FontSize::Small, cell.x + kLabelOffset.x, cell.y + kLabelOffset.y, kLabelField, label,
                      0, skin_name);
    blit(Picture::Cpu, kCpuIcon);
    draw_text(screen, kCpuText.x, kCpuText.y, record.cpu_mhz, 1, skin_name);
    blit(Picture::Remove, kRemoveButton);
}

void draw_icons()
{
    for (int i = 0; i < kDesktopSlots && in_use(i); ++i) {
        if (i == selection && current_window == WindowId::Desktop)
            draw_selected(i);
        Spot cell = grid_origin(i);
        blit_at(desktop_items[i].icon, cell.x + kIconOffset.x, cell.y + kIconOffset.y);
    }
}

// --- the icon layer ---
//
// The wallpaper with the shortcut icons over it changes only when the
// wallpaper or the shortcuts change, so it is composed once into a layer
// and blitted whole. Only the selected cell is painted afresh over it:
// wallpaper, frame, label, icon, as the plain order paints them. The layer
// is used while every picture stays inside its cell (frame and icons no
// larger than the frame), so nothing of one cell reaches into another, and
// not while the low-battery warning shows (it lies under two icons).

struct LayerMark {
    const SDL_Surface* wallpaper = nullptr;
    std::array<const SDL_Surface*, kDesktopSlots> icons{};
    int count = 0;
    bool operator==(const LayerMark& o) const
    {
        return wallpaper == o.wallpaper && icons == o.icons && count == o.count;
    }
};

SDL_Surface* icon_layer = nullptr;
LayerMark layer_mark;
bool layer_valid = false;

constexpr int kFrameSize = 40;

int shortcut_count()
{
    int count = 0;
    while (count < kDesktopSlots && in_use(count))
        ++count;
    return count;
}

LayerMark mark_now()
{
    LayerMark mark;
    mark.wallpaper = wallpaper_image;
    mark.count = shortcut_count();
    for (int i = 0; i < mark.count; ++i)
        mark.icons[static_cast<size_t>(i)] = desktop_items[i].icon;
    return mark;
}

bool fits_cell(const SDL_Surface* picture, int size)
{
    return !picture || (picture->w <= size && picture->h <= size);
}

bool layer_usable(int battery)
{
    if (!wallpaper_image || battery == kLowBatteryLevel || !fits_cell(picture(Picture::Highlight), kFrameSize))
        return false;
    for (int i = 0; i < kDesktopSlots && in_use(i); ++i)
        if (!fits_cell(desktop_items[i].icon, kIconSize))
            return false;
    return true;
}

void compose_layer(const LayerMark& mark)
{
    const SDL_PixelFormat* f = screen->format;
    if (!icon_layer || icon_layer->format->BitsPerPixel != f->BitsPerPixel)
    {
        SDL_FreeSurface(icon_layer);
        icon_layer = SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenWidth, kScreenHeight, f->BitsPerPixel, f->Rmask,
                                          f->Gmask, f->Bmask, 0);
    }
    if (!icon_layer)
        return;
    // Composed on the screen (which the layer then covers) and copied: the
    // icons are only ever blitted onto the screen, so their run-length
    // encoding, made for the screen, is never made again for another target.
    blit_at(wallpaper_image, 0, 0);
    for (int i = 0; i < mark.count; ++i) {
        Spot cell = grid_origin(i);
        blit_at(desktop_items[i].icon, cell.x + kIconOffset.x, cell.y + kIconOffset.y);
    }
    SDL_BlitSurface(screen, nullptr, icon_layer, nullptr);
    layer_mark = mark;
    layer_valid = true;
}

void draw_selected_cell(int item)
{
    Spot cell = grid_origin(item);
    SDL_Rect frame;
    set_rect(frame, cell.x + kHighlightOffset.x, cell.y + kHighlightOffset.y, kFrameSize, kFrameSize);
    SDL_Rect to = frame;
    SDL_BlitSurface(wallpaper_image, &frame, screen, &to);
    draw_selected(item);
    blit_at(desktop_items[item].icon, cell.x + kIconOffset.x, cell.y + kIconOffset.y);
}

// Paints the wallpaper and the icons through the layer; false when the
// layer cannot stand in for them.
bool draw_through_layer(int battery)
{
    if (!screen || !layer_usable(battery))
        return false;
    LayerMark mark = mark_now();
    if (!layer_valid || !(mark == layer_mark))
        compose_layer(mark);
    if (!icon_layer)
        return false;
    blit_at(icon_layer, 0, 0);
    draw_taskbar(battery);
    if (current_window == WindowId::Desktop && selection >= 0 && selection < mark.count)
        draw_selected_cell(selection);
    return true;
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
    load_wallpaper();
    load_missing_pictures();
    int battery = load_battery_icon();
    if (!draw_through_layer(battery)) {
        blit_at(wallpaper_image, 0, 0);
        draw_taskbar(battery);
        draw_icons();
    }
    if (in_use(selection))
        draw_desc_bar(selection);
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

void forget_icon_layer()
{
    layer_valid = false;
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
    forget_icon_layer();
    SDL_FreeSurface(icon_layer);
    icon_layer = nullptr;
    desc_bar_item = -1;
    desc_bar_finished = false;
}
