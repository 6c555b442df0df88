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
// account's "data.st" is not there or is not what the shell writes.
bool read_user(UserRecord& record, const char* name);
// Reads the account's "data.st" into the record's kind and password; false
// (record untouched) when it is missing, no regular file, or not the text
// the shell writes (parse_user_data).
bool read_user_data(UserRecord& record, const char* name);
// The text of a "data.st" as the shell writes it: a known kind, then
// optionally a blank and a password of at most 19 characters, all of them
// characters the keyboard types, and blanks and line ends. A word after
// the password is not read. False for anything else: a damaged file is no
// account data, and its bytes are never asked for as a password.
bool parse_user_data(std::string_view text, char (&kind)[20], char (&password)[20]);
// Writes the record's kind and password to its "data.st"; nothing for a
// record with no kind or an account folder that is not there.
void save_user_data(UserRecord record);
// True when name is an account folder under "user/" (a name no account can
// have, empty or with a "/", never is).
bool account_exists(const char* name);
// True when the account exists and its "data.st" can be read as the shell
// writes it.
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
// it already is. False, with autolog_user and the file as they were, when
// the file could not be written or removed (a full or write-protected card).
bool toggle_autologon(UserRecord record);
// Reads the logged-on user's "settings.st" into the settings and applies the
// brightness; a missing file (or missing fields) leaves the values as they are.
void load_settings();
// Writes the seven settings to the logged-on user's "settings.st", then
// "sync"; false (the old file kept as it was) when there is no account
// folder or the file could not be written (a full or write-protected card).
bool write_settings();
// write_settings where no one asked for a save (before a launch or a
// power-off): a failure stays quiet.
void save_settings();
// write_settings after a change the user just made: one that cannot be
// kept says so, "Could not save settings!". False then.
bool save_chosen_settings();
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
