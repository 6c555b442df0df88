// The USB window: the command sequences, usb_mode (which holds the power-off
// timer), and the ways out.
#include "settings_test.h"

#include "platform/pc_console.h"
#include "settings/usb_window.h"

#include <string>

namespace {

const std::vector<std::string> kNand = {
    "run insmod lf1000_udc.ko", "run insmod g_file_storage.ko file=/mnt/ubifs/vfat.img removable=1 stall=0"};
const std::vector<std::string> kSd = {
    "run umount /mnt/sd", "run insmod lf1000_udc.ko",
    "run insmod g_file_storage.ko file=/dev/mmcblk0p1 removable=1 stall=0"};
const std::vector<std::string> kDisconnect = {
    "run rmmod g_file_storage.ko", "run rmmod lf1000_udc.ko",
    "run mount -t vfat -o iocharset=utf8,sync,noatime /dev/mmcblk0p1 /mnt/sd", "run sync"};

class UsbWindow : public GroupNeeding<Needs::nothing, SettingsTest> {
protected:
    // What the window ran for one event.
    static std::vector<std::string> after(int button, int x = 0, int y = 0)
    {
        current_window = WindowId::Usb;
        clear_trace();
        button >= 0 ? push_button(button) : push_touch(x, y);
        usb_window_input();
        return trace();
    }
};

} // namespace

// A second connect would unmount the SD card under the NAND export and name
// the wrong kind: it waits for the disconnect.
TEST_F(UsbWindow, ButtonFourteenDisconnectsFirstThenCloses)
{
    EXPECT_EQ(after(12), kNand);
    EXPECT_EQ(usb_mode, 1);
    EXPECT_TRUE(after(13).empty());
    EXPECT_EQ(after(14), kDisconnect);
    EXPECT_EQ(usb_mode, 0);
    EXPECT_EQ(current_window, WindowId::Usb);
    EXPECT_TRUE(after(14).empty());
    EXPECT_EQ(current_window, WindowId::System);
}

TEST_F(UsbWindow, CloseBoxDisconnectsBeforeTheWindowGoes)
{
    EXPECT_EQ(after(13), kSd);
    EXPECT_EQ(usb_mode, 2);
    EXPECT_EQ(after(-1, 234, 82), kDisconnect);   // far corner of the close box
    EXPECT_EQ(usb_mode, 0);
    EXPECT_EQ(current_window, WindowId::System);
}

TEST_F(UsbWindow, CardThatCannotBeReleasedIsNotExported)
{
    pc_set_command_handler([](const char* line) { return std::string(line) == "umount /mnt/sd" ? 1 : 0; });
    current_window = WindowId::Usb;
    clear_trace();
    push_button(13);
    EXPECT_TRUE(shows_message("SD card is in use!", 0, [] { usb_window_input(); }));
    EXPECT_EQ(trace(), (std::vector<std::string>{"run umount /mnt/sd"}));
    EXPECT_EQ(usb_mode, 0);
    pc_set_command_handler(nullptr);
}
