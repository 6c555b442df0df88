// Layers: what lies beneath a window's changing parts, composed once into a
// full-screen picture and reused until something under it changes.
//
// A window's draw operation is split in two. Its compose procedure paints
// everything that stays while the user moves about in the window: the
// desktop beneath, the window's picture, a page of icons and labels. Its
// overlay is what moves: highlights, the selected item's details. The draw
// operation calls show_layer with the window's key and its compose
// procedure, then draws its overlay.
//
// show_layer composes the layer when its key differs from the one it was
// composed for, and keeps a copy. In a frame of the main loop whose screen
// still holds the last frame, the new overlay is drawn over what the last
// one left: of the last overlay's parts, those drawn again alike are left as
// they are and the others are put back from the layer (gfx/changes.h), and
// the frame shows the display only what changed. Otherwise (another
// window's layer was shown last, a dialog drew over the screen, a direct
// call outside a frame) it puts the whole layer on the screen.
//
// When a layer is composed anew (its invalidation rules):
// - a change of window: the key holds the window, and the window's own
//   values (its page, the item it shows beneath another window);
// - the taskbar, which every layer shows: the clock's minute and form, the
//   battery level and the volume are in every key;
// - the skin, the wallpaper, the desktop's shortcuts, a category's links, the
//   explorer's listing, an edited link: whatever reads or edits them calls
//   layers_changed, which moves the generation every key holds.
// The overlay must be drawn in the order the plain drawing gives its parts,
// and redraw what the plain drawing puts over it, so that layer and overlay
// together show exactly what drawing everything would show.
#pragma once

#include "core/state.h"

#include <SDL.h>

#include <array>
#include <cstdint>

struct LayerKey {
    WindowId window = WindowId::None;
    std::array<intptr_t, 4> detail{};   // the window's own values
    uint32_t generation = 0;
    int64_t minute = 0;
    int32_t twelve_hour = 0;
    int32_t battery = 0;
    int32_t volume = 0;
};
bool operator==(const LayerKey& a, const LayerKey& b);

// The key of window with its own values, and the values every layer shows
// through the taskbar (generation, minute, clock form, battery, volume).
LayerKey layer_key(WindowId window, intptr_t a = 0, intptr_t b = 0, intptr_t c = 0, intptr_t d = 0);

// The battery level the keys of this frame hold (read once a frame).
int frame_battery_level();

// Something a layer shows changed in a way no key value tells: every layer
// is composed anew when it is next shown.
void layers_changed();

struct Layer {
    SDL_Surface* surface = nullptr;   // the composed picture, as large as the screen
    LayerKey key;
    bool valid = false;
};

// The layer of whichever window above the desktop is shown: one at a time.
Layer& window_layer();

// Composes layer when it is not valid for key: compose paints on the screen
// and the layer keeps a copy. True when it composed (the screen then shows
// the layer).
bool compose_if_changed(Layer& layer, const LayerKey& key, void (*compose)());
// Puts the whole layer on the screen.
void paint_layer(const Layer& layer);
// What a window's draw operation calls first (see above); the overlay
// follows.
void show_layer(Layer& layer, const LayerKey& key, void (*compose)());
// Forgets what layer shows: the next use composes it.
void forget_layer(Layer& layer);

// How many times a layer has been composed (for the counting tests).
long layer_compositions();
