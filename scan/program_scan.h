// The program scan: finds every ".gpe" and ".gpu" program on the SD card,
// lets the user give each one a category, and writes a link for each that
// got one. A modal screen of its own, opened from the start menu.
#pragma once

#include <SDL.h>
#include <cstdint>

// The page shown (11 programs to a page) and the highlighted row on it,
// 0-10. Kept from one scan to the next, so a scan opens where the last
// one ended.
extern int32_t scan_page;
extern int32_t scan_cursor;

// Runs the scan for user until it is closed: button 13 writes the links of
// the programs given a category (a message tells when some could not be
// written); button 14 and the close box leave without links.
void program_scan(SDL_Surface* surface, const char* skin, const char* user);
