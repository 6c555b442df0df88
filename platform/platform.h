// Every effect Korvo has on the console's hardware and operating system.
//
// Two backends implement this list: the console backend (console_*.cpp) does
// the real thing on the Wiz; the PC backend (pc_*.cpp) emulates the console and
// records each effect as one line of a trace (see pc_console.h). The build
// links exactly one of them; nothing above this header knows which.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>

typedef struct SDL_Surface SDL_Surface;
typedef struct SDL_Rect SDL_Rect;
typedef union SDL_Event SDL_Event;
typedef struct _SDL_Joystick SDL_Joystick;

// --- framebuffer control (backlight, brightness, start command) ---

// Opens "/dev/fb0" read-write, issues request 0x4008445A with the two words
// {command, value} and closes it. Returns the close's result: 0 on success,
// -1 when the device did not open. Safe from the timer thread.
int platform_fb_command(uint32_t command, uint32_t value);

// --- battery ---

// Opens "/dev/pollux_batt" read-only; a descriptor, or -1.
int platform_battery_open();
// Reads up to size bytes of the battery state; bytes read, or -1.
int platform_battery_read(int fd, void* buffer, int size);
void platform_battery_close(int fd);

// --- system-on-chip register block (clock and timing settings) ---

constexpr uint32_t kRegisterBlockBase = 0xC0000000u;
constexpr uint32_t kRegisterBlockSize = 0x20000u;

// Opens "/dev/mem" read-write; a descriptor, or -1.
int platform_mem_open();
// Maps kRegisterBlockSize bytes at kRegisterBlockBase of mem_fd, readable,
// writable and shared; nullptr when it fails.
void* platform_map_registers(int mem_fd);
void platform_unmap_registers(void* map);
void platform_mem_close(int fd);
// Volatile loads and stores at a byte offset into a mapping; an offset
// outside the block (or misaligned) reads 0 and writes nothing.
uint16_t platform_reg_read16(void* map, uint32_t offset);
uint32_t platform_reg_read32(void* map, uint32_t offset);
void platform_reg_write16(void* map, uint32_t offset, uint16_t value);
void platform_reg_write32(void* map, uint32_t offset, uint32_t value);

// --- power ---

// Opens "/dev/GPIO" read-write and issues request 2: the console's power is
// cut. Returns only when that failed (or on the PC, where it is emulated).
void platform_power_cut();

// --- OSS mixer ---

// Opens "/dev/mixer", read-write when for_writing is set, else read-only;
// a descriptor, or -1.
int platform_mixer_open(bool for_writing);
// Request 0xC0044D04 (SOUND_MIXER_WRITE_PCM) with level in the low byte and
// again in the second byte (left and right). 0 on success.
int platform_mixer_write_pcm(int fd, int level);
void platform_mixer_close(int fd);

// --- processes, files and time ---

// Runs a command line with the system shell; its status, 0 when it
// succeeded (looked at where a failure would lose data or leave the shell
// believing something the files do not say).
int platform_run(const char* command_line);
// Runs a command line with the system shell and hands back what it writes
// on its standard output as a stream to read, so that nothing is written to
// a file on the way; nullptr when it could not be started. Counted as
// platform_run counts. Every stream it gives goes to platform_end_read.
std::FILE* platform_read_command(const char* command_line);
// Closes the stream and waits for its command to end; the command's status
// as platform_run gives it (0 when it succeeded).
int platform_end_read(std::FILE* output);
// How many command lines platform_run and platform_read_command have been
// given so far: the files on the console may have changed since this number
// was last read when it is not the same any more.
uint32_t platform_commands_run();
// Replaces the process with path, arguments argv (nullptr-terminated).
// Returns -1 when the replacement failed. The PC backend, when it only
// records replacements (tests), returns 0 for one it counts as done.
int platform_replace_process(const char* path, const char* const argv[]);
// Changes the working directory; 0 on success.
int platform_chdir(const char* path);
// Sets the system time; 0 on success.
int platform_set_time(time_t t);
// The current system time.
time_t platform_time();

// --- trying a program out (the installer's start check) ---

// How a program tried by platform_try_program ended.
enum class ProgramEnd { Exited, Signalled, TimedOut, NotRun };

struct ProgramRun {
    ProgramEnd end = ProgramEnd::NotRun;
    int code = 0;   // the exit status, or the number of the signal
};

// Runs the program at path, in the working directory, with arguments argv
// and the environment of this process plus settings ("NAME=value"; both
// lists nullptr-terminated). Its input is /dev/null; its standard output and
// error are caught together, their first capacity - 1 bytes into output
// (NUL-terminated). Waits at most timeout_ms for it to end; a program still
// running then is killed with everything it started. A program that cannot
// be executed ends with status 127 and says why in output.
ProgramRun platform_try_program(const char* path, const char* const argv[], const char* const settings[],
                                int timeout_ms, char* output, unsigned long capacity);

// --- plain text on the screen (installer, uninstaller) ---

// Clears the screen to black and writes the lines in white in a plain 8x8
// font, 10 pixels apart, for the programs that link no SDL. The console
// writes into "/dev/fb0" as it is set up; the PC backend keeps the picture
// and traces each line as "screen <line>".
void platform_show_text(const char* const lines[], int count);

// --- display ---

// Sets the 320x240, 16-bit software video mode (hiding the cursor and
// grabbing input where the console needs it) and returns the screen surface.
SDL_Surface* platform_open_display();
// Shows the rectangle of the screen surface on the display.
void platform_update(SDL_Surface* screen, int x, int y, int w, int h);
// Shows count rectangles of the screen surface on the display in one
// refresh (SDL_UpdateRects); each lies inside the screen.
void platform_update_rects(SDL_Surface* screen, const SDL_Rect* rects, int count);

// --- input: the one source of every wait in the shell ---

// The console's buttons arrive as SDL joystick 0 button events (types
// SDL_JOYBUTTONDOWN / SDL_JOYBUTTONUP), the touch screen as mouse events.
// Waits for one event; 1 on success, 0 on error.
int platform_wait_event(SDL_Event* event);
// Takes one pending event if there is one; 1 when one was taken.
int platform_poll_event(SDL_Event* event);
// Whether a console button is held down right now.
bool platform_button_held(SDL_Joystick* joystick, int button);
