// Watching the frames the shell shows: every refresh of the display passes a
// test's observer the screen as it is about to be shown, so animations and
// dialogs can be checked frame by frame.
#pragma once

#include <SDL.h>

#include <functional>
#include <vector>

// Calls observer with the surface of every display refresh while it lives.
class FrameWatch {
public:
    explicit FrameWatch(std::function<void(SDL_Surface*)> observer);
    ~FrameWatch();
    FrameWatch(const FrameWatch&) = delete;
    FrameWatch& operator=(const FrameWatch&) = delete;

    int frames() const;   // refreshes seen so far (one per call, however many rectangles)
    // The rectangles refreshed so far, in order.
    const std::vector<SDL_Rect>& rects() const;
};
