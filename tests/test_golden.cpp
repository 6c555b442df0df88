// Reference pictures: the desktop with 24 shortcuts and a notice over it, in
// each delivered skin, compared pixel for pixel with tests/golden/.
//
// When a change of the pictures is intended, write them anew with
//     KORVO_REWRITE_GOLDEN=1 build/tests/korvo_tests --gtest_filter='Skins/GoldenScreen.*'
// and look at them before committing.
#include "harness.h"

#include "core/devices.h"
#include "core/text.h"
#include "desktop/desktop.h"
#include "dialogs/dialogs.h"
#include "gfx/font.h"
#include "platform/pc_console.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>

namespace {

bool rewriting()
{
    const char* flag = std::getenv("KORVO_REWRITE_GOLDEN");
    return flag && std::string(flag) == "1";
}

std::string golden_path(const std::string& skin)
{
    return source_path("tests/golden/desktop_" + skin + ".bmp");
}

time_t fixed_time()
{
    struct tm evening {};
    evening.tm_year = 2024 - 1900;
    evening.tm_mon = 4;
    evening.tm_mday = 17;
    evening.tm_hour = 21;
    evening.tm_min = 5;
    return timegm(&evening);
}

// A 32 x 32 shortcut icon: a frame and a tile of the slot's own colour with
// a light corner, in the screen's format.
SDL_Surface* make_shortcut_icon(int slot)
{
    const SDL_PixelFormat* f = screen->format;
    SDL_Surface* icon = SDL_CreateRGBSurface(SDL_SWSURFACE, 32, 32, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, 0);
    auto paint = [&](int x, int y, int w, int h, Uint8 r, Uint8 g, Uint8 b) {
        SDL_Rect rect{static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w), static_cast<Uint16>(h)};
        SDL_FillRect(icon, &rect, SDL_MapRGB(icon->format, r, g, b));
    };
    paint(0, 0, 32, 32, 24, 24, 32);
    paint(2, 2, 28, 28, static_cast<Uint8>(60 + 8 * slot), static_cast<Uint8>(220 - 7 * slot),
          static_cast<Uint8>(40 + (slot % 4) * 50));
    paint(4, 4, 10, 10, 240, 240, 240);
    return icon;
}

void fill_desktop()
{
    for (int i = 0; i < kDesktopSlots; ++i) {
        LinkRecord& record = desktop_items[i];
        format_into(record.link_name, "program%02d", i + 1);
        format_into(record.title, "Program %d", i + 1);
        format_into(record.description, "Shortcut number %d", i + 1);
        copy_text(record.cpu_mhz, "533");
        record.icon = make_shortcut_icon(i);
    }
}

// Counts the pixels of screen that differ from the picture at path, and
// describes the first of them.
int differing_pixels(const std::string& path, std::string& first)
{
    SDL_Surface* loaded = SDL_LoadBMP(path.c_str());
    if (!loaded) {
        first = "no reference picture at " + path;
        return -1;
    }
    SDL_Surface* golden = SDL_ConvertSurface(loaded, screen->format, SDL_SWSURFACE);
    SDL_FreeSurface(loaded);
    if (golden->w != screen->w || golden->h != screen->h) {
        first = "the reference picture has another size";
        SDL_FreeSurface(golden);
        return -1;
    }
    int count = 0;
    for (int y = 0; y < screen->h; ++y) {
        const Uint16* want = reinterpret_cast<const Uint16*>(static_cast<Uint8*>(golden->pixels) + y * golden->pitch);
        for (int x = 0; x < screen->w; ++x) {
            if (want[x] == ShellTest::pixel(x, y))
                continue;
            if (count++ == 0) {
                std::ostringstream where;
                where << "first at (" << x << ", " << y << ")";
                first = where.str();
            }
        }
    }
    SDL_FreeSurface(golden);
    return count;
}

class GoldenScreen : public ShellTest, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        release_desktop_images();
        release_fonts();
    }

    void TearDown() override
    {
        release_desktop_images();
        release_fonts();
        pc_fix_time(0);
        ShellTest::TearDown();
    }
};

} // namespace

TEST_P(GoldenScreen, DesktopWithNoticeMatchesReference)
{
    const std::string skin = GetParam();
    if (!exists("resources/skin/" + skin + "/bottombar.png"))
        GTEST_SKIP() << "the delivered pictures of skin " << skin << " are not in resources/ yet";
    ASSERT_EQ(screen->format->BytesPerPixel, 2);

    copy_text(skin_name, skin);
    format_into(wallpaper_name, "wallpaper/%s.png", skin.c_str());
    open_devices();
    set_battery_level(3);
    pc_fix_time(fixed_time());
    volume = 50;
    fill_desktop();
    selection = 1;   // left of the box, so its frame and label show
    desc_bar_on = 1;

    draw_desktop();
    push_button(13);
    ASSERT_EQ(message_box(screen, "Welcome to Korvo!", 0, skin_name), 1);
    close_devices();

    if (rewriting()) {
        std::filesystem::create_directories(source_path("tests/golden"));
        ASSERT_TRUE(save_screen(golden_path(skin)));
        std::cout << "rewrote " << golden_path(skin) << "\n";
        return;
    }
    std::string first;
    int differences = differing_pixels(golden_path(skin), first);
    if (differences != 0) {
        std::string actual = std::string(KORVO_BINARY_DIR) + "/golden-actual-" + skin + ".bmp";
        save_screen(actual);
        ADD_FAILURE() << differences << " pixels differ from " << golden_path(skin) << " (" << first
                      << "); this run's picture is " << actual
                      << ". If the change is intended: KORVO_REWRITE_GOLDEN=1 build/tests/korvo_tests"
                         " --gtest_filter='Skins/GoldenScreen.*'";
    }
}

INSTANTIATE_TEST_SUITE_P(Skins, GoldenScreen, ::testing::Values("Blue", "Gold", "Zelda"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });
