// The date and time window: a modal window for setting the system clock
// (day, month, year, hour, minute) and the form of the taskbar clock.
#pragma once

#include <SDL.h>
#include <cstdint>

// Runs the window over surface with the pictures of skin. The clock form
// (twelve_hour: 0 for 24-hour, 1 for 12-hour) changes at once with its
// toggles, even when the window is closed without setting the time; the
// caller saves the settings afterwards.
void date_time_window(SDL_Surface* surface, const char* skin, int32_t& twelve_hour);
