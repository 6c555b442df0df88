// The user accounts window ("users"): shows one account (edit_user) and lets
// the user rename it, change its password, kind and automatic logon, step
// to the other accounts, delete it, and create new accounts, under the
// rights rules of check_rights.
#pragma once

void draw_users_window();
// Reads the account list again, waits for one event and handles it.
void users_input();
