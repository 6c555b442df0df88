// The console's devices: display controller, battery, register block, power.
#pragma once

// The register block mapping that the clock and timing settings write
// through; none before open_devices and after close_devices.
extern void* register_map;

// What must be saved before a restart or a power cut (the user's settings):
// the shell sets it at start-up, so this ground layer knows no account files.
void set_before_power_down(void (*save)());

void open_devices();          // start-up: fb start command, battery, registers
void close_devices();         // before the process replaces itself
int backlight_set(int on);    // result of closing the framebuffer device
void brightness_set(int level);   // level 0 (darkest) to 3
int battery_level();          // 0 (no icon) or 1-4 (4 is low)
void power_off();             // does not return on the console
void restart_shell();         // ends the process with status 1 when both restarts fail

// Writes level to the mixer's PCM channel (left and right); the mixer is
// opened read-write when for_writing is set, else read-only. False when the
// mixer did not open.
bool write_mixer_volume(int level, bool for_writing);

// The volume buttons: 16 raises the volume by 10 up to 100, 17 lowers it
// to 0; it changes only when the mixer takes it. True when button is one of
// the two.
constexpr int kVolumeUpButton = 16, kVolumeDownButton = 17;
bool volume_button(int button);

// Replaces the process with the program at path (its only argument). After
// SDL and the devices are shut down there is nothing to go back to: when the
// replacement fails the shell ends with status 1 and a message on stderr.
void replace_or_end(const char* path);
