// The skin chooser: a modal window listing the three skins with a preview of
// the highlighted one.
#pragma once

#include <SDL.h>

// Lets the user pick a skin. On a confirmed change of skin ("Save and
// restart?" answered Yes) writes its name into skin and its own wallpaper,
// "wallpaper/<skin>.png", into wallpaper, and returns 1; returns 0 when the
// window is closed. The caller saves and restarts: pictures of the old skin
// stay cached until the process ends.
int skin_chooser(SDL_Surface* surface, char (&skin)[20], char (&wallpaper)[100]);
