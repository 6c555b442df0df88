#include "scan/scan_tables.h"

char scan_files[kScanSlots][100];
char scan_dirs[kScanSlots][500];
char scan_categories[kScanSlots][13];
