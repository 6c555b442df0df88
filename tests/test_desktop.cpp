// The desktop on screen: taskbar, shortcut grid, selection details, battery,
// clock and the sliding description bar, drawn with solid-colour pictures.
#include "harness.h"

#include "frames.h"
#include "work_counts.h"
#include "resource_files.h"

#include "core/devices.h"
#include "shell/shell.h"
#include "core/text.h"
#include "desktop/desktop.h"
#include "gfx/font.h"
#include "platform/pc_console.h"

#include <string>
#include <vector>

namespace {

const std::string kSkin = "Test";

constexpr Rgb kWallpaper = {0, 96, 0};
constexpr Rgb kBottomBar = {96, 96, 96};
constexpr Rgb kStartButton = {248, 0, 0};
constexpr Rgb kWarning = {248, 248, 0};
constexpr Rgb kHighlight = {248, 0, 248};
constexpr Rgb kCpu = {0, 252, 248};
constexpr Rgb kRemove = {128, 0, 0};
constexpr Rgb kGph = {0, 128, 0};
constexpr Rgb kSpeaker = {200, 100, 0};
constexpr Rgb kMute = {100, 200, 0};
constexpr Rgb kDescBar = {248, 128, 0};

Rgb battery_colour(int level)
{
    return {static_cast<Uint8>(40 * level), 0, 248};
}

Rgb icon_colour(int slot)
{
    return {static_cast<Uint8>(8 * slot), 200, 8};
}

class DesktopTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        release_desktop_images();
        release_fonts();
        copy_text(skin_name, kSkin);
        copy_text(wallpaper_name, "wallpaper/plain.png");
        write_solid_picture("resources/wallpaper/plain.png", 4, 4, kWallpaper);
        write_skin_picture(kSkin, "bottombar.png", 320, 20, kBottomBar);
        write_skin_picture(kSkin, "startbutton.png", 40, 18, kStartButton);
        for (int level = 1; level <= 4; ++level)
            write_skin_picture(kSkin, "battery/" + std::to_string(level) + ".png", 16, 16, battery_colour(level));
        write_skin_picture(kSkin, "battery/warning.png", 80, 34, kWarning);
        write_skin_picture(kSkin, "dsel.png", 40, 40, kHighlight);
        write_skin_picture(kSkin, "cpu.png", 16, 16, kCpu);
        write_skin_picture(kSkin, "delete.png", 16, 16, kRemove);
        write_skin_picture(kSkin, "gph.png", 32, 16, kGph);
        write_skin_picture(kSkin, "speaker.png", 16, 16, kSpeaker);
        write_skin_picture(kSkin, "mute.png", 16, 16, kMute);
        write_skin_picture(kSkin, "descbar.png", 220, 20, kDescBar);
        write_coded_fonts(kSkin);
    }

    void TearDown() override
    {
        release_desktop_images();
        release_fonts();
        ShellTest::TearDown();
    }

    static void add_shortcuts(int count)
    {
        for (int i = 0; i < count; ++i) {
            LinkRecord& record = desktop_items[i];
            format_into(record.link_name, "link%d", i);
            format_into(record.title, "Game %d", i);
            format_into(record.description, "Game number %d", i);
            copy_text(record.cpu_mhz, "533");
            SDL_FreeSurface(record.icon);
            record.icon = make_icon(icon_colour(i));
        }
    }

    static bool at(int x, int y, Rgb colour) { return shows(screen, x, y, colour); }
    static int glyph(int x, int y) { return glyph_at(screen, x, y); }

    // Rows of the description bar visible from the top edge down, at x 55.
    static int bar_rows(SDL_Surface* surface)
    {
        int rows = 0;
        while (rows < 240 && shows(surface, 55, rows, kDescBar))
            ++rows;
        return rows;
    }
};

using Desktop = DesktopTest;
using DescriptionBar = DesktopTest;

} // namespace

