// The program scan's tables: one entry per program found on the SD card,
// filled by the scan and read by the link writer (create_link_for_scan).
// An empty file name ends the list.
#pragma once

constexpr int kScanSlots = 300;

extern char scan_files[kScanSlots][100];        // program file name, after the last "/"
extern char scan_dirs[kScanSlots][500];         // program directory, ending in "/"
extern char scan_categories[kScanSlots][13];    // a display name of category_names
