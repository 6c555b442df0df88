// What the emulator's stand-ins for firmware and card programs share: they
// run on the platform layer like the shell, so they get the same window,
// buttons and input script, and they say on screen and in the emulator's
// "state/programs.log" that they ran.
#pragma once

#include <SDL.h>

#include <string_view>

// True when this program's file is as long as the line the build sealed
// at its end says ("KORVO-STANDIN-SIZE=<ten digits>\n"): a stand-in that was
// cut short by a full NAND or a power cut refuses to run.
bool standin_is_whole();

// SDL with video, timer and joystick up, the emulator's screen open; the
// start logged as "started" plus the given note.
SDL_Surface* standin_start(std::string_view note);
// Fills the screen with a colour and writes a title and lines of text in
// SDL_gfx's built-in 8x8 font.
void standin_clear(Uint8 r, Uint8 g, Uint8 b);
void standin_text(int x, int y, std::string_view text, bool highlight = false);
void standin_show();
// Waits for the next button or touch press; its button number, or -1 for
// a touch (position in x and y when given).
int standin_wait_press(int* x = nullptr, int* y = nullptr);
// Appends a line to "state/programs.log" and to standard output.
void standin_log(std::string_view line);
// Shuts SDL down and replaces the process as the console's programs return
// to the menu: "/usr/gp2x/gp2xmenu" run from "/usr/gp2x". Returns only when
// that failed (as standin_replace does).
void standin_return_to_menu();
// Shuts SDL down and replaces the process with program, run from folder.
// When that fails it returns with SDL and the screen up again, in the
// folder it was called from.
void standin_replace(const char* folder, const char* program);
