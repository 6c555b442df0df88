// The file explorer window ("explorer"): one directory as pages of seven
// entries with their icons. It browses the memory cards, picks a wallpaper,
// a program for a category or an icon for a link, depending on how it was
// opened (explorer_path, explorer_filter, explorer_free_browse).
#pragma once

#include "core/state.h"

// Opens the explorer on path, listing the entries that pass filter; closing
// it goes back to back_to. free_browse 1 lets the user enter and leave
// directories; 0 picks a wallpaper. A directory that cannot be read opens
// an empty explorer.
void open_explorer(WindowId back_to, const char* path, const char* filter, int free_browse);

// Opens the explorer on folder for link, a link with file types: only
// directories and files of its types are listed, picking a file starts the
// link's program on it (button 15 starts it without one), and closing goes
// back to back_to.
void open_explorer_for_link(WindowId back_to, const char* folder, const LinkRecord& link);

// Draws the window over the screen without refreshing it.
void draw_explorer();
// Waits for one event and handles it.
void explorer_input();

// Acts on the entry name of explorer_path by its type: enters a directory,
// starts the link's program on it (the explorer opened for a link), sets
// the wallpaper or a link's icon, launches a program or makes a link for
// it, or shows a picture. Browsing freely, a file that links claim by type
// is offered to their programs first; a text file is read and a sound
// played.
void open_entry(const char* name);

// The cached 16x16 icon for name's type; the generic file icon for a type
// without one of its own.
SDL_Surface* file_icon(const char* name, const char* skin);
