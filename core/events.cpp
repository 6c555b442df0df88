#include "core/events.h"

#include "core/devices.h"
#include "core/state.h"
#include "platform/platform.h"

#include <atomic>
#include <cstdint>

namespace {

constexpr Uint32 kTapWindowMs = 300;

// Counts the waits. The power-off timer carries the count of the wait that
// armed it, so a power-off request that arrives after the user has already
// been active again (posted just as another event came) is recognised as
// stale and dropped.
std::atomic<uintptr_t> wait_count{1};

void arm_timers(uintptr_t this_wait)
{
    if (saver_ms >= 1 && saver_timer == nullptr && screen_on == 1)
        saver_timer = SDL_AddTimer(static_cast<Uint32>(saver_ms), saver_expired, nullptr);
    if (auto_off_ms >= 1 && off_timer == nullptr)
        off_timer = SDL_AddTimer(static_cast<Uint32>(auto_off_ms), off_expired,
                                 reinterpret_cast<void*>(this_wait));
}

void remove_timers()
{
    if (saver_timer != nullptr) {
        SDL_RemoveTimer(saver_timer);
        saver_timer = nullptr;
    }
    if (off_timer != nullptr) {
        SDL_RemoveTimer(off_timer);
        off_timer = nullptr;
    }
}

bool is_power_off_request(const SDL_Event& e)
{
    return e.type == SDL_USEREVENT && e.user.code == kPowerOffEventCode;
}

// Set while wait_event blocks: only then does a clock tick reach a handler
// (the dialogs' own waits never see one, save by a narrow race, and ignore it).
std::atomic<bool> handler_waiting{false};
SDL_TimerID clock_timer = nullptr;

// A tick comes this long after the minute begins, so the clock read at the
// tick shows the new minute even when the timer fires a little early.
constexpr Uint32 kTickMarginMs = 200;

// The one wait of the shell: the main loop's handlers take clock ticks
// (ticks set), the dialogs' own loops never see one.
void wait_for(SDL_Event& into, bool ticks)
{
    for (;;) {
        uintptr_t this_wait = wait_count.load();
        arm_timers(this_wait);
        handler_waiting = ticks;
        platform_wait_event(&into);
        handler_waiting = false;
        // A tick leaves the idle timers running: it is no sign of the user.
        if (is_clock_tick(into)) {
            if (!ticks || screen_on == 0)
                continue;
            return;
        }
        if (is_sound_end(into)) {
            if (ticks)
                continue;
            return;
        }
        remove_timers();
        wait_count = this_wait + 1;
        bool power_off_request = is_power_off_request(into);
        if (power_off_request && reinterpret_cast<uintptr_t>(into.user.data1) != this_wait)
            continue;
        if (screen_on == 0) {
            screen_on = 1;
            backlight_set(1);
        }
        // Sound, the settings file and the screen belong to the main thread,
        // so the timer only asks and the shut-down happens here.
        if (power_off_request)
            power_off();
        return;
    }
}

} // namespace

bool is_sound_end(const SDL_Event& e)
{
    return e.type == SDL_USEREVENT && e.user.code == kSoundEndedEventCode;
}

void wait_event()
{
    wait_for(event, true);
}

void wait_event_into(SDL_Event& into)
{
    wait_for(into, false);
}

int point_in_rect(int px, int py, int x, int y, int w, int h)
{
    return px >= x && px <= x + w && py >= y && py <= y + h;
}

bool point_in(int px, int py, const SDL_Rect& r)
{
    return point_in_rect(px, py, r.x, r.y, r.w, r.h) != 0;
}

bool touch_in(const SDL_Event& e, const SDL_Rect& r)
{
    return e.type == SDL_MOUSEBUTTONDOWN && point_in(e.button.x, e.button.y, r);
}

Uint32 saver_expired(Uint32, void*)
{
    screen_on = 0;
    backlight_set(0);
    return 0;
}

Uint32 off_expired(Uint32 interval, void* param)
{
    // A USB connection, or a sound the user is listening to, keeps the
    // console on; the timer comes again after the same time.
    if (usb_mode != 0 || sound_playing != 0)
        return interval;
    SDL_Event request{};
    request.type = SDL_USEREVENT;
    request.user.code = kPowerOffEventCode;
    request.user.data1 = param;
    SDL_PushEvent(&request);
    return 0;
}

// One-shot: returning 0 ends this timer alone. (Cancelling with
// SDL_SetTimer(0, NULL) would drop every armed timer, the screensaver's and
// the power-off timer's with it.)
Uint32 tap_expired(Uint32, void*)
{
    tap_pending = 0;
    return 0;
}

void start_tap_window()
{
    tap_pending = 1;
    SDL_AddTimer(kTapWindowMs, tap_expired, nullptr);
}

bool is_clock_tick(const SDL_Event& e)
{
    return e.type == SDL_USEREVENT && e.user.code == kClockTickEventCode;
}

Uint32 ms_to_next_minute(time_t now)
{
    Uint32 seconds_left = static_cast<Uint32>(60 - ((now % 60) + 60) % 60);
    return seconds_left * 1000 + kTickMarginMs;
}

void start_clock_timer()
{
    if (clock_timer == nullptr)
        clock_timer = SDL_AddTimer(ms_to_next_minute(platform_time()), clock_tick_expired, nullptr);
}

Uint32 clock_tick_expired(Uint32, void*)
{
    if (handler_waiting) {
        SDL_Event tick{};
        tick.type = SDL_USEREVENT;
        tick.user.code = kClockTickEventCode;
        SDL_PushEvent(&tick);
    }
    return ms_to_next_minute(platform_time());
}
