// The logon screen of start-up.
#pragma once

#include "core/state.h"

// Shows one account at a time (picture and name) until one is logged on;
// then record holds its name, kind, password and unscaled picture. Runs its
// own event loop with the skin "Blue", the user's not being known yet.
void logon_screen(SDL_Surface* surface, UserRecord& record);
