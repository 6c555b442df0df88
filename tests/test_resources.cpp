// The delivered tree: every picture the shell loads exists in every skin at
// its size and loads; the fixed pictures, the icons, the sounds and the
// delivered accounts are there.
#include "harness.h"

#include "gfx/image.h"

#include <SDL_mixer.h>
#include <filesystem>

namespace {

using DeliveredTree = GroupNeeding<Needs::nothing>;

struct Picture {
    const char* name;
    int w, h;
};

// name                  width height
constexpr Picture kSkinPictures[] = {
    {"font_black.png",      1344,  16}, {"font_white.png",      1344,  16},
    {"smallfont_black.png",  840,  10}, {"smallfont_white.png",  840,  10},
    {"bottombar.png",        320,  20}, {"startbutton.png",       40,  18},
    {"battery/1.png",         16,  16}, {"battery/2.png",         16,  16},
    {"battery/3.png",         16,  16}, {"battery/4.png",         16,  16},
    {"battery/warning.png",   80,  34}, {"dsel.png",              40,  40},
    {"cpu.png",               16,  16}, {"delete.png",            16,  16},
    {"gph.png",               32,  16}, {"speaker.png",           16,  16},
    {"mute.png",              16,  16}, {"descbar.png",          220,  20},
    {"startmenu.png",        118, 210}, {"ssel.png",              65,  20},
    {"frame.png",             35,  35}, {"sidebar.png",           75, 240},
    {"disk.png",              32,  32}, {"logoff.png",            32,  32},
    {"shutdown.png",          32,  32}, {"sidesel.png",           32,  32},
    {"sel.png",               32,  32}, {"menu.png",              16,  16},
    {"genericico.png",        32,  32}, {"appswin.png",          280, 200},
    {"emuswin.png",          280, 200}, {"portswin.png",         280, 200},
    {"gameswin.png",         280, 200}, {"syswin.png",           260, 180},
    {"expwin.png",           260, 180}, {"txtsel.png",           207,  18},
    {"exprop.png",            94, 137}, {"propsel.png",           65,  15},
    {"tick.png",               8,   8}, {"properties.png",        94, 163},
    {"useredit.png",         280, 200}, {"usbwin.png",           160, 120},
    {"autoffwin.png",        150, 165}, {"saverwin.png",         150, 165},
    {"brightwin.png",        150, 165}, {"calendar.png",         215, 175},
    {"skinwin.png",          300, 200}, {"preview.png",          118,  88},
    {"imgwin.png",           280, 200}, {"lmsg.png",             125,  42},
    {"slmsg.png",            125,  42}, {"wait.png",             125,  42},
    {"msgok.png",            216, 154}, {"msgyesno.png",         216, 154},
    {"keyboard1.png",        320, 240}, {"keyboard2.png",        320, 240},
    {"ksel.png",              20,  20}, {"scanwin.png",          320, 240},
    {"scantextsel.png",      200,  14}, {"gphapps.png",          113, 195},
    {"gphsel.png",            36,  11}, {"propfiles.png",         68,  43},
    {"player.png",           200, 110},
};

constexpr const char* kSkins[] = {"Blue", "Gold", "Zelda"};

constexpr const char* kFileIcons[] = {"folder", "file", "gpe", "gpu", "bmp", "png", "txt", "gif", "jpg", "mp3", "wav"};

constexpr const char* kSounds[] = {"click", "key", "chord", "notify", "logon", "shutdown"};

void expect_picture(const char* name, const char* skin, int w, int h)
{
    SDL_Surface* s = load_skin_image(name, skin);
    ASSERT_NE(s, nullptr) << skin << "/" << name;
    EXPECT_EQ(s->w, w) << skin << "/" << name;
    EXPECT_EQ(s->h, h) << skin << "/" << name;
    SDL_FreeSurface(s);
}

} // namespace

TEST_F(DeliveredTree, EverySkinHasEveryPictureAtItsSize)
{
    for (const char* skin : kSkins)
        for (const Picture& p : kSkinPictures)
            expect_picture(p.name, skin, p.w, p.h);
}

TEST_F(DeliveredTree, SharedPicturesAndWallpapers)
{
    for (const char* icon : kFileIcons)
        expect_picture((std::string("icondatabase/") + icon + ".png").c_str(), "Blue", 16, 16);
    for (const char* skin : kSkins)
        expect_picture((std::string("wallpaper/") + skin + ".png").c_str(), "Blue", 320, 240);
    for (const char* fixed : {"resources/logon.png", "resources/welcome.png", "resources/shutdown.png"}) {
        SDL_Surface* s = load_image(fixed);
        ASSERT_NE(s, nullptr) << fixed;
        EXPECT_EQ(s->w, 320);
        EXPECT_EQ(s->h, 240);
        SDL_FreeSurface(s);
    }
    SDL_Surface* picture = load_image("resources/pic.png");
    EXPECT_NE(picture, nullptr);
    SDL_FreeSurface(picture);
}

