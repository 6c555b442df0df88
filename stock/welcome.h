// The two-second greeting after a logon through the logon screen.
#pragma once

#include "core/state.h"

// Shows the user's picture and name (skin "Blue") for two seconds, then
// releases the fonts so later text uses the user's own skin.
void show_welcome(SDL_Surface* surface, UserRecord user);
