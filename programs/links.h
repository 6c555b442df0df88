// Link files: a user's record of one program in one of the four program
// categories. A link is a text file "user/<user>/links/<category>/<name>.lk"
// of eight lines, in the field order of LinkRecord, each ended by a line
// feed:
//
//     title, description, link_name, program_file, program_dir,
//     cpu_mhz, timing_tweak, icon_path
//
// and, for a program that is started on a file, up to two more:
//
//     browse_dir, file_types
//
// A link without them is exactly the eight lines it always was; one with
// them reads as eight lines to a reader that stops there.
//
// A line gives back at most its field's capacity less two characters (the
// line feed and the terminator), and never more than 99: 23 for the title,
// 48 for the description and the file types, 98 for the link and program
// file names, 99 for the program directory, the icon path and the folder,
// 3 for the clock and the timing option. A longer line is cut to that when
// read, and the lines after it are still read as their own fields.
#pragma once

#include "core/state.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <string_view>

// --- categories ---

// Category 0 is none. The directory names of 1-4 are the names of the four
// category windows, so a category window's identifier names its directory.
constexpr int kCategoryCount = 5;
inline constexpr std::array<const char*, kCategoryCount> category_dirs = {
    "(none)", "apps", "emus", "ports", "games"};
inline constexpr std::array<const char*, kCategoryCount> category_names = {
    "(none)", "Applications", "Emulators", "Ports", "Games"};

static_assert(std::string_view(category_dirs[1]) == window_name(WindowId::Apps) &&
                  std::string_view(category_dirs[2]) == window_name(WindowId::Emus) &&
                  std::string_view(category_dirs[3]) == window_name(WindowId::Ports) &&
                  std::string_view(category_dirs[4]) == window_name(WindowId::Games),
              "the category directories are the category windows' names");

// The index (0-4) of the category name the program scan gave its entry-th
// program; 0 for "(none)", for a name that is none of the five, and for an
// entry outside the scan's table.
int category_index(int entry);

// --- writing ---
//
// The three writers write every line of the link file through a temporary
// file and a rename, then run "sync". They return whether the link was
// written. A link is refused (nothing written, false) when the file would
// not read back as the same link: its name empty or longer than 98
// characters, its program file name longer than 98, its program
// directory, icon path or folder longer than 99 characters, or its file
// types longer than 48. A file that cannot be
// written (a missing directory, a read-only card) also gives false. The
// callers tell the user when a link they asked for was not written.

// Writes the link for the program file of the scan's entry-th program, in
// the category the scan gave it, for user. Entries of category "(none)" are
// refused. The link is named after the program's base name; when the
// category already has a link of that name for another program, the name
// of the program's folder is added ("hello-apps"), then a number
// ("hello-apps-2"), so that neither link replaces the other. A link of the
// same program is written again under its name.
bool create_link_for_scan(int entry, const char* user);

// Writes the link for the program file in the directory the explorer shows
// (explorer_path) into the category of return_window, for the logged-on
// user. The link is named after the file's base name (up to its first "."),
// with clock "533" and timing option "no"; an existing link of that name is
// replaced.
bool create_link_from_file(const char* file);

// Rewrites the file of slot of link_items into the category directory of
// current_window, for the logged-on user; the file is named by the record's
// link_name. Refused for a slot outside the table or not in use.
bool save_link(int slot);

// --- reading ---

// Fills link_items with the links of current_window's category, for the
// logged-on user, sorted by title: lists the category directory into
// explorer_list (filter "lk"), reads each file and keeps the links whose
// program can be opened, with their icons; at most 100 links.
void load_links();

// Removes the line feed that ends each text field of a freshly read record;
// nothing when its link_name is empty.
void strip_line_ends(LinkRecord& record);

// --- shared with the desktop shortcut list ---

// Reads one whole line of file, storing its first `keep` characters (keep
// + 2 <= capacity) followed by its line feed, if it had one. The rest of a
// longer line is consumed, so the next read starts on the next line. A
// carriage return right before the line feed belongs to the line end (a
// file edited on a PC), not to the text. Returns the length of the whole
// line without its line end, or -1 when the file was at its end.
long read_link_line(std::FILE* file, char* text, size_t capacity, size_t keep);

// Reads the link file at path into record, as load_links reads each link:
// its fields, line ends stripped, then the program check and the
// icon. True when the record is now in use; otherwise its text is empty
// again and its icon untouched.
bool load_link_record(const char* path, LinkRecord& record);

// The same without the icon: the record's icon is left as it is.
bool read_link_text(const char* path, LinkRecord& record);

// Empties the text fields of record, keeping its icon.
void clear_link_text(LinkRecord& record);

// Orders the first count records by the first character of their titles,
// ignoring case, with the exchange sort that fixes the order of equal
// first letters; whole records move, icons included. tags, when given,
// holds one number per record and is reordered with them.
void sort_by_title(LinkRecord* table, int count, int* tags);
