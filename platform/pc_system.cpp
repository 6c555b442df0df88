// PC backend, operating-system half: an emulated console. Device effects
// change the emulated state and are traced; ordinary command lines run through
// /bin/sh, but nothing that could touch the host system ever runs.
#include "platform/pc_console.h"
#include "platform/platform.h"
#include "platform/screen_text.h"
#include "platform/try_program.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <csignal>
#include <errno.h>
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
    bool mem_present = true;
    bool clock_change_stalls = false;
    int mixer_pcm = -1;
    time_t fixed_time = 0;
    time_t time_offset = 0;
    bool commands_recorded_only = false;
    bool process_changes_recorded = false;
    bool replacements_fail = false;
    int failing_replacements = 0;
    bool tracing = true;
    int (*command_handler)(const char* command_line) = nullptr;
    int (*read_handler)(const char* command_line, std::string& output) = nullptr;
    ProgramHandler program_handler = nullptr;
};

// Emulator mode: read from the environment the emulator gives its processes.
struct EmulatorMode {
    bool loaded = false;
    bool active = false;
    std::string dir;
    std::string script;
    int scale = 2;
    int cut_power_after = 0;   // the run's power goes after that many commands
};

std::mutex trace_mutex;   // the screensaver timer traces from SDL's timer thread
std::vector<std::string> trace_lines;
// The run of equal register reads that the last trace line counts.
std::string repeated_read;
size_t repeated_reads = 0;
Emulated emulated;
std::atomic<bool> backlight_on{true};   // switched from the timer thread too
alignas(8) unsigned char registers[kRegisterBlockSize];
// The emulated framebuffer of the programs without SDL, and its last text.
std::vector<uint16_t> text_screen(320 * 240);
std::vector<std::string> text_lines;
EmulatorMode emulator;

const EmulatorMode& emulator_mode()
{
    if (!emulator.loaded)
        pc_emu_load();
    return emulator;
}

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
    repeated_reads = 0;
    if (emulator_mode().active)
        pc_emu_log("trace.log", line);
}

// A register read. A busy bit may be polled a million times: a read equal
// to the one just traced only counts up on that line.
void trace_read(int width, uint32_t offset, uint32_t value)
{
    if (!emulated.tracing)
        return;
    char line[80];
    std::snprintf(line, sizeof line, "reg%d 0x%X reads 0x%X", width, offset, value);
    std::lock_guard<std::mutex> lock(trace_mutex);
    if (repeated_reads > 0 && !trace_lines.empty() && repeated_read == line) {
        ++repeated_reads;
        trace_lines.back() = repeated_read + " (x" + std::to_string(repeated_reads) + ")";
        return;
    }
    trace_lines.emplace_back(line);
    repeated_read = line;
    repeated_reads = 1;
    if (emulator_mode().active)
        pc_emu_log("trace.log", line);
}

void put_register32(uint32_t offset, uint32_t value)
{
    std::memcpy(registers + offset, &value, 4);
}

// The clock as the firmware leaves it; every process of the emulated
// console starts with it, as pc_reset puts it back.
void set_firmware_clock()
{
    put_register32(0xF000, kFirmwareClockMode);
    put_register32(0xF004, kFirmwarePll0);
}

const bool firmware_clock_set = (set_firmware_clock(), true);

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

bool is_prefix_word(std::string_view word)
{
    return word == "exec" || word == "sudo" || word == "nohup" || word == "env" || word == "command";
}

std::string_view program_of(std::string_view word)
{
    size_t slash = word.rfind('/');
    return slash == std::string_view::npos ? word : word.substr(slash + 1);
}

// Calls found with the name of every program the command line runs: a word
// in command position, so "rm -rf user/reboot" runs only "rm". Stops at the
// first for which found is true and returns true then.
template <typename Found>
bool any_program(std::string_view line, Found found)
{
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
        if (command_position && found(program_of(word)))
            return true;
        bool assignment = word.find('=') != std::string_view::npos;
        command_position = command_position && (is_prefix_word(word) || assignment);
    }
    return false;
}

} // namespace