TEST_F(Desktop, EmptyDesktopShowsWallpaperAndTaskbarOnly)
{
    desc_bar_on = 1;
    FrameWatch watch(nullptr);
    draw_desktop();
    EXPECT_TRUE(at(319, 219, kWallpaper)) << "the wallpaper is scaled to the screen";
    EXPECT_TRUE(at(0, 220, kBottomBar));
    EXPECT_TRUE(at(1, 221, kStartButton));
    EXPECT_TRUE(at(40, 238, kStartButton));
    EXPECT_TRUE(at(90, 222, kGph)) << "the stock applications button belongs to the desktop window";
    EXPECT_TRUE(at(218, 222, kMute)) << "volume 0";
    EXPECT_TRUE(at(250, 222, kBottomBar)) << "no battery device: no icon";
    EXPECT_TRUE(at(165, 222, kBottomBar)) << "nothing selected: no processor details";
    EXPECT_TRUE(at(55, 0, kWallpaper)) << "no shortcut: no description bar";
    EXPECT_EQ(desc_bar_y, -20);
    EXPECT_EQ(watch.frames(), 0);
}

TEST_F(Desktop, TwentyFourShortcutsFillSixColumnsOfFour)
{
    add_shortcuts(24);
    selection = 30;   // nothing highlighted
    draw_desktop();
    for (int i = 0; i < 24; ++i) {
        int x = 51 * (i / 4) + 10, y = 49 * (i % 4) + 24;
        EXPECT_TRUE(at(x, y, icon_colour(i))) << "slot " << i;
        EXPECT_TRUE(at(x + 31, y + 31, icon_colour(i))) << "slot " << i;
    }
    EXPECT_TRUE(at(265, 171, icon_colour(23)));
    EXPECT_TRUE(at(296, 202, icon_colour(23)));
    EXPECT_TRUE(at(264, 171, kWallpaper));
    EXPECT_TRUE(at(297, 203, kWallpaper));
}

TEST_F(Desktop, FirstUnusedSlotEndsTheGrid)
{
    add_shortcuts(7);
    desktop_items[5].link_name[0] = '\0';
    selection = 6;
    draw_desktop();
    EXPECT_TRUE(at(61, 24, icon_colour(4)));
    EXPECT_TRUE(at(61, 73, kWallpaper)) << "slot 5 is not in use";
    EXPECT_TRUE(at(61, 122, kWallpaper)) << "slot 6 lies beyond the end of the list";
    EXPECT_TRUE(at(165, 222, kBottomBar)) << "the selection is beyond the list";
}

TEST_F(Desktop, SelectionHighlightsItsIconAndFillsTheTaskbar)
{
    add_shortcuts(6);
    copy_text(desktop_items[5].title, "Tetrominoes");
    selection = 5;
    draw_desktop();

    EXPECT_TRUE(at(57, 69, kHighlight));
    EXPECT_TRUE(at(96, 108, kHighlight));
    EXPECT_TRUE(at(56, 69, kWallpaper));
    EXPECT_TRUE(at(97, 108, kWallpaper));
    EXPECT_TRUE(at(60, 72, kHighlight));
    EXPECT_TRUE(at(61, 73, icon_colour(5))) << "the icon lies over the frame";
    EXPECT_TRUE(at(92, 104, icon_colour(5)));

    // The label: the first nine characters of the title, centred on x 77.
    int width = small_text_width("Tetromino");
    int left = 51 - width / 2 + 23 + 3;
    EXPECT_EQ(glyph(left, 109), font_index('T'));
    EXPECT_EQ(font_at(screen, left, 109), FontCode::SmallBlack);
    EXPECT_EQ(glyph(left - 1, 109), -1);
    EXPECT_EQ(glyph(left, 108), -1) << "top-aligned at y 109";
    EXPECT_EQ(glyph(left + width - 1, 110), font_index('o'));
    EXPECT_EQ(glyph(left + width + 4, 110), -1) << "the tenth character is not drawn";

    EXPECT_TRUE(at(165, 222, kCpu));
    EXPECT_TRUE(at(180, 237, kCpu));
    EXPECT_EQ(glyph(184, 223), font_index('5'));
    EXPECT_EQ(font_at(screen, 184, 223), FontCode::LargeWhite);
    EXPECT_TRUE(at(140, 222, kRemove));
    EXPECT_TRUE(at(155, 237, kRemove));
    EXPECT_TRUE(at(90, 222, kGph));
}

