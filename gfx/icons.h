// Program icons (link and shortcut icons): decoded once per file and kept,
// so that reloading a category or returning to the desktop decodes only the
// icons whose files changed.
#pragma once

#include <SDL.h>

// The size every link icon is shown at, in pixels.
constexpr int kIconSize = 32;

// Decodes the picture at path as an icon, in the screen's format: scaled to
// 32x32 unless it is 32x32 already (or unless keep_size is set). A picture
// with a colour key, or with an alpha channel that is only ever 0 or 255,
// becomes a colour-keyed 16-bit icon; one with soft edges keeps its alpha,
// run-length encoded. None when it cannot be loaded. The caller owns it.
SDL_Surface* load_icon(const char* path, bool keep_size = false);

// The icon of path as load_icon gives it, decoded on first use and again
// only when the file changed (its identity, size or times). Each call gives
// the caller a reference of its own, to be let go with SDL_FreeSurface, as
// for a surface it loaded itself. None when the file cannot be loaded; a
// missing file costs one status call and no decoding.
SDL_Surface* cached_icon(const char* path, bool keep_size = false);

// Lets go of the cache's own references; surfaces still held elsewhere stay
// valid until their holders free them.
void release_icon_cache();
