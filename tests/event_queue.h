// The Wiz build's tests run on the firmware's SDL, which starts its event
// queue only together with its display, and it opens none under qemu-arm.
// While a test runs on an off-screen screen, the test program's own queue
// stands in for SDL's: SDL_PushEvent, SDL_PollEvent and SDL_WaitEvent of the
// shell and of the tests reach it (event_queue.cpp), so input takes the
// shell's own path from the platform layer on. Other builds have SDL's queue
// and this does nothing.
#pragma once

// Turns the stand-in on (the queue empty) or off; on only in the Wiz build.
void use_stand_in_event_queue(bool on);
