// Directory listings: every list of names the shell shows or walks (the
// explorer, the accounts, the wallpapers, a category's link files) is read
// here into a NameTable, filtered by type and sorted directories first.
//
// Directory paths end in "/"; an entry's full path is the directory path
// followed directly by its name, and must fit 499 characters.
#pragma once

#include "core/state.h"

#include <cstddef>

// Reads the directory at path into table, keeping the directories and the
// other entries whose extension equals filter (every entry when filter is
// empty; an entry with extension "gpu" passes any filter), then sorts it.
// "." and ".." are left out, and so is a name of 200 bytes or more. Of a
// larger directory the first 300 entries in sorted order are listed (ties at
// the cut by reading order) and table.left_out counts the others; choosing
// them takes the types readdir reports, and each listed slot's directory
// flag comes from one status call, so a listing costs 300 status calls at
// most whatever the directory's size. A directory that cannot be opened
// leaves the table as it was.
void list_directory(NameTable& table, const char* path, const char* filter);

// The same for the file types of a link: keeps the directories and the files
// that name_has_type finds in types (no "gpu" passes by itself here).
void list_directory_of_types(NameTable& table, const char* path, const char* types);

// True when name's extension, the whole of it after its last "." (the
// listing's three-letter cut does not apply), is one of types: a list of
// extensions apart by blanks, commas or semicolons, each may be written
// "gba", ".gba" or "*.gba", compared without regard to ASCII case (cards
// written on a PC hold "GAME.GBA"). "*" stands for every file, one with no
// extension too; otherwise a name without an extension has none of them.
bool name_has_type(const char* name, const char* types);
// True when types names at least one type.
bool has_file_types(const char* types);

// Sorts the filled slots of table, read from the directory at path:
// directories first, then the other entries, each group by the upper-cased
// first character of the name. Ties keep the order three exchange passes
// leave them in (see listing.cpp). Refreshes the directory flags with one
// status call per entry first; list_directory sorts without that.
void sort_listing(NameTable& table, const char* path);

// The index of the first empty slot, or 300 when every slot is filled.
int count_entries(const NameTable& table);
// Makes all 300 slots empty.
void clear_entries(NameTable& table);

// Stores name's extension in extension (capacity bytes, at least 4): the
// characters after its last ".", cut to three (photo.jpeg gives "jpe"). A
// name with no "." after its first character has none (README, .profile).
void file_extension(const char* name, char* extension, size_t capacity);
template <size_t N>
void file_extension(const char* name, char (&extension)[N])
{
    static_assert(N >= 4, "an extension needs four bytes");
    file_extension(name, extension, N);
}

// True when directory followed by name is a directory, by its own status
// (a symbolic link counts as a file, and so does an entry whose status
// cannot be read or whose path does not fit 499 characters).
bool is_directory(const char* directory, const char* name);

// Changes path, which ends in "/", in place to its parent: "/mnt/sd/games/"
// becomes "/mnt/sd/", "/mnt/" becomes "/", "/mnt//" becomes "/mnt/"; "/"
// stays as it is.
void parent_directory(char* path);

// Status calls the listing code has made since the program started; the
// tests and the benchmark read it to check what a listing costs.
int listing_status_calls();
