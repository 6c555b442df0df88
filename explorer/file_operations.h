// The explorer's operations on the highlighted entry: cut, copy, paste,
// delete, rename, make it the user's picture, add it to the wallpapers.
// Each change to the file system is a shell command line followed by
// "sync", and a copy gets its name only once it is whole, so a full or
// write-protected card or a power cut never costs a file that was there;
// a command that fails is told. Every path in a command is quoted and
// escaped, so names with blanks, quotes, "$" or backquotes reach the shell
// as they are.
#pragma once

#include <SDL.h>

// The operations by their index in the pop-up.
enum FileOperation {
    kOperationCancelled = -1,
    kOperationCut = 0,
    kOperationCopy,
    kOperationPaste,
    kOperationDelete,
    kOperationRename,
    kOperationUserPicture,
    kOperationWallpaper,
};

// The pop-up of the seven operations with its top left at (x, y) (moved up
// to y 103 when it would not fit the screen). Waits for the choice and
// returns its index, or -1 when the pop-up was cancelled. The highlighted
// item is kept for the next pop-up.
int operations_menu(SDL_Surface* surface, int x, int y, const char* skin);

// Carries out operation op on the entry name of explorer_path (none when no
// entry is highlighted; only paste then acts), then redraws the desktop and
// the explorer. Guests may only rename and set their picture.
void file_operation(int op, const char* name);

// The pop-up's highlighted item (0-6), kept from one pop-up to the next.
extern int menu_item;
