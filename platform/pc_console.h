// The PC backend's emulated console: its state, the ordered trace of every
// effect, and the switches that the tests and the emulator use. Only tests,
// benchmarks and the emulator include this header; the shell never does.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

typedef struct SDL_Surface SDL_Surface;

// Puts the emulated console back into its power-on state: backlight on, no
// brightness sent, battery level 1, registers zeroed but for the clock the
// firmware leaves (kFirmwareClockMode, kFirmwarePll0), mixer level 0, the
// real clock, an empty trace, commands run, process changes real, programs
// tried for real. (Held buttons belong to the input half:
// pc_release_buttons.)
void pc_reset();

// The clock registers as the emulated firmware leaves them: the clock tree
// the clock code expects, the bus at a third of the processor clock, and
// PLL0 at 531 MHz (the setting of "cpuclk=533").
constexpr uint32_t kFirmwareClockMode = 0x01000080u;   // at 0xF000
constexpr uint32_t kFirmwarePll0 = 0x24B100u;          // at 0xF004

// The trace: one short line per effect, in order ("fb 5 0", "run sync",
// "chdir /mnt/sd/", "exec /bin/sh: /bin/sh -c \"...\"", "reg32 0xF004 =
// 0x24B100", "reg32 0xF000 reads 0x1000080"). Reads of the same register
// that give the same value one after the other (a busy bit polled) are one
// line ending in their count, "(x1000)".
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
// True when the command line runs the program named program (in command
// position, any folder), e.g. "sync; reboot" runs "reboot".
bool pc_command_runs(const char* command_line, std::string_view program);
// When set, command lines are recorded and handed to handler instead of the
// system shell (its result is platform_run's), privileged ones included;
// tests use it to act out commands on a folder of their own, or to make one
// fail. nullptr undoes it.
void pc_set_command_handler(int (*handler)(const char* command_line));

// When set, a command whose output the shell reads (platform_read_command)
// is recorded and handed to handler instead of the system shell: what it
// puts into output is what the shell reads, and its result the command's
// status. Without one, such a command runs for real unless commands are
// recorded only or it is privileged; then it writes nothing and succeeds.
// nullptr undoes it.
void pc_set_read_handler(int (*handler)(const char* command_line, std::string& output));

// The screen of the programs without SDL (platform_show_text): its last
// lines, and its 320x240 RGB565 pixels. In emulator mode the lines also go
// to "state/screen.txt".
const std::vector<std::string>& pc_screen_text();
const uint16_t* pc_text_screen();

// When set, programs are tried by handler instead of for real (tests use it
// for programs that only look like the shell); its result is
// platform_try_program's. nullptr undoes it.
using ProgramHandler = ProgramRun (*)(const char* path, const char* const argv[], const char* const settings[],
                                      char* output, unsigned long capacity);
void pc_set_program_handler(ProgramHandler handler);

// Emulated devices.
// When not present, "/dev/mem" does not open (and nothing is mapped).
void pc_set_mem_present(bool present);
// When set, the clock unit never finishes a processor clock change: bit 15
// of 0xF07C stays set. Otherwise it has finished when that bit is next read.
void pc_stall_clock_change(bool stalls);
void pc_set_battery_level(int level);
void pc_set_battery_present(bool present);
bool pc_backlight_on();
int pc_brightness_value();   // value of the last brightness command, -1 if none
int pc_mixer_pcm();          // last word written to the mixer, -1 if none
unsigned char* pc_registers();
void pc_fix_time(time_t t);  // 0 follows the host clock again
// How often the battery and the clock were read (each a system call on the
// console), since the process started.
long pc_battery_reads();
long pc_clock_reads();
void pc_hold_button(int button, bool held);
void pc_release_buttons();

// --- emulator mode ---
// The emulator gives every process it boots these environment variables:
//   KORVO_EMU_DIR     its folder, bound into the sandbox at the same path:
//                     "state/" (files shared by the processes of one run),
//                     "screenshots/", "tree/" (the console's files)
//   KORVO_EMU_SCALE   the window's scale, 1 to 3
//   KORVO_EMU_SCRIPT  an input script that replaces keyboard and mouse
//   KORVO_EMU_TIME    the clock stands still at this time (seconds since
//                     1970), so that screenshots can be compared
// Without KORVO_EMU_DIR the backend is the plain emulation above. The
// variables are read on first use and again by pc_reset and pc_emu_load.
void pc_emu_load();
bool pc_emu_active();
int pc_emu_scale();
const std::string& pc_emu_script();
// The path of a file in the emulator's folder ("state/battery", ...).
std::string pc_emu_path(std::string_view name);
// Small shared state files holding one number; fallback when unreadable.
int pc_emu_read_number(std::string_view name, int fallback);
void pc_emu_write_number(std::string_view name, int value);
// Appends one line to "state/<log>", prefixed by this program's name.
void pc_emu_log(std::string_view log, std::string_view line);
// Ends this process as part of the emulated console: writes how ("reboot",
// "power-off", "quit", "script-end") to "state/control", where the emulator
// reads why the boot ended, flushes and exits.
[[noreturn]] void pc_emu_end(const char* how);
// Forgets the emulator display's window and script as a newly started
// process would (the script position is read again from the state folder).
void pc_emu_display_reset();

// Battery levels the emulator cycles through: 1 full to 4 low.
constexpr int kEmuBatteryLevels = 4;

// --- pictures ---
// Writes the surface as an 8-bit PNG file, RGBA when the surface has an
// alpha channel, else RGB; false when it could not.
bool pc_save_png(SDL_Surface* surface, const char* path);

// --- input scripts (emulator mode with KORVO_EMU_SCRIPT) ---
// One command a line; "#" starts a comment. Buttons by name (up, down,
// left, right, menu, select, l, r, a, b, x, y, volup, voldown) or number.
//   press B          B goes down, then up
//   hold B           B goes down and stays held until released; the
//                    script's first lines hold buttons from power-on (held
//                    before any program asks, with no event)
//   release B        B goes up
//   tap X Y          a touch at (X, Y) in screen pixels, then the lift
//   wait MS          nothing happens for MS milliseconds
//   screenshot NAME  the screen is saved as "screenshots/NAME.png"
//   battery LEVEL    the battery level becomes LEVEL (0 none, 1 full, 4 low)
// The script runs across every process of a run: its position is kept in
// "state/script.pos", the held buttons in "state/held".
enum class ScriptOp { Press, Hold, Release, Tap, Wait, Screenshot, Battery };

struct ScriptCommand {
    ScriptOp op = ScriptOp::Wait;
    int a = 0;          // button, x, milliseconds or level
    int b = 0;          // y
    std::string name;   // screenshot name
};

// 1 when the line holds a command, 0 for a blank or comment line, -1 when it
// is not understood.
int pc_parse_script_line(std::string_view line, ScriptCommand& command);
// The button number for a name or number ("r" and "11" give 11); -1 if none.
int pc_button_by_name(std::string_view name);
// Reads a whole script; lines not understood are reported on standard error
// and skipped. False when the file cannot be read.
bool pc_load_script(const char* path, std::vector<ScriptCommand>& commands);

// Where the script stands: the next command, how far into it (a press or a
// tap delivers two events), and the end of a running wait (monotonic ms).
struct ScriptCursor {
    int line = 0;
    int phase = 0;
    long long wait_until_ms = 0;
};
ScriptCursor pc_script_cursor();
void pc_save_script_cursor(const ScriptCursor& cursor);
// Held buttons, one bit per button number.
unsigned pc_script_held();
void pc_set_script_held(unsigned buttons);
long long pc_monotonic_ms();