bool pc_command_is_privileged(const char* command_line)
{
    return any_program(command_line ? command_line : "", [](std::string_view program) {
        for (std::string_view bad : kPrivilegedCommands)
            if (program == bad)
                return true;
        return false;
    });
}

bool pc_command_runs(const char* command_line, std::string_view program)
{
    return any_program(command_line ? command_line : "",
                       [program](std::string_view name) { return name == program; });
}

void pc_set_command_handler(int (*handler)(const char* command_line))
{
    emulated.command_handler = handler;
}

void pc_set_read_handler(int (*handler)(const char* command_line, std::string& output))
{
    emulated.read_handler = handler;
}

void pc_reset()
{
    {
        std::lock_guard<std::mutex> lock(trace_mutex);
        trace_lines.clear();
        repeated_reads = 0;
    }
    emulated = Emulated{};
    backlight_on = true;
    std::memset(registers, 0, sizeof registers);
    set_firmware_clock();
    std::fill(text_screen.begin(), text_screen.end(), 0);
    text_lines.clear();
    pc_emu_load();
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
    repeated_reads = 0;
}

void pc_set_tracing(bool on) { emulated.tracing = on; }
void pc_record_commands_only(bool on) { emulated.commands_recorded_only = on; }
void pc_record_process_changes(bool on) { emulated.process_changes_recorded = on; }
void pc_fail_replacements(bool on) { emulated.replacements_fail = on; }
void pc_fail_next_replacements(int count) { emulated.failing_replacements = count; }
void pc_set_battery_level(int level) { emulated.battery_level = level; }

namespace {
long battery_reads = 0;
long clock_reads = 0;
} // namespace

long pc_battery_reads() { return battery_reads; }
long pc_clock_reads() { return clock_reads; }
void pc_set_battery_present(bool present) { emulated.battery_present = present; }
void pc_set_mem_present(bool present) { emulated.mem_present = present; }
void pc_stall_clock_change(bool stalls) { emulated.clock_change_stalls = stalls; }
void pc_set_program_handler(ProgramHandler handler) { emulated.program_handler = handler; }
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
    ++battery_reads;
    if (emulator_mode().active)
        emulated.battery_level = pc_emu_read_number("state/battery", 1);
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
    return emulated.mem_present ? kMemFd : -1;
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
    trace_read(16, offset, value);
    return value;
}