TEST_F(Desktop, OtherWindowsDrawOnlyTheIcons)
{
    add_shortcuts(6);
    selection = 5;
    current_window = WindowId::Apps;
    draw_desktop();
    EXPECT_TRUE(at(61, 73, icon_colour(5)));
    EXPECT_TRUE(at(57, 69, kWallpaper)) << "no highlight";
    for (int x = 40; x < 110; ++x)
        EXPECT_EQ(glyph(x, 110), -1) << "no label, x " << x;
    EXPECT_TRUE(at(165, 222, kBottomBar)) << "no processor symbol";
    EXPECT_EQ(glyph(184, 223), -1) << "no processor text";
    EXPECT_TRUE(at(140, 222, kBottomBar)) << "no remove button";
    EXPECT_TRUE(at(90, 222, kBottomBar)) << "no stock applications button";
}

TEST_F(Desktop, BatteryIconFollowsTheLevelAndWarnsWhenLow)
{
    open_devices();
    set_battery_level(4);
    draw_desktop();
    EXPECT_TRUE(at(250, 222, battery_colour(4)));
    EXPECT_TRUE(at(265, 237, battery_colour(4)));
    EXPECT_TRUE(at(236, 185, kWarning));
    EXPECT_TRUE(at(315, 218, kWarning));

    set_battery_level(2);
    draw_desktop();
    EXPECT_TRUE(at(250, 222, battery_colour(2))) << "the icon is read again on every draw";
    EXPECT_TRUE(at(236, 185, kWallpaper)) << "no warning above level 4";

    set_battery_level(7);
    draw_desktop();
    EXPECT_TRUE(at(250, 222, kBottomBar)) << "no icon outside levels 1-4";
    close_devices();
}

TEST_F(Desktop, SoundIconAndVolume)
{
    volume = 70;
    draw_desktop();
    EXPECT_TRUE(at(218, 222, kSpeaker));
    EXPECT_TRUE(at(233, 237, kSpeaker));
    EXPECT_EQ(glyph(237, 227), font_index('7'));
    EXPECT_EQ(font_at(screen, 237, 227), FontCode::SmallWhite);
    EXPECT_EQ(glyph(237 + 5, 227), font_index('0'));
    EXPECT_EQ(glyph(236, 227), -1);
}

TEST_F(Desktop, ClockInBothForms)
{
    struct tm evening {};
    evening.tm_year = 2024 - 1900;
    evening.tm_mon = 0;
    evening.tm_mday = 15;
    evening.tm_hour = 21;
    evening.tm_min = 5;
    pc_fix_time(timegm(&evening));

    EXPECT_STREQ(clock_text(0), "21:05");
    EXPECT_STREQ(clock_text(1), "09:05PM");

    draw_desktop();
    EXPECT_EQ(glyph(273, 223), font_index('2'));
    EXPECT_EQ(font_at(screen, 273, 223), FontCode::LargeWhite);
    EXPECT_EQ(glyph(272, 223), -1);
    int last = 273 + text_width("21:0");
    EXPECT_EQ(glyph(last + 15, 223), font_index('5')) << "the bold copy, one pixel to the right";
    EXPECT_EQ(glyph(last + 16, 223), -1);

    clock_12h = 1;
    draw_desktop();
    EXPECT_EQ(glyph(268, 223), font_index('0'));
    EXPECT_EQ(glyph(267, 223), -1);
    pc_fix_time(0);
}

TEST_F(Desktop, EveryWindowIsDrawnOverAFreshDesktop)
{
    add_shortcuts(2);
    drawn_window = WindowId::Desktop;   // set up already: no reload of the shortcuts
    fill(screen, {0, 0, 0});
    push_button(1);
    main_loop_pass();
    EXPECT_TRUE(at(0, 220, kBottomBar)) << "the desktop window draws itself";
    EXPECT_TRUE(at(10, 24, icon_colour(0)));
    EXPECT_TRUE(at(90, 222, kGph));

    fill(screen, {0, 0, 0});
    current_window = WindowId::System;
    push_button(1);
    main_loop_pass();
    EXPECT_TRUE(at(0, 220, kBottomBar)) << "painted by the window-change set-up";
    EXPECT_TRUE(at(10, 24, icon_colour(0)));
    EXPECT_TRUE(at(90, 222, kBottomBar));
}

