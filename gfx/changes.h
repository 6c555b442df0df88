// The changed parts of the screen. Every drawing helper (blit_onto and
// blit_at, the text operations, fill_rect) notes the rectangle of the screen
// it drew on; a frame of the main loop or of a dialog's loop is drawn
// between begin_frame and end_frame, and end_frame shows the display only
// the rectangles that changed in between.
//
// A frame also tells whether the screen still holds what the last frame
// left on it: drawing on the screen outside a frame (a handler's direct
// draw, a dialog) or showing it outside a frame means it may not, and the
// next frame is then drawn and shown whole (see gfx/layer.h).
#pragma once

#include "core/state.h"
#include "platform/platform.h"

#include <SDL.h>

// Notes that the rectangle x, y, w, h of the screen changed (clipped to the
// screen; nothing for an empty one).
void note_changed(int x, int y, int w, int h);
// The whole screen changed: the next end_frame shows all of it.
void note_whole_screen_changed();

// Starts a frame: from here the draws are collected.
void begin_frame();
// Ends the frame: shows the changed rectangles on the display (all of the
// screen once anything drew over most of it, or after
// note_whole_screen_changed) and forgets them.
void end_frame();
// Whether a frame is being drawn.
bool in_frame();
// Inside a frame its number (how many were begun by begin_frame outside
// any frame), outside one 0: what tells one frame's readings from the next.
unsigned long frame_being_drawn();
// Whether the screen holds exactly what the last end_frame showed: nothing
// drew on it and nothing showed it since.
bool screen_as_last_shown();
// Something outside the frames drew on the screen or showed it (a dialog
// that refreshes the display itself): the next frame starts afresh.
void note_screen_overdrawn();

// A frame of a dialog's loop: draw paints it onto surface, and the display
// is shown all of the screen the first time (what the caller left on the
// screen shows with it), then only what each later frame changed.
template <typename Draw>
void show_dialog_frame(SDL_Surface* surface, bool first, Draw draw)
{
    if (surface != screen) {
        draw();
        platform_update(surface, 0, 0, surface->w, surface->h);
        return;
    }
    begin_frame();
    if (first)
        note_whole_screen_changed();
    draw();
    end_frame();
}

// --- the overlay over a layer (see gfx/layer.h) ---
//
// From begin_overlay to the end of the frame, what the drawing helpers draw
// is the window's overlay over the layer of owner, a copy of the screen
// beneath it; each part drawn (a picture, a text, a filled rectangle) is
// remembered. The next frame over the same layer starts from the screen as
// this one leaves it: a part of the last frame drawn again alike, where no
// other part of either frame lies, is left as it is, not drawn or shown
// again; every other part of the last frame is put back from the layer
// before anything is drawn where it lay, or at the end of the frame.

// Whether the next overlay over owner can build on the last frame's: it
// drew one over owner and the screen is as it left it.
bool overlay_continues(const void* owner);
// Starts the overlay over owner, whose picture is layer: building on the
// last frame's when continuing, else over the whole layer just shown.
void begin_overlay(const void* owner, SDL_Surface* layer, bool continuing);

// A part the drawing helpers are about to draw on the screen.
enum class PartKind { Picture, Text, Fill };
struct DrawnPart {
    PartKind kind;
    const void* source;   // the picture, or a text's glyph strip
    Uint32 colour;        // a filled rectangle's
    SDL_Rect rect;        // where it lands on the screen
    // A text's characters drawn (the large font draws 50 at most).
    const char* text = nullptr;
    size_t text_length = 0;
};
// Called by the drawing helpers before they draw part on the screen: false
// when it is to be left as the last frame left it (see above).
bool draw_part(const DrawnPart& part);

// The rectangles the last end_frame showed, and how many pixels they cover.
int last_shown_rects(const SDL_Rect*& rects);
long last_shown_pixels();
