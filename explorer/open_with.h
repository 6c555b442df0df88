// Programs started on a file: a link that names file types ("gba gbc gb")
// opens the explorer on its folder, listing those files, and its program is
// started with the one the user picks; a file of those types opened in the
// free explorer is offered to the links that name its type.
#pragma once

#include "core/state.h"

// Starts the program of link: at once for a plain link; for a link with
// file types, the explorer opens on the link's folder (closing it goes back
// to back_to) and picking a file starts the program on it.
void start_link(const LinkRecord& link, WindowId back_to);

// The folder a link with file types browses first, ending in "/": its
// folder line when it is absolute, that line under the program's folder
// when it is relative, the program's folder when the line is empty. False
// when the line names no folder that can be read (or too long a path):
// folder then holds the program's folder.
bool link_folder(const LinkRecord& link, char (&folder)[500]);

// The logged-on user's links, of all four categories, whose programs exist
// and whose file types hold name's type: at most `most`, sorted by title,
// copied into claims (their icons none). Returns how many.
int programs_claiming(const char* name, LinkRecord* claims, int most);

// For the file name of directory in the free explorer: when links claim it,
// offers their programs (one: the question "Open with <title>?"; more: a
// menu of them) and starts the one chosen on the file. False when no link
// claims the file, which the explorer then opens as it would any other.
bool offer_programs(const char* directory, const char* name);

// The menu of programs for a file, over the screen: the titles of the
// count links in claims (at most 7 shown), under "Open with:". Returns the
// index chosen, or -1 when cancelled (button 14 or 9, or a touch outside
// the menu).
int choose_program(const LinkRecord* claims, int count);