TEST_F(DescriptionBar, SlidesInTwentyShownStepsThenStays)
{
    add_shortcuts(2);
    copy_text(desktop_items[0].description, "Falling blocks");
    desc_bar_on = 1;
    std::vector<int> rows;
    {
        FrameWatch watch([&](SDL_Surface* s) { rows.push_back(bar_rows(s)); });
        draw_desktop();
    }
    std::vector<int> one_pixel_steps;
    for (int i = 0; i < 20; ++i)
        one_pixel_steps.push_back(i);
    EXPECT_EQ(rows, one_pixel_steps) << "y -20 to -1, each frame shown";
    EXPECT_EQ(desc_bar_y, 0);
    EXPECT_EQ(bar_rows(screen), 20);

    int width = text_width("Falling blocks");
    int left = 160 - width / 2 + 3;
    EXPECT_EQ(glyph(left, 2), font_index('F'));
    EXPECT_EQ(font_at(screen, left, 2), FontCode::LargeBlack);
    EXPECT_EQ(glyph(left, 1), -1);

    FrameWatch again(nullptr);
    draw_desktop();
    EXPECT_EQ(again.frames(), 0) << "shown: no second slide";
    EXPECT_EQ(bar_rows(screen), 20);
}

TEST_F(DescriptionBar, LongDescriptionsUseTheSmallFontCentredOnWhatIsDrawn)
{
    add_shortcuts(1);
    const char* text = "A long tale of falling blocks and ladders";
    ASSERT_GT(text_width(text), 200);
    copy_text(desktop_items[0].description, text);
    desc_bar_on = 1;
    draw_desktop();
    // 41 characters: the small font shows 30, so the text is cut to 27 and
    // "...", and centred on those.
    const char* shown = "A long tale of falling bloc...";
    int left = 160 - small_text_width(shown) / 2 + 3;
    EXPECT_EQ(glyph(left, 5), font_index('A'));
    EXPECT_EQ(font_at(screen, left, 5), FontCode::SmallBlack);
    EXPECT_EQ(glyph(left, 4), -1);
    EXPECT_EQ(glyph(left - 1, 5), -1);
    int end = left + small_text_width(shown);
    EXPECT_EQ(glyph(end - 1, 5), font_index('.'));
    EXPECT_EQ(glyph(end + 9, 5), -1);
    EXPECT_GE(left, 50);
    EXPECT_LE(end, 50 + 220);
}

TEST_F(DescriptionBar, SlidesAgainAfterSelectionChangeOrSwitchingOff)
{
    add_shortcuts(2);
    desc_bar_on = 1;
    draw_desktop();

    selection = 1;
    {
        FrameWatch watch(nullptr);
        draw_desktop();
        EXPECT_EQ(watch.frames(), 20) << "a new selection slides in again";
    }

    desc_bar_on = 0;
    {
        FrameWatch watch(nullptr);
        draw_desktop();
        EXPECT_EQ(watch.frames(), 0);
    }
    EXPECT_EQ(desc_bar_y, -20);
    EXPECT_TRUE(at(55, 0, kWallpaper));

    desc_bar_on = 1;
    FrameWatch watch(nullptr);
    draw_desktop();
    EXPECT_EQ(watch.frames(), 20) << "switched on again";
}

TEST_F(DescriptionBar, WindowChangeHidesIt)
{
    add_shortcuts(2);
    drawn_window = WindowId::Desktop;   // set up already: no reload of the shortcuts
    push_button(1);
    main_loop_pass();
    desc_bar_on = 1;
    draw_desktop();
    ASSERT_EQ(desc_bar_y, 0);

    current_window = WindowId::System;
    push_button(1);
    main_loop_pass();
    EXPECT_EQ(desc_bar_on, 0);
    EXPECT_EQ(desc_bar_y, -20);

    current_window = WindowId::Desktop;
    push_button(1);
    main_loop_pass();
    add_shortcuts(2);   // the set-up reloaded the (empty) shortcut file
    desc_bar_on = 1;
    FrameWatch watch(nullptr);
    draw_desktop();
    EXPECT_EQ(watch.frames(), 20);
}

