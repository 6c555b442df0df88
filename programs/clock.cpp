#include "programs/clock.h"

#include "core/devices.h"
#include "platform/platform.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Register offsets into the block at 0xC0000000.
constexpr uint32_t kLcdTimingRegs = 0x307C;    // eight halfwords, htotal first
constexpr uint32_t kLcdClockDivReg = 0x31C4;   // divider - 1 in bits 4-9
constexpr uint32_t kRamTimingReg1 = 0x14802;
constexpr uint32_t kRamTimingReg2 = 0x14804;   // bit 15: busy
constexpr uint32_t kClockModeReg = 0xF000;    // clock sources and dividers
constexpr uint32_t kCpuClockReg = 0xF004;     // PLL0
constexpr uint32_t kCpuClockApplyReg = 0xF07C; // bit 15 starts the change, reads 0 once done

constexpr uint16_t kRamBusy = 0x8000;
constexpr uint32_t kRamBusyPolls = 0x100000;

// The processor clock is changed only in the one clock tree this code
// knows: there PLL0 drives the processor and not the system bus. In any
// other, writing PLL0 could drive the bus far beyond what it is made for.
constexpr uint32_t kClockTreeMask = 0x03000030;
constexpr uint32_t kClockTreeKnown = 0x01000000;
// The bus runs from the processor clock through a divider (divider - 1 in
// bits 6-9 of 0xF000) and must stay at or below 250 MHz.
constexpr uint32_t kBusDividerShift = 6;
constexpr uint32_t kBusDividerBits = 0xFu << kBusDividerShift;
constexpr uint32_t kBusLimitMhz = 250;
constexpr uint32_t kClockChange = 0x8000;
constexpr uint32_t kClockChangePolls = 0x100000;

// PLL0 as written: M in bits 8-17, P = 9 in bits 18-23, S = 0; from the
// 27 MHz crystal the processor runs at 27 * M / 9 = 3 * M MHz.
constexpr uint32_t kPll0Fixed = 0x240000;
constexpr uint32_t pll0_mhz(uint32_t m) { return 3 * m; }

// Results of an applier.
constexpr int kApplied = 0;
constexpr int kBadValue = -1;   // reported as a failed row
constexpr int kLeftAsIs = 1;    // not applied; the applier has said why

// The value stores keep their last contents between calls; what a call
// applies is decided by its own flags, never by old contents.
int32_t lcd_timings[8];
int32_t ram_timings[7];
int32_t lcd_clock_div[1];   // "dpc_clkdiv0" and "clkdiv0" are one setting
int32_t cpu_clock[1];

using Parser = int (*)(const char* value, int32_t* store);
using Applier = int (*)(void* map, int32_t* store);

struct ClockParam {
    const char* name;
    const char* format;   // shown when the value does not parse
    Parser parse;
    Applier apply;
    int32_t* store;
};

// Counts the characters of a list value: up to just past its last comma
// (the commas-th one), then past a run of digits. -1 when the text ends first.
int list_length(const char* value, int commas)
{
    const char* p = value;
    for (int seen = 0; seen < commas; ++p) {
        if (*p == '\0')
            return -1;
        if (*p == ',')
            ++seen;
    }
    while (*p >= '0' && *p <= '9')
        ++p;
    return static_cast<int>(p - value);
}

int parse_lcd_timings(const char* value, int32_t* store)
{
    int v[8];
    if (std::sscanf(value, "%d,%d,%d,%d,%d,%d,%d,%d", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]) < 8)
        return -1;
    int length = list_length(value, 7);
    if (length < 0)
        return -1;
    for (int i = 0; i < 8; ++i)
        store[i] = v[i];
    return length;
}

int parse_ram_timings(const char* value, int32_t* store)
{
    float cas;
    int v[6];
    if (std::sscanf(value, "%f,%d,%d,%d,%d,%d,%d", &cas, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) < 7)
        return -1;
    if (cas == 2.0f)
        store[0] = 1;
    else if (cas == 2.5f)
        store[0] = 2;
    else if (cas == 3.0f)
        store[0] = 3;
    else
        return -1;
    for (int i = 0; i < 6; ++i)
        store[i + 1] = v[i];
    return list_length(value, 6);
}

int parse_unsigned(const char* value, int32_t* store)
{
    char* end = nullptr;
    unsigned long number = std::strtoul(value, &end, 10);
    if (end == value)
        return -1;
    store[0] = static_cast<int32_t>(static_cast<uint32_t>(number));
    return static_cast<int>(end - value);
}

