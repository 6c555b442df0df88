// What the installer and the uninstaller look at before they trust a file:
// copies compared byte for byte, copied folders compared file by file, and
// programs checked for completeness. They only read.
#pragma once

// True when the files at the two paths can both be read and have the same
// size and the same bytes.
bool same_file_contents(const char* a, const char* b);

// True when every folder under from is a folder under to and every file
// under from is there with the same bytes ("cp -rf from/* to" done in full).
// Names starting with "." at the top of from are skipped, as "from/*" does.
bool same_tree_contents(const char* from, const char* to);

// True when path is a complete program: an ELF file (32 or 64 bits, either
// byte order) whose program headers, loaded segments and section header
// table all lie inside the file. A copy cut short by a full NAND or a power
// cut loses at least its section table, which ELF files keep at their end.
bool is_complete_program(const char* path);

// True when path can be opened for reading ("rt"), as the recovery screen
// asks whether the shell is installed.
bool is_readable(const char* path);
bool is_folder(const char* path);
bool is_file(const char* path);
// True when path is a regular file (after symbolic links) or nothing is
// there: what a rename can put a file in place of.
bool is_file_or_absent(const char* path);
