// The emulated console's files, laid out in a folder of the build:
//   tree/mnt/sd/korvo/     the shell's folder as a user unpacks it onto a card
//   tree/mnt/sd/...        sample programs in folders of their own, pictures
//   tree/mnt/nand/
//   tree/usr/gp2x/         stand-ins for the firmware's programs
//   tree/etc/rc.d/
// beside "state/" (what the processes of one run share) and "screenshots/".
#pragma once

#include <string>

struct TreeSources {
    std::string source_dir;   // the source tree: resources/, user/, emu/
    std::string binary_dir;   // the build: the shell, installer, stand-ins
};

// Makes dir the emulator's own, or says why not: a new or empty folder is
// marked with the file ".korvo-emu"; a marked one, or one holding nothing
// but an earlier emulator's tree/, state/ and screenshots/, is taken as it
// is. Any other folder is refused (reason on stderr), so that --fresh and
// the state of each run never delete what the emulator did not make.
bool claim_emulator_folder(const std::string& dir);

// Makes the tree when it is missing, or anew when fresh is set (everything
// else in the folder goes too). An existing tree keeps its state, like a real
// card; only the shell's programs on the card are refreshed from the build.
// False, with the reason on stderr, when it could not.
bool lay_out_tree(const std::string& dir, const TreeSources& from, bool fresh);

// Empties "state/" for a new run and sets the battery to full.
bool reset_state(const std::string& dir);