int apply_lcd_timings(void* map, int32_t* store)
{
    for (int i = 0; i < 8; ++i) {
        if (static_cast<uint32_t>(store[i]) & ~0xFFFFu) {
            std::fprintf(stderr, "pollux_set: invalid lcd timing %d: %d\n", i, store[i]);
            return -1;
        }
    }
    for (uint32_t i = 0; i < 8; ++i)
        platform_reg_write16(map, kLcdTimingRegs + 2 * i, static_cast<uint16_t>(store[i]));
    return 0;
}

struct RamLimit {
    int32_t adjust, minimum, maximum;
};
// CAS (as code 1-3), tRC, tRAS, tWR, tMRD, tRP, tRCD
constexpr std::array<RamLimit, 7> kRamLimits = {{
    {0, 1, 3}, {-2, 0, 15}, {-2, 0, 15}, {0, 0, 15}, {0, 0, 15}, {0, 0, 15}, {0, 0, 15},
}};

int apply_ram_timings(void* map, int32_t* store)
{
    for (int i = 0; i < 7; ++i) {
        const RamLimit& limit = kRamLimits[static_cast<size_t>(i)];
        store[i] += limit.adjust;
        if (store[i] < limit.minimum || store[i] > limit.maximum) {
            std::fprintf(stderr, "pollux_set: invalid RAM timing %d\n", i);
            return -1;
        }
    }
    uint32_t cas = static_cast<uint32_t>(store[0]), trc = static_cast<uint32_t>(store[1]),
             tras = static_cast<uint32_t>(store[2]), twr = static_cast<uint32_t>(store[3]),
             tmrd = static_cast<uint32_t>(store[4]), trp = static_cast<uint32_t>(store[5]),
             trcd = static_cast<uint32_t>(store[6]);
    uint32_t first = (platform_reg_read16(map, kRamTimingReg1) & 0x0F00u) | (tmrd << 12) | (trp << 4) | trcd;
    platform_reg_write16(map, kRamTimingReg1, static_cast<uint16_t>(first));
    uint32_t second = (platform_reg_read16(map, kRamTimingReg2) & 0x4000u) | (cas << 12) | (trc << 8) |
                      (tras << 4) | twr | kRamBusy;
    platform_reg_write16(map, kRamTimingReg2, static_cast<uint16_t>(second));
    // The controller clears the busy bit when it has taken the new timings;
    // give up after a while, the result does not depend on it.
    for (uint32_t poll = 0; poll < kRamBusyPolls; ++poll)
        if (!(platform_reg_read16(map, kRamTimingReg2) & kRamBusy))
            break;
    return 0;
}

int apply_lcd_clock_div(void* map, int32_t* store)
{
    int32_t divider = store[0];
    if (divider < 1 || divider > 64) {
        std::fprintf(stderr, "pollux_set: invalid lcd clkdiv0: %d\n", divider);
        return -1;
    }
    uint32_t value = (platform_reg_read16(map, kLcdClockDivReg) & ~0x03F0u) |
                     (static_cast<uint32_t>(divider - 1) << 4);
    platform_reg_write16(map, kLcdClockDivReg, static_cast<uint16_t>(value));
    return 0;
}

// The smallest bus divider that keeps the bus at or below its limit when
// the processor runs at PLL0 setting m.
uint32_t bus_divider_for(uint32_t m)
{
    uint32_t divider = (pll0_mhz(m) + kBusLimitMhz - 1) / kBusLimitMhz;
    return divider < 1 ? 1 : divider;
}

uint32_t with_bus_divider(uint32_t mode, uint32_t divider)
{
    return (mode & ~kBusDividerBits) | ((divider - 1) << kBusDividerShift);
}

// Starts the clock unit's change to what 0xF000 and PLL0 now hold and waits
// for it to finish, a bounded while; false (and said) when it never did.
bool change_clock(void* map)
{
    platform_reg_write32(map, kCpuClockApplyReg, platform_reg_read32(map, kCpuClockApplyReg) | kClockChange);
    for (uint32_t poll = 0; poll < kClockChangePolls; ++poll)
        if (!(platform_reg_read32(map, kCpuClockApplyReg) & kClockChange))
            return true;
    std::fprintf(stderr, "pollux_set: the processor clock change did not finish (0xF07C bit 15 stays set)\n");
    return false;
}

