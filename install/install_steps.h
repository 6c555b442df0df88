// The installer and the uninstaller: fixed sequences of shell commands run
// through the platform layer, each copy checked before the next step.
//
// The one promise of both: at every instant, including a power cut between
// any two commands, "/usr/gp2x/gp2xmenu" is a complete launcher, either the
// stock launcher or the shell with everything it needs. gp2xmenu and gph.gpu
// are only ever written beside themselves, compared byte for byte with their
// source, and renamed into place.
//
// Commands are always the exact text of the sequence. The files the programs
// look at themselves (the launchers, the boot script, the copies they check)
// are reached under root, which is "" on the console; tests pass a folder
// that stands for the console's "/". program is the path the program was
// started by (argv[0]): its log goes beside it.
#pragma once

#include "install/install_checks.h"

// Installs the shell from the working directory (the shell's folder on the
// card) in place of the stock launcher, and reboots. 0 when done; 1 when it
// stopped: then the console still starts a complete launcher, and the
// screen and the log say why.
int run_installer(const char* root, const char* program);

// Puts the stock launcher back first, then removes the shell, and reboots.
// 0 when done; 1 when it stopped (not installed, an incomplete kept
// launcher, a failed copy), with the console still starting a complete
// launcher.
int run_uninstaller(const char* root, const char* program);

// The log's name beside a program path ("/mnt/sd/korvo/installer.gpe" and
// "installer.log" give "/mnt/sd/korvo/installer.log"); false when cut.
bool log_path_beside(char* out, unsigned long capacity, const char* program, const char* log_name);