uint32_t platform_reg_read32(void* map, uint32_t offset)
{
    if (!register_in_block(map, offset, 4))
        return 0;
    uint32_t value;
    std::memcpy(&value, registers + offset, 4);
    // The emulated clock unit finishes a processor clock change (bit 15 of
    // 0xF07C) by the time it is asked, unless a test stalls it.
    if (offset == 0xF07C && (value & 0x8000u) && !emulated.clock_change_stalls) {
        value &= ~0x8000u;
        put_register32(offset, value);
    }
    trace_read(32, offset, value);
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
    if (emulator_mode().active)
        pc_emu_end("power-off");
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

namespace {

uint32_t commands_run = 0;
// The emulator's power cut after the run's Nth command, whichever program
// runs it: the count is kept in "state/commands".
void count_toward_power_cut()
{
    if (!emulator_mode().active || emulator.cut_power_after <= 0)
        return;
    int done = pc_emu_read_number("state/commands", 0) + 1;
    pc_emu_write_number("state/commands", done);
    if (done == emulator.cut_power_after) {
        trace("power cut after command %d", done);
        pc_emu_end("power-off");
    }
}

} // namespace

uint32_t platform_commands_run()
{
    return commands_run;
}

int platform_run(const char* command_line)
{
    ++commands_run;
    trace("run %s", command_line);
    if (pc_command_is_privileged(command_line)) {
        // The emulated console reboots: its emulator boots it again.
        if (emulator_mode().active && pc_command_runs(command_line, "reboot"))
            pc_emu_end("reboot");
        // A test's handler may act the command out (it never reaches the host).
        int status = emulated.command_handler ? emulated.command_handler(command_line) : 0;
        count_toward_power_cut();
        return status;
    }
    if (emulated.commands_recorded_only)
        return 0;
    if (emulated.command_handler)
        return emulated.command_handler(command_line);
    std::fflush(nullptr);
    int status = std::system(command_line);
    count_toward_power_cut();
    return status;
}

namespace {

// The streams of commands that were only acted out, with the status each
// command ended with.
struct ActedOut {
    std::FILE* stream;
    int status;
};
std::vector<ActedOut> acted_out;

std::FILE* act_out(const std::string& output, int status)
{
    std::FILE* stream = std::tmpfile();
    if (!stream)
        return nullptr;
    std::fwrite(output.data(), 1, output.size(), stream);
    std::rewind(stream);
    acted_out.push_back({stream, status});
    return stream;
}

} // namespace

std::FILE* platform_read_command(const char* command_line)
{
    ++commands_run;
    trace("read %s", command_line);
    std::string output;
    if (emulated.read_handler) {
        int status = emulated.read_handler(command_line, output);
        return act_out(output, status);
    }
    if (pc_command_is_privileged(command_line) || emulated.commands_recorded_only)
        return act_out(output, 0);
    std::fflush(nullptr);
    std::FILE* stream = popen(command_line, "r");
    count_toward_power_cut();
    return stream;
}

int platform_end_read(std::FILE* output)
{
    if (!output)
        return -1;
    for (size_t i = 0; i < acted_out.size(); ++i) {
        if (acted_out[i].stream != output)
            continue;
        int status = acted_out[i].status;
        std::fclose(output);
        acted_out.erase(acted_out.begin() + static_cast<long>(i));
        return status;
    }
    return pclose(output);
}

ProgramRun platform_try_program(const char* path, const char* const argv[], const char* const settings[],
                                int timeout_ms, char* output, unsigned long capacity)
{
    std::string line = "try";
    for (int i = 0; argv[i]; ++i)
        line += std::string(" ") + argv[i];
    for (int i = 0; settings[i]; ++i)
        line += std::string(i == 0 ? " with " : " ") + settings[i];
    std::fflush(nullptr);
    ProgramRun run = emulated.program_handler ? emulated.program_handler(path, argv, settings, output, capacity)
                                              : try_program(path, argv, settings, timeout_ms, output, capacity);
    switch (run.end) {
    case ProgramEnd::Exited:
        trace("%s: status %d", line.c_str(), run.code);
        break;
    case ProgramEnd::Signalled:
        trace("%s: signal %d", line.c_str(), run.code);
        break;
    case ProgramEnd::TimedOut:
        trace("%s: killed after %d ms", line.c_str(), timeout_ms);
        break;
    case ProgramEnd::NotRun:
        trace("%s: not run", line.c_str());
        break;
    }
    return run;
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
    ++clock_reads;
    emulator_mode();   // may stop the clock
    if (emulated.fixed_time)
        return emulated.fixed_time;
    return time(nullptr) + emulated.time_offset;
}

void platform_show_text(const char* const lines[], int count)
{
    // Each call draws the whole screen; the trace gets the lines that changed.
    std::vector<std::string> before = std::move(text_lines);
    text_lines.clear();
    for (int i = 0; i < count; ++i) {
        text_lines.emplace_back(lines[i] ? lines[i] : "");
        if (static_cast<size_t>(i) >= before.size() || before[static_cast<size_t>(i)] != text_lines.back())
            trace("screen %s", text_lines.back().c_str());
    }
    TextScreen screen{reinterpret_cast<uint8_t*>(text_screen.data()), 320, 240, 320 * 2, 2};
    draw_screen_text(screen, lines, count);
    // The emulator shows the last text of a console whose programs all ended.
    if (emulator_mode().active) {
        std::string path = pc_emu_path("state/screen.txt");
        if (std::FILE* file = std::fopen(path.c_str(), "w")) {
            for (const std::string& line : text_lines)
                std::fprintf(file, "%s\n", line.c_str());
            std::fclose(file);
        }
    }
}

const std::vector<std::string>& pc_screen_text() { return text_lines; }
const uint16_t* pc_text_screen() { return text_screen.data(); }

// --- emulator mode ---

void pc_emu_load()
{
    emulator = EmulatorMode{};
    emulator.loaded = true;
    const char* dir = std::getenv("KORVO_EMU_DIR");
    if (!dir || !*dir)
        return;
    emulator.active = true;
    emulator.dir = dir;
    const char* scale = std::getenv("KORVO_EMU_SCALE");
    int n = scale ? std::atoi(scale) : 0;
    emulator.scale = n >= 1 && n <= 3 ? n : 2;
    const char* script = std::getenv("KORVO_EMU_SCRIPT");
    emulator.script = script ? script : "";
    const char* cut = std::getenv("KORVO_EMU_CUT_POWER_AFTER");
    emulator.cut_power_after = cut ? std::atoi(cut) : 0;
    const char* still = std::getenv("KORVO_EMU_TIME");
    if (still && std::atoll(still) > 0)
        emulated.fixed_time = static_cast<time_t>(std::atoll(still));
}

bool pc_emu_active() { return emulator_mode().active; }
int pc_emu_scale() { return emulator_mode().scale; }
const std::string& pc_emu_script() { return emulator_mode().script; }

std::string pc_emu_path(std::string_view name)
{
    std::string path = emulator_mode().dir;
    path += '/';
    path += name;
    return path;
}

int pc_emu_read_number(std::string_view name, int fallback)
{
    std::FILE* file = std::fopen(pc_emu_path(name).c_str(), "r");
    if (!file)
        return fallback;
    int value = fallback;
    if (std::fscanf(file, "%d", &value) != 1)
        value = fallback;
    std::fclose(file);
    return value;
}

void pc_emu_write_number(std::string_view name, int value)
{
    // Through a temporary name: another process of the run may read it.
    std::string path = pc_emu_path(name);
    std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "w");
    if (!file)
        return;
    std::fprintf(file, "%d\n", value);
    if (std::fclose(file) == 0)
        std::rename(temporary.c_str(), path.c_str());
}

