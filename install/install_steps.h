// The installer and the uninstaller: fixed sequences of shell commands run
// through the platform layer, with the boot script written in between.
//
// Commands are always the exact text of the sequence. The files the programs
// look at themselves (the kept stock launcher, the boot script, the copies
// they check) are reached under root, which is "" on the console; tests pass
// a folder that stands for the console's "/".
#pragma once

// Installs the shell from the working directory (the shell's folder on the
// card) in place of the stock launcher, and reboots. 0 when done; 1 when a
// copy that the stock launcher depends on failed: then nothing is removed,
// the console is not rebooted and the user is told on standard error.
int run_installer(const char* root);

// Removes the shell and puts the stock launcher back, then reboots. 0 when
// done; 1 (no removal of "gph.gpu", no reboot) when the launcher's copy back
// to "gp2xmenu" failed.
int run_uninstaller(const char* root);

// True when the files at the two paths can both be read and have the same
// size and the same bytes.
bool same_file_contents(const char* a, const char* b);
