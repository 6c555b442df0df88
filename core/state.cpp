#include "core/state.h"

#include "gfx/layer.h"

#include <cstring>

WindowId current_window;
WindowId return_window;
WindowId drawn_window;
bool screen_up_to_date;

SDL_Surface* screen;
SDL_Event event;
SDL_Joystick* joystick;

int32_t selection;
int32_t list_top;
int32_t field_selection;
int32_t sidebar_item;

std::atomic<int32_t> screen_on;
SDL_TimerID saver_timer;
SDL_TimerID off_timer;
std::atomic<int32_t> usb_mode;
std::atomic<int32_t> sound_playing;
std::atomic<int32_t> tap_pending;

int32_t auto_off_ms;
int32_t saver_ms;
int32_t brightness;
int32_t volume;
int32_t clock_12h;
char skin_name[20];
char wallpaper_name[100];

int32_t desc_bar_on;
int32_t desc_bar_y;
SDL_Surface* wallpaper_image;
LinkRecord desktop_items[kDesktopSlots];

char autolog_user[50];
UserRecord current_user;
UserRecord edit_user;

LinkRecord link_items[kLinkSlots];
int32_t props_link;

char explorer_path[500];
char explorer_filter[4];
int32_t explorer_free_browse;
NameTable explorer_list;
LinkRecord explorer_link;
char clipboard_mode[8];
char edit_text[50];

namespace {

void free_surface(SDL_Surface*& surface)
{
    SDL_FreeSurface(surface);
    surface = nullptr;
}

template <size_t N>
void clear_links(LinkRecord (&table)[N])
{
    for (LinkRecord& record : table) {
        free_surface(record.icon);
        record = LinkRecord{};
    }
}

void clear_user(UserRecord& record)
{
    free_surface(record.picture);
    record = UserRecord{};
}

} // namespace

void reset_shared_state()
{
    layers_changed();
    current_window = WindowId::Desktop;
    return_window = WindowId::Desktop;
    drawn_window = WindowId::None;
    screen_up_to_date = false;

    screen = nullptr;
    event = SDL_Event{};
    joystick = nullptr;

    selection = 0;
    list_top = 0;
    field_selection = 0;
    sidebar_item = -1;

    screen_on = 1;
    saver_timer = nullptr;
    off_timer = nullptr;
    usb_mode = 0;
    sound_playing = 0;
    tap_pending = 0;

    auto_off_ms = 0;
    saver_ms = 0;
    brightness = 0;
    volume = 0;
    clock_12h = 0;
    skin_name[0] = '\0';
    wallpaper_name[0] = '\0';

    desc_bar_on = 0;
    desc_bar_y = -20;
    free_surface(wallpaper_image);
    clear_links(desktop_items);

    std::memset(autolog_user, 0, sizeof autolog_user);
    clear_user(current_user);
    clear_user(edit_user);

    clear_links(link_items);
    props_link = -1;

    explorer_path[0] = '\0';
    explorer_filter[0] = '\0';
    explorer_free_browse = 1;
    std::memset(&explorer_list, 0, sizeof explorer_list);
    explorer_link = LinkRecord{};
    clipboard_mode[0] = '\0';
    edit_text[0] = '\0';
}