void pc_emu_log(std::string_view log, std::string_view line)
{
    std::FILE* file = std::fopen(pc_emu_path(std::string("state/") + std::string(log)).c_str(), "a");
    if (!file)
        return;
    std::fprintf(file, "%s: %.*s\n", program_invocation_short_name, static_cast<int>(line.size()), line.data());
    std::fclose(file);
}

namespace {

bool sandbox_namespace()
{
    if (!pc_emu_active())
        return false;
    std::FILE* file = std::fopen("/proc/1/comm", "r");
    if (!file)
        return false;
    char name[32] = {};
    bool bwrap = std::fgets(name, sizeof name, file) && std::string_view(name) == "bwrap\n";
    std::fclose(file);
    return bwrap;
}

} // namespace

void pc_emu_end(const char* how)
{
    std::FILE* file = std::fopen(pc_emu_path("state/control").c_str(), "w");
    if (file) {
        std::fprintf(file, "%s\n", how);
        std::fclose(file);
    }
    pc_emu_log("trace.log", std::string("end: ") + how);
    std::fflush(nullptr);
    // The whole console stops, as it does on the console: a system shell
    // still waiting behind a program (to bring the menu back when it ends)
    // must not go on after a power-off or a reboot. Only ever inside the
    // emulator's sandbox, whose process namespace has bwrap as its first
    // process; never on the host.
    if (sandbox_namespace())
        kill(-1, SIGKILL);
    std::_Exit(0);
}
