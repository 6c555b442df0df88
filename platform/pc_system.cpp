// PC backend, operating-system half: an emulated console. Device effects
// change the emulated state and are traced; ordinary command lines run through
// /bin/sh, but nothing that could touch the host system ever runs.
#include "platform/pc_console.h"
#include "platform/platform.h"

#include <array>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>
#include <unistd.h>

namespace {

// Fake descriptors for the emulated devices (all at least 1, as real ones are).
constexpr int kBatteryFd = 101;
constexpr int kMemFd = 102;
constexpr int kMixerFd = 103;

constexpr std::array<std::string_view, 7> kPrivilegedCommands = {
    "killall", "reboot", "insmod", "rmmod", "mount", "umount", "hwclock"};

struct Emulated {
    int brightness_value = -1;
    int battery_level = 1;
    bool battery_present = true;
    int mixer_pcm = -1;
    time_t fixed_time = 0;
    time_t time_offset = 0;
    bool commands_recorded_only = false;
    bool process_changes_recorded = false;
    bool replacements_fail = false;
    int failing_replacements = 0;
    bool tracing = true;
};

std::mutex trace_mutex;   // the screensaver timer traces from SDL's timer thread
std::vector<std::string> trace_lines;
Emulated emulated;
std::atomic<bool> backlight_on{true};   // switched from the timer thread too
alignas(8) unsigned char registers[kRegisterBlockSize];

void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

void trace(const char* format, ...)
{
    if (!emulated.tracing)
        return;
    char line[600];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(trace_mutex);
    trace_lines.emplace_back(line);
}

bool register_in_block(void* map, uint32_t offset, uint32_t width)
{
    return map == registers && offset % width == 0 && offset <= kRegisterBlockSize - width;
}

bool is_separator(char c)
{
    return c == ';' || c == '&' || c == '|' || c == '(' || c == ')' || c == '`' || c == '\n';
}

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

// A word in command position names the program that runs; only such words
// count, so "rm -rf user/reboot" is an ordinary command.
bool names_privileged_program(std::string_view word)
{
    size_t slash = word.rfind('/');
    std::string_view program = slash == std::string_view::npos ? word : word.substr(slash + 1);
    for (std::string_view bad : kPrivilegedCommands)
        if (program == bad)
            return true;
    return false;
}

bool is_prefix_word(std::string_view word)
{
    return word == "exec" || word == "sudo" || word == "nohup" || word == "env" || word == "command";
}

} // namespace

bool pc_command_is_privileged(const char* command_line)
{
    std::string_view line(command_line ? command_line : "");
    bool command_position = true;
    size_t i = 0;
    while (i < line.size()) {
        if (is_separator(line[i])) {
            command_position = true;
            ++i;
            continue;
        }
        if (is_blank(line[i])) {
            ++i;
            continue;
        }
        size_t start = i;
        while (i < line.size() && !is_blank(line[i]) && !is_separator(line[i]))
            ++i;
        std::string_view word = line.substr(start, i - start);
        if (command_position && names_privileged_program(word))
            return true;
        bool assignment = word.find('=') != std::string_view::npos;
        command_position = command_position && (is_prefix_word(word) || assignment);
    }
    return false;
}

void pc_reset()
{
    {
        std::lock_guard<std::mutex> lock(trace_mutex);
        trace_lines.clear();
    }
    emulated = Emulated{};
    backlight_on = true;
    std::memset(registers, 0, sizeof registers);
}

std::vector<std::string> pc_trace()
{
    std::lock_guard<std::mutex> lock(trace_mutex);
    return trace_lines;
}

void pc_clear_trace()
{
    std::lock_guard<std::mutex> lock(trace_mutex);
    trace_lines.clear();
}

void pc_set_tracing(bool on) { emulated.tracing = on; }
void pc_record_commands_only(bool on) { emulated.commands_recorded_only = on; }
void pc_record_process_changes(bool on) { emulated.process_changes_recorded = on; }
void pc_fail_replacements(bool on) { emulated.replacements_fail = on; }
void pc_fail_next_replacements(int count) { emulated.failing_replacements = count; }
void pc_set_battery_level(int level) { emulated.battery_level = level; }
void pc_set_battery_present(bool present) { emulated.battery_present = present; }
bool pc_backlight_on() { return backlight_on; }
int pc_brightness_value() { return emulated.brightness_value; }
int pc_mixer_pcm() { return emulated.mixer_pcm; }
unsigned char* pc_registers() { return registers; }
void pc_fix_time(time_t t) { emulated.fixed_time = t; }

