// The desktop shortcut list: "user/<user>/desktop.st" names one link file
// per line ("user/<user>/links/<category>/<name>.lk", at most 98
// characters), in the order the shortcuts were added; desktop_items holds
// the first 24 that load, sorted by title.
#pragma once

#include "core/state.h"

// Fills desktop_items for the logged-on user: each line of "desktop.st"
// ended by a line feed names a link file, read as load_links reads one
// (program check, icon). Lines whose link or program is missing, and lines
// too long to be a path, are skipped and stay in the file; a last line
// without a line feed is not used. No file: an empty desktop.
void load_desktop();

// The main loop's load on entering the desktop: load_desktop, unless
// nothing the loaded desktop was read from can have changed since: the same
// user and skin, "desktop.st" the same file, and no file written and no
// command run by the shell in between (the shell's own changes of links
// and programs all go through one or the other).
void refresh_desktop();

// What desktop_add did.
enum class ShortcutAdded {
    Added,      // the line is in the file
    Refused,    // nothing to add (see desktop_add)
    NotSaved,   // the file could not be written: it is as it was
};

// Adds the link file of record, in return_window's category, as the last
// line of the logged-on user's "desktop.st" (creating it), then "sync". Does
// not reload: the caller calls load_desktop. Refused when a loaded shortcut
// has the same link_name (links of one name in two categories count as the
// same), when the record is not in use, or when the path would be too long
// to be read back. The lines there stay byte for byte; a last line left
// without its line feed is ended first, so the new line stands on its own.
// The file is replaced through a temporary file and a rename, so a full
// card or a power cut leaves the old list or the new one.
ShortcutAdded desktop_add(const LinkRecord& record);

// Removes the line that slot of desktop_items was loaded from, whatever its
// place in the file, then reloads. The file is replaced through a temporary
// file and a rename, so a power cut leaves the old list or the new one; a
// last line without a line feed is dropped with the rewrite. False when the
// file could not be written (the shortcut stays); nothing to do for a slot
// that is not in use.
bool desktop_remove(int slot);
