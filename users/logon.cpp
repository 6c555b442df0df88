#include "users/logon.h"

#include "core/events.h"
#include "core/text.h"
#include "dialogs/dialogs.h"
#include "explorer/listing.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "platform/platform.h"
#include "users/user_files.h"

#include <cstring>

namespace {

constexpr const char* kSkin = "Blue";
constexpr const char* kBackground = "resources/logon.png";
constexpr const char* kDefaultPicture = "resources/pic.png";

// Layout                        x    y   w   h
constexpr SDL_Rect kPicture  = {135, 89, 44, 44};
constexpr SDL_Rect kPrevious = { 91, 96, 29, 29};
constexpr SDL_Rect kNext     = {196, 96, 29, 29};
constexpr SDL_Rect kLogOn    = {132, 85, 53, 53};
constexpr int kNameCentre = 155;
constexpr int kNameY = 145;
constexpr int kPromptX = 100;
constexpr int kPromptY = 0;

constexpr int kButtonPrevious = 2;
constexpr int kButtonNext = 6;
constexpr int kButtonLogOn = 13;

struct Logon {
    SDL_Surface* surface;
    UserRecord* record;
    SDL_Surface* background;
    SDL_Surface* picture;   // of the account shown, 44x44
    int shown;
    int count;
};

NameTable accounts;

bool pressed(const SDL_Event& e, int button)
{
    return e.type == SDL_JOYBUTTONDOWN && e.jbutton.button == button;
}

SDL_Surface* account_picture(const char* name)
{
    char path[kNameCapacity + 16];
    format_into(path, "user/%s/pic.png", name);
    SDL_Surface* picture = load_image(path);
    return picture ? picture : load_image(kDefaultPicture);
}

void show_account(Logon& l, int index)
{
    l.shown = index;
    SDL_FreeSurface(l.picture);
    l.picture = account_picture(accounts.name[index]);
    zoom_image(l.picture, kPicture.w, kPicture.h);
}

void draw_centred(SDL_Surface* surface, const char* text, int y)
{
    draw_text(surface, kNameCentre - text_width(text) / 2, y, text, 1, kSkin);
}

void draw(const Logon& l)
{
    SDL_Rect at;
    set_rect(at, 0, 0, 320, 240);
    SDL_BlitSurface(l.background, nullptr, l.surface, &at);
    if (l.count == 0) {
        // Nothing to log on to: say so, and how to get out of it.
        draw_centred(l.surface, "No user accounts!", kNameY);
        draw_small_text(l.surface, 40, 200, "Hold R at start for recovery", 1, kSkin);
    } else {
        set_rect(at, kPicture.x, kPicture.y, kPicture.w, kPicture.h);
        SDL_BlitSurface(l.picture, nullptr, l.surface, &at);
        draw_centred(l.surface, accounts.name[l.shown], kNameY);
    }
    show_whole_screen(l.surface);
}

// Asks the password until typed exactly or cancelled; true when it matched.
bool password_typed(SDL_Surface* surface, const char* password)
{
    char typed[50] = {};
    draw_text(surface, kPromptX, kPromptY, "Enter password:", 1, kSkin);
    if (!on_screen_keyboard(surface, typed, kSkin))
        return false;
    return std::strcmp(typed, password) == 0;
}

// Logs on to the account shown; true when done.
bool log_on(Logon& l)
{
    UserRecord& record = *l.record;
    const char* name = accounts.name[l.shown];
    copy_text(record.name, name);
    SDL_FreeSurface(record.picture);
    record.picture = account_picture(name);
    // A "data.st" that is not what the shell writes (a damaged card) is no
    // account data: its bytes are never asked for as a password.
    if (!read_user_data(record, name)) {
        message_box(l.surface, "User data not found!", 0, kSkin);
        return false;
    }
    if (record.password[0] && !password_typed(l.surface, record.password))
        return false;
    release_fonts();
    return true;
}

} // namespace

void logon_screen(SDL_Surface* surface, UserRecord& record)
{
    Logon l = {surface, &record, load_image(kBackground), nullptr, 0, 0};
    list_accounts(accounts);
    l.count = count_entries(accounts);
    if (l.count > 0)
        show_account(l, 0);
    for (;;) {
        draw(l);
        SDL_Event e;
        wait_event_into(e);
        if (l.count == 0)
            continue;
        if ((pressed(e, kButtonNext) || touch_in(e, kNext)) && l.shown < l.count - 1)
            show_account(l, l.shown + 1);
        if ((pressed(e, kButtonPrevious) || touch_in(e, kPrevious)) && l.shown > 0)
            show_account(l, l.shown - 1);
        if ((pressed(e, kButtonLogOn) || touch_in(e, kLogOn)) && log_on(l))
            break;
    }
    SDL_FreeSurface(l.picture);
    SDL_FreeSurface(l.background);
}
