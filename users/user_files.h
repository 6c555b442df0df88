// The account tree under "user/": records, settings and automatic logon.
#pragma once

// Reads the logged-on user's "settings.st" into the settings and applies the
// brightness; a missing file (or missing fields) leaves the values as they are.
void load_settings();
// Writes the seven settings to the logged-on user's "settings.st", then "sync".
void save_settings();
