// Korvo's shared state: the window identifiers, the record types, and every
// variable that more than one window reads or writes. A window's own images
// and counters stay private to its file.
#pragma once

#include <SDL.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

// --- window identifiers ---

// Compared by identity only; no identifier is ever built from text. The
// category windows' names double as the names of their link directories.
enum class WindowId : uint8_t {
    Desktop, StartMenu, Sidebar, System, Usb, Explorer, Bright, Saver, Off,
    Apps, Emus, Ports, Games, Props, Users,
    None,   // only drawn_window holds it, before the first set-up
};
constexpr size_t kWindowCount = static_cast<size_t>(WindowId::None);

constexpr std::array<std::string_view, kWindowCount> kWindowNames = {
    "desktop", "startmenu", "sidebar", "system", "usb", "explorer", "bright", "saver", "off",
    "apps", "emus", "ports", "games", "props", "users",
};

constexpr std::string_view window_name(WindowId id)
{
    return id == WindowId::None ? std::string_view("") : kWindowNames[static_cast<size_t>(id)];
}

constexpr bool is_category_window(WindowId id)
{
    return id == WindowId::Apps || id == WindowId::Emus || id == WindowId::Ports || id == WindowId::Games;
}

// --- records ---

// One account in memory. The picture is owned by the record.
struct UserRecord {
    char name[20];
    char kind[20];       // "admin", "user" or "guest"
    char password[20];   // clear text; empty means none
    SDL_Surface* picture;
};

// One link file in memory: its eight lines, in file order, and the two
// lines a link may carry after them, plus its icon (owned by the table
// slot). In use exactly when link_name is not empty.
struct LinkRecord {
    char title[25];
    char description[50];
    char link_name[100];     // base name of the link file itself
    char program_file[100];
    char program_dir[500];   // ends in "/"
    char cpu_mhz[5];
    char timing_tweak[5];    // "yes" applies the fixed timing set
    char icon_path[500];
    // A link with file types opens the explorer on its program's files and
    // starts the program with the one picked.
    char browse_dir[500];    // folder to browse first: absolute, or under program_dir; empty: program_dir
    char file_types[50];     // extensions of the program's files ("gba gbc gb"); empty: none
    SDL_Surface* icon;
};

constexpr int kDesktopSlots = 24;
constexpr int kLinkSlots = 100;

// A sorted directory listing. Filled slots are contiguous from slot 0; an
// empty name ends the list. Each slot keeps its type beside its name, found
// once while listing, so sorting needs no further status calls.
constexpr int kNameSlots = 300;
constexpr int kNameCapacity = 200;
struct NameTable {
    char name[kNameSlots][kNameCapacity];
    bool directory[kNameSlots];
    int left_out;   // kept entries beyond the 300 slots, not listed
};

// --- windows ---

extern WindowId current_window;   // window to show; written by handlers
extern WindowId return_window;    // window a closing window goes back to
extern WindowId drawn_window;     // window the main loop last set up
extern bool screen_up_to_date;    // the main loop's last draw shows the state as it is

// --- display and input ---

extern SDL_Surface* screen;       // the 320x240, 16-bit display surface
extern SDL_Event event;           // the input event of this pass (wait_event)
extern SDL_Joystick* joystick;    // joystick 0: the console's buttons

// --- per-window selection (reset by the main loop on a window change) ---

extern int32_t selection;         // highlighted item of the current window
extern int32_t list_top;          // first visible row / page of a scrolled list
extern int32_t field_selection;   // highlighted control in "users" and "props"
extern int32_t sidebar_item;      // -1 none, 0 SD, 1 NAND, 2 Logoff, 3 ShutDown

// --- timers (shared with SDL's timer thread, hence atomic) ---

extern std::atomic<int32_t> screen_on;     // 1 while the backlight is on
extern SDL_TimerID saver_timer;            // armed screensaver timer, or none
extern SDL_TimerID off_timer;              // armed power-off timer, or none
extern std::atomic<int32_t> usb_mode;      // 0 none, 1 or 2 connected: no power-off
extern std::atomic<int32_t> sound_playing; // 1 while the sound player plays: no power-off
extern std::atomic<int32_t> tap_pending;   // 1 for 300 ms after a first tap

// --- user settings (settings.st) ---

extern int32_t auto_off_ms;       // automatic power-off interval, 0 = never
extern int32_t saver_ms;          // screensaver interval, 0 = never
extern int32_t brightness;        // backlight level 0-3
extern int32_t volume;            // 0-100 in steps of 10
extern int32_t clock_12h;         // 1: taskbar clock in 12-hour form
extern char skin_name[20];        // directory under "resources/skin/"
extern char wallpaper_name[100];  // "wallpaper/<file>"

// --- desktop ---

extern int32_t desc_bar_on;           // 1 while the description bar is switched on
extern int32_t desc_bar_y;            // top edge of the sliding description bar
extern SDL_Surface* wallpaper_image;  // cached, 320x240; none forces a reload
extern LinkRecord desktop_items[kDesktopSlots];

// --- users ---

extern char autolog_user[50];     // account logged on without the logon screen
extern UserRecord current_user;   // the logged-on user
extern UserRecord edit_user;      // the account shown in the users window
// The logged-on user's fields under the names the windows use.
inline char (&user_name)[20] = current_user.name;
inline char (&user_kind)[20] = current_user.kind;
inline char (&user_password)[20] = current_user.password;
inline SDL_Surface*& user_picture = current_user.picture;

// --- programs ---

extern LinkRecord link_items[kLinkSlots];   // links of the category window shown
extern int32_t props_link;                  // slot whose "props" window is shown, -1 none

// --- explorer ---

extern char explorer_path[500];     // directory shown, ends in "/"
extern char explorer_filter[4];     // type filter, empty for all
extern int32_t explorer_free_browse;   // 1 browses freely, 0 picks a wallpaper
extern NameTable explorer_list;     // listing of explorer_path
// The link whose program the explorer starts on the file picked, listing
// only the link's file types; not in use (empty link_name) while the
// explorer browses for anything else. Its icon is none: the table's.
extern LinkRecord explorer_link;
extern char clipboard_mode[8];      // "cut", "copy" or empty
extern char edit_text[50];          // text handed to the on-screen keyboard

// Gives every shared variable its start value, freeing the surfaces they
// hold. The entry calls it first; the tests call it before each case.
void reset_shared_state();
