// Starting a program: the shell saves the user's settings, releases its
// devices, shuts SDL down and replaces itself with the system shell running
// the program. Nothing brings the shell back when the program ends but the
// program itself (console programs return to the launcher).
#pragma once

#include "core/state.h"

// Starts the program of a link at the link's processor clock, with the
// fixed timing set when its timing option is "yes".
void launch_link(const LinkRecord& record);
// Starts the program file in the directory the explorer shows, at the
// clock already set.
void launch_file(const char* file);
// If the system shell cannot be started, the shell restarts itself (it has
// already shut its devices and SDL down); failing that it ends with status 1.
