// The stock applications: eight programs of the console's firmware, started
// through a launch script that brings the launcher back when they end.
#pragma once

#include <SDL.h>
#include <cstdint>

// The highlighted program, 0-7; kept from one opening to the next.
extern int32_t stock_app_selection;

// Runs the window until it is closed. Choosing a program writes the launch
// script "/mnt/nand/exect.gpe" and replaces the shell with it, so the call
// returns only when the window closes, or when the script could not be
// written. When the replacement fails, the shell (already shut down) ends
// with status 1.
void show_stock_applications(SDL_Surface* surface, const char* skin);

// The same, with the files the window looks at and writes (the stock
// launcher, the launch script) reached under root, which is "" on the
// console; tests pass a folder that stands for the console's "/". The
// script is started by its console path.
void run_stock_applications(SDL_Surface* surface, const char* skin, const char* root);
