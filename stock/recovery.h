// The recovery screen, shown instead of the logon when button R is held as
// the shell starts: continue into the shell (with the automatic logon
// switched off, if wished), start the stock launcher, or uninstall Korvo.
#pragma once

#include <SDL.h>

// Returns when the user continues into the shell. The other two choices
// replace the process; when that fails the shell, already shut down, ends
// with status 1.
void show_recovery_screen(SDL_Surface* surface);
