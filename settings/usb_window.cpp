#include "settings/usb_window.h"

#include "core/events.h"
#include "core/state.h"
#include "desktop/desktop.h"
#include "dialogs/dialogs.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "platform/platform.h"
#include "settings/system_window.h"

namespace {

// Layout                             x    y    w    h
constexpr SDL_Rect kWindow        = { 80,  60, 160, 120};
constexpr SDL_Rect kCloseBox      = {217,  65,  17,  17};
constexpr int kStatusX = 88, kStatusY = 158;

enum Mode { kNotConnected = 0, kNand = 1, kSd = 2 };

enum Button { kConnectNand = 12, kConnectSd = 13, kDisconnect = 14 };

// The kernel modules are found in the shell's working directory. The NAND
// goes out as its FAT image file, the SD card as its first partition, which
// must be unmounted first and is mounted again on disconnect.
constexpr const char* kConnectNandCommands[] = {
    "insmod lf1000_udc.ko",
    "insmod g_file_storage.ko file=/mnt/ubifs/vfat.img removable=1 stall=0",
};
constexpr const char* kReleaseSdCommand = "umount /mnt/sd";
constexpr const char* kConnectSdCommands[] = {
    "insmod lf1000_udc.ko",
    "insmod g_file_storage.ko file=/dev/mmcblk0p1 removable=1 stall=0",
};
// The same for both kinds: after a NAND export the mount of the SD card,
// still mounted, fails harmlessly.
constexpr const char* kDisconnectCommands[] = {
    "rmmod g_file_storage.ko",
    "rmmod lf1000_udc.ko",
    "mount -t vfat -o iocharset=utf8,sync,noatime /dev/mmcblk0p1 /mnt/sd",
    "sync",
};

SDL_Surface* window_picture;

template <size_t N>
void run_all(const char* const (&commands)[N])
{
    for (const char* command : commands)
        platform_run(command);
}

// One export at a time: a second connect would unmount the SD card under a
// running NAND export (or load the modules again) and name the wrong kind
// in the status line, so it waits for the disconnect.
void connect(int mode)
{
    if (usb_mode != kNotConnected)
        return;
    if (mode == kNand) {
        run_all(kConnectNandCommands);
    } else {
        // A card still mounted here (a program or the shell itself using
        // it) must not be written by the host as well: that corrupts it.
        if (platform_run(kReleaseSdCommand) != 0) {
            message_box(screen, "SD card is in use!", 0, skin_name);
            return;
        }
        run_all(kConnectSdCommands);
    }
    usb_mode = mode;
}

void disconnect()
{
    run_all(kDisconnectCommands);
    usb_mode = kNotConnected;
}

void handle_button(int button)
{
    switch (button) {
    case kConnectNand:
        connect(kNand);
        break;
    case kConnectSd:
        connect(kSd);
        break;
    case kDisconnect:
        if (usb_mode != kNotConnected)
            disconnect();
        else
            current_window = return_window;
        break;
    default:
        break;
    }
}

// The layer: the desktop, the system window's picture and this window's.
void compose_usb_window()
{
    draw_system_window();
    blit_at(window_picture, kWindow.x, kWindow.y);
}

} // namespace

void draw_usb_window()
{
    load_cached(window_picture, "usbwin.png", skin_name);
    show_window_layer(WindowId::Usb, compose_usb_window);
    if (usb_mode == kNand)
        draw_text(screen, kStatusX, kStatusY, "NAND connected", 0, skin_name);
    else if (usb_mode == kSd)
        draw_text(screen, kStatusX, kStatusY, "SD connected", 0, skin_name);
}

void usb_window_input()
{
    wait_event();
    if (event.type == SDL_JOYBUTTONDOWN) {
        handle_button(event.jbutton.button);
    } else if (touch_in(event, kCloseBox)) {
        play_click();
        current_window = return_window;
        if (usb_mode != kNotConnected)
            disconnect();
        usb_mode = kNotConnected;
    }
}