TEST_F(Desktop, BatteryPicturesAreDecodedOncePerLevelAndSkin)
{
    open_devices();
    set_battery_level(2);
    draw_desktop();
    set_battery_level(3);
    draw_desktop();
    EXPECT_TRUE(at(250, 222, battery_colour(3)));
    {
        CountWork work;
        draw_desktop();
        set_battery_level(2);
        draw_desktop();
        EXPECT_EQ(work.counts().decodes, 0) << "both levels shown before";
        EXPECT_EQ(work.counts().allocations, 0);
    }
    EXPECT_TRUE(at(250, 222, battery_colour(2)));

    // Another skin has pictures of its own.
    write_skin_picture("Other", "battery/2.png", 16, 16, kWarning);
    copy_text(skin_name, "Other");
    CountWork work;
    draw_desktop();
    EXPECT_TRUE(at(250, 222, kWarning));
    EXPECT_GE(work.counts().decodes, 1);
    close_devices();
}

// The wallpaper and icons come through a layer composed once; the selected
// cell is painted afresh. The low-battery warning, which lies under two
// icons, makes the desktop paint everything in the plain order; both ways
// must give the same picture wherever the warning and the battery are not.
TEST_F(Desktop, TheIconLayerPaintsWhatThePlainOrderPaints)
{
    add_shortcuts(24);
    // A highlight frame through which the wallpaper and the icon show.
    SDL_Surface* frame = SDL_CreateRGBSurface(SDL_SWSURFACE, 40, 40, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            bool rim = x < 3 || y < 3 || x >= 37 || y >= 37;
            static_cast<Uint32*>(frame->pixels)[y * 40 + x] = SDL_MapRGBA(frame->format, 248, 0, 248, rim ? 255 : 0);
        }
    write_file("resources/skin/" + kSkin + "/dsel.png", "");
    ASSERT_TRUE(pc_save_png(frame, ("resources/skin/" + kSkin + "/dsel.png").c_str()));
    SDL_FreeSurface(frame);
    // A soft-edged icon at the selection and one beside it.
    for (int slot : {4, 5}) {
        SDL_Surface* soft = SDL_CreateRGBSurface(SDL_SWSURFACE, 32, 32, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                static_cast<Uint32*>(soft->pixels)[y * 32 + x] =
                    SDL_MapRGBA(soft->format, 250, static_cast<Uint8>(8 * x), 40, static_cast<Uint8>(8 * y + x));
        SDL_FreeSurface(desktop_items[slot].icon);
        desktop_items[slot].icon = SDL_DisplayFormatAlpha(soft);
        SDL_FreeSurface(soft);
    }
    open_devices();
    auto outside_battery = [](const std::vector<Uint32>& pixels) {
        std::vector<Uint32> kept;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) {
                bool warning = x >= 236 && y >= 185 && y < 220;
                bool battery = x >= 250 && x < 266 && y >= 222 && y < 238;
                if (!warning && !battery)
                    kept.push_back(pixels[static_cast<size_t>(y * 320 + x)]);
            }
        return kept;
    };
    for (int chosen : {0, 5, 23}) {
        selection = chosen;
        set_battery_level(4);
        draw_desktop();
        std::vector<Uint32> plain = outside_battery(snapshot());
        set_battery_level(1);
        fill(screen, {0, 0, 0});
        draw_desktop();
        draw_desktop();   // once composed, and once more from the layer
        EXPECT_EQ(outside_battery(snapshot()), plain) << "selection " << chosen;
    }
    current_window = WindowId::Apps;
    set_battery_level(4);
    draw_desktop();
    std::vector<Uint32> plain = outside_battery(snapshot());
    set_battery_level(1);
    draw_desktop();
    EXPECT_EQ(outside_battery(snapshot()), plain) << "beneath another window";
    close_devices();
}
