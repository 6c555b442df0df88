// The on-screen keyboard: slides down over the screen, edits the caller's
// text in place with the buttons or by touch, and slides back up.
#include "dialogs/dialogs.h"

#include "core/events.h"
#include "core/text.h"
#include "gfx/changes.h"
#include "gfx/image.h"
#include "platform/platform.h"
#include "gfx/font.h"
#include "gfx/sound.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string_view>

int keyboard_shift = 0;
int keyboard_cursor = 0;
int keyboard_slide_y = -240;

namespace {

constexpr int kKeyCount = 40;

// Key i types character i of the row of the current shift state. The labels
// on the keys are part of the two keyboard pictures.
constexpr std::array<std::string_view, 2> kKeyRows = {
    "1234567890qwertyuiopasdfghjkl;zxcvbnm,./",
    "!@#$%^&*()QWERTYUIOPASDFGHJKL:ZXCVBNM-_?",
};
static_assert(kKeyRows[0].size() == kKeyCount && kKeyRows[1].size() == kKeyCount, "40 keys per layout");

// Four rows of ten 20 x 20 keys, 25 pixels apart; rows 2 and 4 are set in.
constexpr int kKeysPerRow = 10;
constexpr int kKeyPitch = 25;
constexpr int kKeySize = 20;
//                                       row 1  row 2  row 3  row 4
constexpr std::array<int, 4> kRowLeft = {  31,    44,    31,    44};
constexpr std::array<int, 4> kRowTop  = {  83,   108,   133,   158};

//                                   x    y   w   h
constexpr SDL_Rect kShiftArea     = {  0,   0, 64, 19};
constexpr SDL_Rect kSpaceArea     = {256,   0, 64, 19};
constexpr SDL_Rect kBackspaceArea = {271,  38, 28, 28};
constexpr SDL_Rect kCancelArea    = {  0, 221, 64, 19};
constexpr SDL_Rect kOkArea        = {256, 221, 45, 15};

constexpr int kTextX = 58;
constexpr int kLargeTextY = 45;
constexpr int kSmallTextY = 48;
constexpr int kLargeTextWidthMax = 180;

constexpr int kOpenY = 0;
constexpr int kHiddenY = -240;
constexpr int kSlideStep = 30;

// The longest text the keyboard makes, where the buffer holds it.
constexpr size_t kTextLimit = 22;

constexpr int kOpen = -1;   // result while the keyboard is still open

enum class Key { Up, Down, Left, Right, Shift, Type, Space, Erase, Accept, Cancel };

struct Binding {
    int button;
    Key key;
};

// button  action        (no sound for buttons)
constexpr Binding kBindings[] = {
    { 0, Key::Up},
    { 4, Key::Down},
    { 2, Key::Left},
    { 6, Key::Right},
    {10, Key::Shift},
    {13, Key::Type},
    {11, Key::Space},
    {14, Key::Erase},
    { 9, Key::Accept},
    { 8, Key::Cancel},
};

using Picture = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

Picture load_picture(const char* name, const char* skin)
{
    return Picture(load_skin_image(name, skin), SDL_FreeSurface);
}

// One use of the keyboard: the caller's buffer, its limit, and the pictures
// loaded for this use.
struct Typing {
    SDL_Surface* surface;
    char* text;
    size_t capacity;
    size_t limit;   // 22, or less when the buffer is smaller
    const char* skin;
    Picture backdrop;   // the screen as it was when the keyboard opened
    Picture layouts[2];
    Picture highlight;
    int result;
};

int key_x(int key)
{
    return kRowLeft[static_cast<size_t>(key / kKeysPerRow)] + kKeyPitch * (key % kKeysPerRow);
}

int key_y(int key)
{
    return kRowTop[static_cast<size_t>(key / kKeysPerRow)];
}

size_t text_length(const Typing& t)
{
    return strnlen(t.text, t.capacity);
}

bool has_room(const Typing& t)
{
    return text_length(t) < t.limit;
}

void append(Typing& t, char c)
{
    if (has_room(t))
        append_text(t.text, t.capacity, std::string_view(&c, 1));
}

void erase_last(Typing& t)
{
    size_t length = text_length(t);
    if (length > 0)
        t.text[length - 1] = '\0';
}

char key_character(int key)
{
    return kKeyRows[static_cast<size_t>(keyboard_shift)][static_cast<size_t>(key)];
}

// The cursor is one index over all 40 keys, so left from the first key of a
// row lands on the last key of the row above.
void move_cursor(int step)
{
    int to = keyboard_cursor + step;
    if (to >= 0 && to < kKeyCount)
        keyboard_cursor = to;
}

void close_with(Typing& t, int result)
{
    t.result = result;
    keyboard_cursor = 0;
}

void act(Typing& t, Key key)
{
    switch (key) {
    case Key::Up:     move_cursor(-kKeysPerRow); break;
    case Key::Down:   move_cursor(kKeysPerRow); break;
    case Key::Left:   move_cursor(-1); break;
    case Key::Right:  move_cursor(1); break;
    case Key::Shift:  keyboard_shift = 1 - keyboard_shift; break;
    case Key::Type:   append(t, key_character(keyboard_cursor)); break;
    case Key::Space:  append(t, ' '); break;
    case Key::Erase:  erase_last(t); break;
    case Key::Accept: close_with(t, 1); break;
    case Key::Cancel: close_with(t, 0); break;
    }
}

void press(Typing& t, int button)
{
    for (const Binding& binding : kBindings)
        if (binding.button == button)
            act(t, binding.key);
}

void touch_keys(Typing& t, int x, int y)
{
    for (int key = 0; key < kKeyCount; ++key) {
        if (!point_in_rect(x, y, key_x(key), key_y(key), kKeySize, kKeySize))
            continue;
        play_key();
        keyboard_cursor = key;
        append(t, key_character(key));
    }
}

// Every area is tested; they do not overlap, so one touch acts at most once.
void touch(Typing& t, int x, int y)
{
    if (point_in(x, y, kCancelArea)) {
        play_click();
        close_with(t, 0);
    }
    if (point_in(x, y, kOkArea)) {
        play_click();
        close_with(t, 1);
    }
    if (point_in(x, y, kBackspaceArea) && text_length(t) > 0) {
        play_key();
        erase_last(t);
    }
    // A full text refuses a touch on Shift too; button 10 shifts regardless.
    if (point_in(x, y, kShiftArea) && has_room(t)) {
        play_key();
        keyboard_shift = 1 - keyboard_shift;
    }
    if (point_in(x, y, kSpaceArea) && has_room(t)) {
        play_key();
        append(t, ' ');
    }
    touch_keys(t, x, y);
}

SDL_Surface* layout(const Typing& t)
{
    return t.layouts[keyboard_shift].get();
}

void show_slide_frame(const Typing& t)
{
    blit_onto(t.surface, t.backdrop.get(), 0, 0);
    blit_onto(t.surface, layout(t), 0, keyboard_slide_y);
    show_whole_screen(t.surface);
}

void slide_in(const Typing& t)
{
    while (keyboard_slide_y < kOpenY) {
        show_slide_frame(t);
        keyboard_slide_y += kSlideStep;
    }
    blit_onto(t.surface, t.backdrop.get(), 0, 0);
}

void slide_out(const Typing& t)
{
    while (keyboard_slide_y > kHiddenY) {
        show_slide_frame(t);
        keyboard_slide_y -= kSlideStep;
    }
}

void draw_keyboard(const Typing& t)
{
    blit_onto(t.surface, layout(t), 0, kOpenY);
    blit_onto(t.surface, t.highlight.get(), key_x(keyboard_cursor), key_y(keyboard_cursor));
    // Shown as typed, passwords too.
    if (text_width(t.text) <= kLargeTextWidthMax)
        draw_text(t.surface, kTextX, kLargeTextY, t.text, 1, t.skin);
    else
        draw_small_text(t.surface, kTextX, kSmallTextY, t.text, 1, t.skin);
}

void handle(Typing& t, const SDL_Event& e)
{
    if (e.type == SDL_JOYBUTTONDOWN)
        press(t, e.jbutton.button);
    else if (e.type == SDL_MOUSEBUTTONDOWN)
        touch(t, e.button.x, e.button.y);
}

} // namespace

int on_screen_keyboard(SDL_Surface* surface, char* text, size_t capacity, const char* skin)
{
    // The buffer may be smaller than the 22 characters the keyboard allows:
    // it never writes past capacity, whatever the caller left in it.
    if (capacity > 0 && strnlen(text, capacity) == capacity)
        text[capacity - 1] = '\0';
    Typing t{surface,
             text,
             capacity,
             capacity > 0 ? std::min(kTextLimit, capacity - 1) : 0,
             skin,
             Picture(SDL_ConvertSurface(surface, surface->format, SDL_SWSURFACE), SDL_FreeSurface),
             {load_picture("keyboard1.png", skin), load_picture("keyboard2.png", skin)},
             load_picture("ksel.png", skin),
             kOpen};
    slide_in(t);
    SDL_Event key_event{};
    for (bool first = true; t.result == kOpen; first = false) {
        show_dialog_frame(surface, first, [&] { draw_keyboard(t); });
        wait_event_into(key_event);
        handle(t, key_event);
    }
    slide_out(t);
    return t.result;
}
