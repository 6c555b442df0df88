// The text viewer: a text file on the whole screen in the small font, its
// lines wrapped at the screen's width, read a page at a time. Files of any
// size are shown through a window of 16 kB of the file; nothing else of it
// is kept.
//
// Buttons: up and down a row, left and right a page, L and R a tenth of the
// file, X leaves. Touches: the upper half of the text a page back, the
// lower half a page on, the close box at the top right leaves.
//
// Bytes are shown as Latin-1, with the font's nearest letters (an "é" as
// "e"); a UTF-8 character of Latin-1 shows the same. Whatever the font
// cannot show, other characters and other encodings alike, shows as "?".
#pragma once

// Shows the file at path until the user leaves. A file that cannot be read
// is said so ("Load failed!").
void text_viewer(const char* path);

// --- the reader behind it (also for its tests) ---

constexpr int kTextWindowBytes = 16384;
// Rows a page shows.
constexpr int kTextRows = 22;

// Opens the file the reader shows; false (and nothing open) when it cannot
// be read as a regular file.
bool text_open(const char* path);
void text_close();
long long text_size();
// Lays out the row that starts at offset from: writes what it shows into
// shown (capacity bytes) and returns the offset the next row starts at.
// A row ends after its line feed, or where the next character would pass
// the screen's width: after the last blank of the row when it has one.
long long text_next_row(long long from, char* shown, unsigned long capacity);
// The start of the row `rows` rows before the row starting at from (0 at
// most); a line longer than 64 kB is laid out from 64 kB before.
long long text_rows_back(long long from, int rows);
// The start of the row holding offset at.
long long text_row_of(long long at);
