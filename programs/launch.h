// Starting a program: the shell saves the user's settings, releases its
// devices, shuts SDL down and replaces itself with the system shell running
// the program, followed by the console's menu: a program that ends (or
// cannot start after all) brings the console back to the menu, and one that
// goes back to the menu itself does so as before.
#pragma once

#include "core/state.h"

// Starts the program of a link at the link's processor clock, with the
// fixed timing set when its timing option is "yes".
// A program file that is not there, is no regular file or may not be run
// is refused with a message before anything changes; false then.
bool launch_link(const LinkRecord& record);
// Starts the program of a link as launch_link does, with path, the file
// the user picked for it, as its one argument (made absolute, since the
// program runs in its own folder). The path reaches the program literally,
// whatever characters its name holds.
bool launch_link_on_file(const LinkRecord& record, const char* path);
// Starts the program file in the directory the explorer shows, at the
// clock already set.
bool launch_file(const char* file);
// If the system shell cannot be started, the shell restarts itself (it has
// already shut its devices and SDL down); failing that it ends with status 1.
