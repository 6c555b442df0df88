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
// load_user without the message: false (record untouched) when the
// account's "data.st" is not there.
bool read_user(UserRecord& record, const char* name);
// Writes the record's kind and password to its "data.st"; nothing for a
// record with no kind or an account folder that is not there.
void save_user_data(UserRecord record);
// True when name is an account folder under "user/" (a name no account can
// have, empty or with a "/", never is).
bool account_exists(const char* name);
// True when the account exists and its "data.st" can be read.
bool account_usable(const char* name);
// False, after saying so, for a password the data file could not keep (one
// with a blank).
bool password_allowed(const char* password);
// Lists the account folders of "user/" into table (the listing of the
// folder, without the folder where a new account is put together).
void list_accounts(NameTable& table);
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
// Ends the automatic logon for good: "resources/autolog.st" and a parked
// "resources/autoback.st" are removed.
void switch_off_autologon();
// Reads "resources/autolog.st" into autolog_user when the file is there.
void read_autolog_user();

// The skin for messages: the user's, or "Blue" before one is loaded.
const char* message_skin();
