// Console backend, operating-system half: the Wiz's device files and system
// calls, exactly as the shell uses them.
#include "platform/platform.h"
#include "platform/screen_text.h"
#include "platform/try_program.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <linux/fb.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr unsigned long kFbCommand = 0x4008445Aul;
constexpr unsigned long kGpioPowerCut = 2ul;
constexpr unsigned long kMixerWritePcm = 0xC0044D04ul;

bool register_in_block(uint32_t offset, uint32_t width)
{
    return offset % width == 0 && offset <= kRegisterBlockSize - width;
}

} // namespace

int platform_fb_command(uint32_t command, uint32_t value)
{
    int fd = open("/dev/fb0", O_RDWR);
    if (fd < 0)
        return -1;
    uint32_t args[2] = {command, value};
    ioctl(fd, kFbCommand, args);
    return close(fd);
}

int platform_battery_open()
{
    return open("/dev/pollux_batt", O_RDONLY);
}

int platform_battery_read(int fd, void* buffer, int size)
{
    return static_cast<int>(read(fd, buffer, static_cast<size_t>(size)));
}

void platform_battery_close(int fd)
{
    if (fd >= 0)
        close(fd);
}

int platform_mem_open()
{
    return open("/dev/mem", O_RDWR);
}

void* platform_map_registers(int mem_fd)
{
    if (mem_fd < 0)
        return nullptr;
    void* map = mmap(nullptr, kRegisterBlockSize, PROT_READ | PROT_WRITE, MAP_SHARED, mem_fd,
                     static_cast<off_t>(kRegisterBlockBase));
    return map == MAP_FAILED ? nullptr : map;
}

void platform_unmap_registers(void* map)
{
    if (map)
        munmap(map, kRegisterBlockSize);
}

void platform_mem_close(int fd)
{
    if (fd >= 0)
        close(fd);
}

uint16_t platform_reg_read16(void* map, uint32_t offset)
{
    if (!map || !register_in_block(offset, 2))
        return 0;
    return *reinterpret_cast<volatile uint16_t*>(static_cast<char*>(map) + offset);
}

uint32_t platform_reg_read32(void* map, uint32_t offset)
{
    if (!map || !register_in_block(offset, 4))
        return 0;
    return *reinterpret_cast<volatile uint32_t*>(static_cast<char*>(map) + offset);
}

void platform_reg_write16(void* map, uint32_t offset, uint16_t value)
{
    if (map && register_in_block(offset, 2))
        *reinterpret_cast<volatile uint16_t*>(static_cast<char*>(map) + offset) = value;
}

void platform_reg_write32(void* map, uint32_t offset, uint32_t value)
{
    if (map && register_in_block(offset, 4))
        *reinterpret_cast<volatile uint32_t*>(static_cast<char*>(map) + offset) = value;
}

void platform_power_cut()
{
    int fd = open("/dev/GPIO", O_RDWR);
    if (fd < 0)
        return;
    ioctl(fd, kGpioPowerCut);
    close(fd);
}

int platform_mixer_open(bool for_writing)
{
    return open("/dev/mixer", for_writing ? O_RDWR : O_RDONLY);
}

int platform_mixer_write_pcm(int fd, int level)
{
    int both = (level & 0xFF) | ((level & 0xFF) << 8);
    return ioctl(fd, kMixerWritePcm, &both) < 0 ? -1 : 0;
}

void platform_mixer_close(int fd)
{
    if (fd >= 0)
        close(fd);
}

namespace {
uint32_t commands_run = 0;
}

int platform_run(const char* command_line)
{
    ++commands_run;
    return std::system(command_line);
}

std::FILE* platform_read_command(const char* command_line)
{
    ++commands_run;
    std::fflush(nullptr);
    return popen(command_line, "r");
}

int platform_end_read(std::FILE* output)
{
    return output ? pclose(output) : -1;
}

uint32_t platform_commands_run()
{
    return commands_run;
}

ProgramRun platform_try_program(const char* path, const char* const argv[], const char* const settings[],
                                int timeout_ms, char* output, unsigned long capacity)
{
    return try_program(path, argv, settings, timeout_ms, output, capacity);
}

int platform_replace_process(const char* path, const char* const argv[])
{
    execv(path, const_cast<char* const*>(argv));
    return -1;
}

int platform_chdir(const char* path)
{
    return chdir(path);
}

int platform_set_time(time_t t)
{
    timespec now{};
    now.tv_sec = t;
    return clock_settime(CLOCK_REALTIME, &now);
}

time_t platform_time()
{
    return time(nullptr);
}

void platform_show_text(const char* const lines[], int count)
{
    int fd = open("/dev/fb0", O_RDWR);
    if (fd < 0)
        return;
    fb_var_screeninfo var{};
    fb_fix_screeninfo fix{};
    if (ioctl(fd, FBIOGET_VSCREENINFO, &var) == 0 && ioctl(fd, FBIOGET_FSCREENINFO, &fix) == 0 &&
        fix.smem_len > 0) {
        void* map = mmap(nullptr, fix.smem_len, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED) {
            // The visible page, wherever the last program left the panning.
            size_t first = static_cast<size_t>(var.yoffset) * fix.line_length +
                           static_cast<size_t>(var.xoffset) * (var.bits_per_pixel / 8);
            size_t visible = static_cast<size_t>(var.yres) * fix.line_length;
            if (first + visible <= fix.smem_len) {
                TextScreen screen{static_cast<uint8_t*>(map) + first, static_cast<int>(var.xres),
                                  static_cast<int>(var.yres), static_cast<int>(fix.line_length),
                                  static_cast<int>(var.bits_per_pixel / 8)};
                draw_screen_text(screen, lines, count);
            }
            munmap(map, fix.smem_len);
        }
    }
    close(fd);
}