int platform_fb_command(uint32_t command, uint32_t value)
{
    trace("fb %u %u", command, value);
    if (command == 0 || command == 1)
        backlight_on = command == 1;
    else if (command == 3)
        emulated.brightness_value = static_cast<int>(value);
    return 0;
}

int platform_battery_open()
{
    trace("battery open");
    return emulated.battery_present ? kBatteryFd : -1;
}

int platform_battery_read(int fd, void* buffer, int size)
{
    if (fd != kBatteryFd || size < 0)
        return -1;
    unsigned char state[4] = {static_cast<unsigned char>(emulated.battery_level & 0xFF),
                              static_cast<unsigned char>((emulated.battery_level >> 8) & 0xFF), 0, 0};
    int n = size < 4 ? size : 4;
    std::memcpy(buffer, state, static_cast<size_t>(n));
    return n;
}

void platform_battery_close(int fd)
{
    if (fd == kBatteryFd)
        trace("battery close");
}

int platform_mem_open()
{
    trace("mem open");
    return kMemFd;
}

void* platform_map_registers(int mem_fd)
{
    if (mem_fd != kMemFd)
        return nullptr;
    trace("map registers 0x%X+0x%X", kRegisterBlockBase, kRegisterBlockSize);
    return registers;
}

void platform_unmap_registers(void* map)
{
    if (map == registers)
        trace("unmap registers");
}

void platform_mem_close(int fd)
{
    if (fd == kMemFd)
        trace("mem close");
}

uint16_t platform_reg_read16(void* map, uint32_t offset)
{
    if (!register_in_block(map, offset, 2))
        return 0;
    uint16_t value;
    std::memcpy(&value, registers + offset, 2);
    // The emulated memory controller finishes a timing change at once: its
    // busy bit (bit 15 of the second timing register) reads back clear.
    if (offset == 0x14804 && (value & 0x8000)) {
        value = static_cast<uint16_t>(value & ~0x8000u);
        std::memcpy(registers + offset, &value, 2);
    }
    return value;
}

uint32_t platform_reg_read32(void* map, uint32_t offset)
{
    if (!register_in_block(map, offset, 4))
        return 0;
    uint32_t value;
    std::memcpy(&value, registers + offset, 4);
    return value;
}

void platform_reg_write16(void* map, uint32_t offset, uint16_t value)
{
    if (!register_in_block(map, offset, 2))
        return;
    std::memcpy(registers + offset, &value, 2);
    trace("reg16 0x%X = 0x%X", offset, value);
}

void platform_reg_write32(void* map, uint32_t offset, uint32_t value)
{
    if (!register_in_block(map, offset, 4))
        return;
    std::memcpy(registers + offset, &value, 4);
    trace("reg32 0x%X = 0x%X", offset, value);
}

void platform_power_cut()
{
    trace("power cut");
}

int platform_mixer_open(bool for_writing)
{
    trace("mixer open %s", for_writing ? "rw" : "ro");
    return kMixerFd;
}

int platform_mixer_write_pcm(int fd, int level)
{
    if (fd != kMixerFd)
        return -1;
    emulated.mixer_pcm = (level & 0xFF) | ((level & 0xFF) << 8);
    trace("mixer pcm %d", level);
    return 0;
}

void platform_mixer_close(int fd)
{
    if (fd == kMixerFd)
        trace("mixer close");
}

int platform_run(const char* command_line)
{
    trace("run %s", command_line);
    if (emulated.commands_recorded_only || pc_command_is_privileged(command_line))
        return 0;
    std::fflush(nullptr);
    return std::system(command_line);
}

int platform_replace_process(const char* path, const char* const argv[])
{
    std::string line = "exec ";
    line += path;
    line += ":";
    for (int i = 0; argv[i]; ++i) {
        line += ' ';
        line += argv[i];
    }
    bool fails = emulated.replacements_fail || emulated.failing_replacements > 0;
    if (emulated.failing_replacements > 0)
        --emulated.failing_replacements;
    if (fails) {
        trace("%s (failed)", line.c_str());
        return -1;
    }
    trace("%s", line.c_str());
    if (emulated.process_changes_recorded)
        return 0;
    std::fflush(nullptr);
    execv(path, const_cast<char* const*>(argv));
    return -1;
}

int platform_chdir(const char* path)
{
    trace("chdir %s", path);
    if (emulated.process_changes_recorded)
        return 0;
    return chdir(path);
}

int platform_set_time(time_t t)
{
    trace("set time %lld", static_cast<long long>(t));
    emulated.time_offset = t - time(nullptr);
    emulated.fixed_time = 0;
    return 0;
}

time_t platform_time()
{
    if (emulated.fixed_time)
        return emulated.fixed_time;
    return time(nullptr) + emulated.time_offset;
}