int apply_cpu_clock(void* map, int32_t* store)
{
    // 64-bit, so a huge value is refused instead of overflowing.
    int64_t wide_m = (9 * static_cast<int64_t>(store[0])) / 27;
    if (wide_m < 0 || wide_m >= 1024)
        return kBadValue;
    uint32_t m = static_cast<uint32_t>(wide_m);
    uint32_t mode = platform_reg_read32(map, kClockModeReg);
    if ((mode & kClockTreeMask) != kClockTreeKnown) {
        std::fprintf(stderr, "pollux_set: unexpected clock tree (0xF000 = 0x%08X), processor clock not changed\n",
                     mode);
        return kLeftAsIs;
    }
    // A faster clock takes its larger divider before the change. A slower
    // one keeps the present divider through the change and takes its own
    // after it. So the bus never runs faster than its limit, whether the
    // clock unit takes a new divider at once or only with the change.
    uint32_t present = ((mode & kBusDividerBits) >> kBusDividerShift) + 1;
    uint32_t wanted = bus_divider_for(m);
    uint32_t during = present > wanted ? present : wanted;
    platform_reg_write32(map, kClockModeReg, with_bus_divider(mode, during));
    platform_reg_write32(map, kCpuClockReg, (m << 8) | kPll0Fixed);
    if (change_clock(map) && during != wanted) {
        platform_reg_write32(map, kClockModeReg, with_bus_divider(mode, wanted));
        change_clock(map);
    }
    return kApplied;
}

// name            format shown on a parse error                               parser             applier              store
constexpr std::array<ClockParam, 5> kParams = {{
    {"lcd_timings", "htotal,hswidth,hastart,haend,vtotal,vswidth,vastart,vaend", parse_lcd_timings, apply_lcd_timings, lcd_timings},
    {"ram_timings", "CAS,tRC,tRAS,tWR,tMRD,tRP,tRCD",                            parse_ram_timings, apply_ram_timings, ram_timings},
    {"dpc_clkdiv0", "divider",                                                   parse_unsigned,    apply_lcd_clock_div, lcd_clock_div},
    {"clkdiv0",     "divider",                                                   parse_unsigned,    apply_lcd_clock_div, lcd_clock_div},
    {"cpuclk",      "MHZ",                                                       parse_unsigned,    apply_cpu_clock,   cpu_clock},
}};

// The row whose name starts at text and is followed by "=", or -1.
int find_param(const char* text)
{
    for (size_t row = 0; row < kParams.size(); ++row) {
        size_t length = std::strlen(kParams[row].name);
        if (std::strncmp(text, kParams[row].name, length) == 0 && text[length] == '=')
            return static_cast<int>(row);
    }
    return -1;
}

void print_applied(const std::array<bool, kParams.size()>& applied)
{
    bool any = false;
    for (size_t row = 0; row < kParams.size(); ++row) {
        if (!applied[row])
            continue;
        std::printf("%s%s", any ? ", " : "applied: ", kParams[row].name);
        any = true;
    }
    if (any) {
        std::printf("\n");
        std::fflush(stdout);
    }
}

} // namespace

int pollux_set(void* map, const char* text)
{
    if (!text)
        return -1;
    std::array<bool, kParams.size()> given{};
    std::array<bool, kParams.size()> applied{};
    const char* p = text;
    while (*p) {
        if (*p == ' ' || *p == ';') {
            ++p;
            continue;
        }
        int row = find_param(p);
        if (row < 0) {
            size_t length = std::strcspn(p, ";");
            std::fprintf(stderr, "unhandled param: %.*s\n", static_cast<int>(length), p);
            p += length;
            continue;
        }
        const ClockParam& param = kParams[static_cast<size_t>(row)];
        const char* value = p + std::strlen(param.name) + 1;
        int consumed = param.parse(value, param.store);
        if (consumed < 0) {
            std::fprintf(stderr, "pollux_set parser: error at %-10s\n", value);
            std::fprintf(stderr, "  valid format is: <%s>\n", param.format);
            return -1;
        }
        given[static_cast<size_t>(row)] = true;
        p = value + consumed;
    }
    bool any_given = false;
    for (bool g : given)
        any_given = any_given || g;
    if (any_given && !map) {
        std::fprintf(stderr, "pollux_set: no register mapping (/dev/mem did not open), nothing applied\n");
        return 0;
    }
    for (size_t row = 0; row < kParams.size(); ++row) {
        if (!given[row])
            continue;
        int result = kParams[row].apply(map, kParams[row].store);
        if (result == kApplied)
            applied[row] = true;
        else if (result == kBadValue)
            std::fprintf(stderr, "pollux_set: failed to apply %s (bad value?)\n", kParams[row].name);
    }
    print_applied(applied);
    return 0;
}

int apply_clock_params(const char* text)
{
    return pollux_set(register_map, text);
}

int apply_timing_tweak()
{
    return pollux_set(register_map, kTimingTweakText);
}
