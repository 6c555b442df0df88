#include "stock/welcome.h"

#include "core/version.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "platform/platform.h"

namespace {

constexpr const char* kSkin = "Blue";
constexpr const char* kBackground = "resources/welcome.png";
constexpr Uint32 kGreetingMs = 2000;

// Layout                          x    y    w    h
constexpr SDL_Rect kPicture    = {135,  89,  44,  44};
constexpr SDL_Rect kCreditBand = {195, 227, 125,  13};
constexpr int kNameCentre = 155;
constexpr int kNameY = 145;
constexpr int kCreditX = 194;
constexpr int kCreditY = 229;

void blit(SDL_Surface* image, SDL_Surface* surface, const SDL_Rect& place)
{
    SDL_Rect at = place;
    SDL_BlitSurface(image, nullptr, surface, &at);
}

} // namespace

void show_welcome(SDL_Surface* surface, UserRecord user)
{
    SDL_Surface* background = load_image(kBackground);
    blit(background, surface, {0, 0, 320, 240});
    SDL_FreeSurface(background);
    blit(user.picture, surface, kPicture);
    draw_text(surface, kNameCentre - text_width(user.name) / 2, kNameY, user.name, 1, kSkin);
    SDL_Rect band = kCreditBand;
    SDL_FillRect(surface, &band, SDL_MapRGB(surface->format, 0, 0, 0));
    draw_small_text(surface, kCreditX, kCreditY, kKorvoCredit, 1, kSkin);
    show_whole_screen(surface);
    SDL_Delay(kGreetingMs);
    release_fonts();
}
