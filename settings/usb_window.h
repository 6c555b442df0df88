// The USB window: exports the internal NAND or the SD card to a host
// computer as a mass-storage device, and ends the export.
#pragma once

void draw_usb_window();
// Waits for one event: A connects the NAND, B the SD card, X disconnects or,
// with nothing connected, closes; the close box disconnects and closes.
void usb_window_input();
