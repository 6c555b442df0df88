// The PC backend's emulated console: its state, the ordered trace of every
// effect, and the switches that the tests and the emulator use. Only tests,
// benchmarks and the emulator include this header; the shell never does.
#pragma once

#include <ctime>
#include <string>
#include <vector>

// Puts the emulated console back into its power-on state: backlight on, no
// brightness sent, battery level 1, registers zeroed, mixer level 0, the real
// clock, an empty trace, commands run, process changes real. (Held buttons
// belong to the input half: pc_release_buttons.)
void pc_reset();

// The trace: one short line per effect, in order ("fb 5 0", "run sync",
// "chdir /mnt/sd/", "exec /bin/sh: /bin/sh -c \"...\"").
std::vector<std::string> pc_trace();
void pc_clear_trace();
void pc_set_tracing(bool on);

// When set, command lines are recorded and not run (their status is 0).
// Commands that must never run on a PC (killall, reboot, insmod, rmmod,
// mount, umount, hwclock) are always only recorded.
void pc_record_commands_only(bool on);
// When set, changes of the working directory and process replacements are
// recorded and not performed; a recorded replacement counts as done.
void pc_record_process_changes(bool on);
// When set, process replacements fail (and are recorded as failed).
void pc_fail_replacements(bool on);
// The next count replacements fail; those after them are as before.
void pc_fail_next_replacements(int count);
// True for a command line that would touch the host system (see above).
bool pc_command_is_privileged(const char* command_line);

// Emulated devices.
void pc_set_battery_level(int level);
void pc_set_battery_present(bool present);
bool pc_backlight_on();
int pc_brightness_value();   // value of the last brightness command, -1 if none
int pc_mixer_pcm();          // last word written to the mixer, -1 if none
unsigned char* pc_registers();
void pc_fix_time(time_t t);  // 0 follows the host clock again
void pc_hold_button(int button, bool held);
void pc_release_buttons();
