// Drawing helpers shared by the dialogs, which draw onto the surface their
// caller hands them rather than onto screen.
#pragma once

#include "gfx/image.h"
#include "platform/platform.h"

#include <SDL.h>

// A touch or draw rectangle (x, y, w, h), tested with point_in_rect.
struct DialogRect {
    int x, y, w, h;
};

// Blits the whole of image onto target at (x, y); nothing for a missing image.
inline void blit_onto(SDL_Surface* target, SDL_Surface* image, int x, int y)
{
    if (!image || !target)
        return;
    SDL_Rect at;
    set_rect(at, x, y, image->w, image->h);
    SDL_BlitSurface(image, nullptr, target, &at);
}

constexpr int kDialogScreenWidth = 320;
constexpr int kDialogScreenHeight = 240;

// Shows the whole of target on the display.
inline void show_whole(SDL_Surface* target)
{
    platform_update(target, 0, 0, kDialogScreenWidth, kDialogScreenHeight);
}
