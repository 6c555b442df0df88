// The account tree under "user/": one folder per account with its kind and
// password ("data.st"), settings ("settings.st"), picture ("pic.png"),
// desktop shortcuts ("desktop.st") and link folders; and the automatic-logon
// file "resources/autolog.st".
#pragma once

#include "core/state.h"

#include <array>
#include <string_view>

// The kinds an administrator can give an account ("admin" only comes with
// the delivered accounts).
constexpr std::array<const char*, 2> kind_choices = {"user", "guest"};

// Fills record from the account's "data.st" and "pic.png" (scaled to 43x43;
// the default picture when the account has none). A missing "data.st" is
// reported ("User data not found!") and leaves the record as it was.
void load_user(UserRecord& record, const char* name);
// Writes the record's kind and password to its "data.st".
void save_user_data(UserRecord record);
// Creates the account and reports the result in a message box. A name that
// is no plain word of 1 to 19 characters, or names an existing account, is
// refused ("Invalid user name!", "User already exists!"). True when created.
bool create_user(const char* name);
// Checks a name for a new or renamed account; shows the refusal and returns
// false when it may not be used.
bool account_name_allowed(const char* name);
// Makes record the automatic-logon account, or ends the automatic logon when
// it already is.
void toggle_autologon(UserRecord record);
// Reads the logged-on user's "settings.st" into the settings and applies the
// brightness; a missing file (or missing fields) leaves the values as they are.
void load_settings();
// Writes the seven settings to the logged-on user's "settings.st", then "sync".
void save_settings();
// Whether the logged-on user may use the control of the users window in
// field_selection; shows the refusal and returns 0 when not.
int check_rights();
// Reads "resources/autolog.st" into autolog_user when the file is there.
void read_autolog_user();

// The skin for messages: the user's, or "Blue" before one is loaded.
const char* message_skin();
