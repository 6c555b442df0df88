#include "settings/date_time.h"

#include "core/events.h"
#include "core/text.h"
#include "dialogs/dialogs.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "platform/platform.h"

#include <array>
#include <ctime>

namespace {

constexpr std::array<const char*, 12> kMonthNames = {
    "January", "February", "March", "April", "May", "June",
    "July", "August", "September", "October", "November", "December",
};

// Layout                             x    y    w    h
constexpr SDL_Rect kWindow        = {105,  45, 215, 175};
constexpr SDL_Rect kOkButton      = {276, 177,  33,  19};
// Row r is highlighted at (121, 59 + 28r); the time row takes only the
// left 59 pixels of the highlight, the other rows all 65.
constexpr int kHighlightX = 121, kHighlightY = 59, kRowStep = 28;
constexpr int kHighlightW = 65, kTimeHighlightW = 59, kHighlightH = 15;
// Texts are centred on x: drawn from x - width / 2.
constexpr int kValueCentre = 242, kFormCentre = 224, kTimeCentre = 220;
constexpr int kDayY = 60, kMonthY = 88, kYearY = 116, kFormY = 144, kTimeY = 172;
constexpr int kFullLineCentre = 206, kFullLineY = 201;

enum Row { kDayRow, kMonthRow, kYearRow, kFormRow, kTimeRow, kRowCount };

enum class Field { Day, Month, Year, Form, Minute, Hour };

// What buttons 6 and 2 step on each row (the time row: the minute).
constexpr std::array<Field, kRowCount> kRowFields = {
    Field::Day, Field::Month, Field::Year, Field::Form, Field::Minute};

struct Arrow {
    SDL_Rect area;
    Field field;
    int step;
};

// Tested in this order, every one that holds a touch acting: the hour and
// minute decreases overlap at x 187-192, y 171-176, and a touch there steps
// both. The two clock-form arrows both toggle.
//                            x    y   w   h
constexpr Arrow kArrows[] = {
    {{187,  59, 16, 16}, Field::Day,    -1},
    {{292,  59, 16, 16}, Field::Day,    +1},
    {{187,  87, 16, 16}, Field::Month,  -1},
    {{292,  87, 16, 16}, Field::Month,  +1},
    {{187, 115, 16, 16}, Field::Year,   -1},
    {{292, 115, 16, 16}, Field::Year,   +1},
    {{187, 143, 16, 16}, Field::Form,   -1},
    {{253, 143, 16, 16}, Field::Form,   +1},
    {{187, 171, 16, 16}, Field::Minute, -1},
    {{253, 171, 16, 16}, Field::Minute, +1},
    {{180, 164, 12, 12}, Field::Hour,   -1},
    {{265, 164, 12, 12}, Field::Hour,   +1},
};

// Each value wraps around its range: after the last comes the first.
constexpr int kFirstYear = 1975, kLastYear = 2500;

enum Button { kUp = 0, kLeft = 2, kDown = 4, kRight = 6, kHourDown = 10, kHourUp = 11,
              kCloseA = 12, kAccept = 13, kCloseX = 14 };

enum class Outcome { GoOn, Close };

// The highlighted row, kept from one opening to the next.
int date_field = kDayRow;

SDL_Surface* window_picture;
SDL_Surface* highlight;

// The working copies of one opening, taken from the local time then.
struct Calendar {
    SDL_Surface* surface;
    const char* skin;
    int32_t& twelve_hour;
    std::tm opened;       // the seconds and the other fields are set from it
    char full_line[32];   // "%c" at opening, shown unchanged
    int day, month, year, hour, minute;   // month 0-11
};

int wrap(int value, int step, int first, int last)
{
    if (step > 0)
        return value < last ? value + 1 : first;
    return value > first ? value - 1 : last;
}

void step_field(Calendar& c, Field field, int step)
{
    switch (field) {
    case Field::Day:    c.day = wrap(c.day, step, 1, 31); break;
    case Field::Month:  c.month = wrap(c.month, step, 0, 11); break;
    case Field::Year:   c.year = wrap(c.year, step, kFirstYear, kLastYear); break;
    case Field::Form:   c.twelve_hour = c.twelve_hour ? 0 : 1; break;
    case Field::Minute: c.minute = wrap(c.minute, step, 0, 59); break;
    case Field::Hour:   c.hour = wrap(c.hour, step, 0, 23); break;
    }
}

void draw_centred(const Calendar& c, int centre, int y, const char* text)
{
    draw_text(c.surface, centre - text_width(text) / 2, y, text, 0, c.skin);
}

void draw_highlight(const Calendar& c)
{
    SDL_Rect part;
    set_rect(part, 0, 0, date_field == kTimeRow ? kTimeHighlightW : kHighlightW, kHighlightH);
    SDL_Rect at;
    set_rect(at, kHighlightX, kHighlightY + kRowStep * date_field, 0, 0);
    if (highlight)
        SDL_BlitSurface(highlight, &part, c.surface, &at);
}

void draw(const Calendar& c)
{
    blit_onto(c.surface, window_picture, kWindow.x, kWindow.y);
    draw_highlight(c);
    char text[16];
    format_into(text, "%02d", c.day);
    draw_centred(c, kValueCentre, kDayY, text);
    draw_centred(c, kValueCentre, kMonthY, kMonthNames[static_cast<size_t>(c.month)]);
    format_into(text, "%d", c.year);
    draw_centred(c, kValueCentre, kYearY, text);
    draw_centred(c, kFormCentre, kFormY, c.twelve_hour ? "12H" : "24H");
    format_into(text, "%02d:%02d", c.hour, c.minute);
    draw_centred(c, kTimeCentre, kTimeY, text);
    draw_small_text(c.surface, kFullLineCentre - small_text_width(c.full_line) / 2, kFullLineY, c.full_line, 0,
                    c.skin);
    show_whole_screen(c.surface);
}

// Any day 1-31 goes with any month: mktime carries a day past the month's
// end into the next one (31 February becomes 3 March, or 2 March in a leap
// year). Whether summer time applies is worked out for the date set, not
// taken from the moment of opening, which would put the clock an hour off
// when the two differ.
void set_time(const Calendar& c)
{
    std::tm t = c.opened;
    t.tm_min = c.minute;
    t.tm_hour = c.hour;
    t.tm_mday = c.day;
    t.tm_mon = c.month;
    t.tm_year = c.year - 1900;
    t.tm_isdst = -1;
    std::time_t when = std::mktime(&t);
    if (when == static_cast<std::time_t>(-1))
        return;   // not a time this system can hold: the clock stays as it is
    platform_set_time(when);
    wait_box(c.surface, c.skin);
    platform_run("hwclock --systohc");
}

Outcome handle_button(Calendar& c, int button)
{
    switch (button) {
    case kCloseA:
    case kCloseX:
        return Outcome::Close;
    case kAccept:
        set_time(c);
        return Outcome::Close;
    case kUp:
        if (date_field > 0)
            --date_field;
        break;
    case kDown:
        if (date_field < kRowCount - 1)
            ++date_field;
        break;
    case kRight:
    case kLeft:
        step_field(c, kRowFields[static_cast<size_t>(date_field)], button == kRight ? +1 : -1);
        break;
    case kHourUp:
    case kHourDown:
        if (date_field == kTimeRow)
            step_field(c, Field::Hour, button == kHourUp ? +1 : -1);
        break;
    default:
        break;
    }
    return Outcome::GoOn;
}

Outcome handle_touch(Calendar& c, int x, int y)
{
    if (!point_in(x, y, kWindow))
        return Outcome::Close;
    if (point_in(x, y, kOkButton)) {
        set_time(c);
        play_click();
        return Outcome::Close;
    }
    for (const Arrow& arrow : kArrows) {
        if (point_in(x, y, arrow.area)) {
            step_field(c, arrow.field, arrow.step);
            play_click();
        }
    }
    return Outcome::GoOn;
}

Outcome handle_event(Calendar& c, const SDL_Event& e)
{
    if (e.type == SDL_JOYBUTTONDOWN)
        return handle_button(c, e.jbutton.button);
    if (e.type == SDL_MOUSEBUTTONDOWN)
        return handle_touch(c, e.button.x, e.button.y);
    return Outcome::GoOn;
}

void read_local_time(Calendar& c)
{
    std::time_t now = platform_time();
    localtime_r(&now, &c.opened);
    if (std::strftime(c.full_line, sizeof c.full_line, "%c", &c.opened) == 0)
        c.full_line[0] = '\0';
    c.day = c.opened.tm_mday;
    c.month = c.opened.tm_mon;
    c.year = c.opened.tm_year + 1900;
    c.hour = c.opened.tm_hour;
    c.minute = c.opened.tm_min;
}

} // namespace

void date_time_window(SDL_Surface* surface, const char* skin, int32_t& twelve_hour)
{
    load_cached(window_picture, "calendar.png", skin);
    load_cached(highlight, "propsel.png", skin);
    Calendar c{surface, skin, twelve_hour, {}, {}, 0, 0, 0, 0, 0};
    read_local_time(c);
    SDL_Event calendar_event{};
    for (;;) {
        draw(c);
        wait_event_into(calendar_event);
        if (handle_event(c, calendar_event) != Outcome::GoOn)
            return;
    }
}