TEST_F(DeliveredTree, KeyedPicturesStayTransparentOnScreen)
{
    TEST_NEEDS(Needs::display);
    // The highlight frame's centre shows what lies beneath; the sidebar has
    // no key at all (it is faded as a whole).
    SDL_Surface* frame = load_skin_image("dsel.png", "Blue");
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->flags & SDL_SRCCOLORKEY);
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 255, 0));
    blit_at(frame, 0, 0);
    SDL_Color centre = colour(20, 20);
    EXPECT_TRUE(centre.r == 0 && centre.g == 255 && centre.b == 0);
    SDL_FreeSurface(frame);
    SDL_Surface* sidebar = load_skin_image("sidebar.png", "Blue");
    ASSERT_NE(sidebar, nullptr);
    EXPECT_FALSE(sidebar->flags & SDL_SRCCOLORKEY);
    SDL_FreeSurface(sidebar);
}

TEST_F(DeliveredTree, SoundsLoad)
{
    TEST_NEEDS(Needs::sound);
    for (const char* sound : kSounds) {
        std::string path = std::string("resources/") + sound + ".wav";
        Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
        EXPECT_NE(chunk, nullptr) << path;
        Mix_FreeChunk(chunk);
    }
}

TEST_F(DeliveredTree, DeliveredAccounts)
{
    std::string users = source_path("user/");
    EXPECT_EQ(read_file(users + "admin/data.st"), "admin ");
    EXPECT_EQ(read_file(users + "guest/data.st"), "guest ");
    for (const char* account : {"admin", "guest"}) {
        std::string root = users + account + "/";
        EXPECT_EQ(read_file(root + "desktop.st"), "") << account;
        EXPECT_EQ(read_file(root + "settings.st").rfind("wallpaper/Blue.png Blue ", 0), 0u) << account;
        EXPECT_TRUE(exists(root + "pic.png")) << account;
        for (const char* category : {"apps", "emus", "ports", "games"})
            EXPECT_TRUE(std::filesystem::is_directory(root + "links/" + category)) << account << " " << category;
    }
}

namespace {

Uint32 read_pixel(SDL_Surface* s, int x, int y)
{
    const Uint8* p = static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    switch (s->format->BytesPerPixel) {
    case 1: return *p;
    case 2: return *reinterpret_cast<const Uint16*>(p);
    case 3: return static_cast<Uint32>(p[0] | p[1] << 8 | p[2] << 16);
    default: return *reinterpret_cast<const Uint32*>(p);
    }
}

// Pixels that differ between the insides (14 x 18, clear of the rounded
// corners and the border) of two keycaps at the given top-left corners.
int keycap_difference(SDL_Surface* a, int ax, int ay, SDL_Surface* b, int bx, int by)
{
    int differ = 0;
    for (int y = 1; y < 19; ++y)
        for (int x = 3; x < 17; ++x) {
            Uint8 ar, ag, ab, br, bg, bb;
            SDL_GetRGB(read_pixel(a, ax + x, ay + y), a->format, &ar, &ag, &ab);
            SDL_GetRGB(read_pixel(b, bx + x, by + y), b->format, &br, &bg, &bb);
            differ += ar != br || ag != bg || ab != bb;
        }
    return differ;
}

} // namespace

TEST_F(DeliveredTree, KeycapsOfLookAlikeSignsDifferAtAGlance)
{
    // ";" is key 29 of the first keyboard, ":" key 29 of the second; ","
    // and "." are keys 37 and 38 of the first. The font's own glyphs of
    // each pair are one pixel apart.
    for (const char* skin : kSkins) {
        SDL_Surface* lower = load_skin_image("keyboard1.png", skin);
        SDL_Surface* upper = load_skin_image("keyboard2.png", skin);
        ASSERT_NE(lower, nullptr);
        ASSERT_NE(upper, nullptr);
        EXPECT_GE(keycap_difference(lower, 256, 133, upper, 256, 133), 3) << skin << ": ';' and ':'";
        EXPECT_GE(keycap_difference(lower, 219, 158, lower, 244, 158), 3) << skin << ": ',' and '.'";
        SDL_FreeSurface(lower);
        SDL_FreeSurface(upper);
    }
}
