// The processor clock and timing parser: parsing, the messages, the order
// of application and the register words it writes.
#include "programs/clock.h"

#include "core/devices.h"
#include "platform/pc_console.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Runs the parser on the PC backend's emulated register block, capturing
// what it prints.
class ClockParser : public ::testing::Test {
protected:
    int run(const char* text) { return run_on(registers(), text); }

    int run_on(void* map, const char* text)
    {
        ::testing::internal::CaptureStderr();
        ::testing::internal::CaptureStdout();
        int result = pollux_set(map, text);
        err = ::testing::internal::GetCapturedStderr();
        out = ::testing::internal::GetCapturedStdout();
        return result;
    }

    static void* registers()
    {
        static void* mapping = platform_map_registers(platform_mem_open());
        return mapping;
    }

    static uint16_t reg16(uint32_t offset)
    {
        uint16_t value;
        std::memcpy(&value, pc_registers() + offset, 2);
        return value;
    }

    static uint32_t reg32(uint32_t offset)
    {
        uint32_t value;
        std::memcpy(&value, pc_registers() + offset, 4);
        return value;
    }

    static void set_reg32(uint32_t offset, uint32_t value)
    {
        std::memcpy(pc_registers() + offset, &value, 4);
    }

    static bool traced(const std::string& line)
    {
        std::vector<std::string> lines = pc_trace();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    // The register writes of the trace, in order.
    static std::vector<std::string> writes()
    {
        std::vector<std::string> out;
        for (const std::string& line : pc_trace())
            if (line.find(" = ") != std::string::npos)
                out.push_back(line);
        return out;
    }

    std::string err, out;
};

} // namespace

TEST_F(ClockParser, ProcessorClockWritesTheWorkedWords)
{
    pc_reset();
    EXPECT_EQ(run("cpuclk=533"), 0);
    EXPECT_EQ(reg32(0xF004), 0x24B100u);
    EXPECT_TRUE(traced("reg32 0xF07C = 0x8000"));
    EXPECT_EQ(out, "applied: cpuclk\n");
    EXPECT_EQ(err, "");

    run("cpuclk=200");
    EXPECT_EQ(reg32(0xF004), 0x244200u);
    run("cpuclk=900");
    EXPECT_EQ(reg32(0xF004), 0x252C00u);
}

TEST_F(ClockParser, ApplyBitKeepsTheOtherBitsOfItsRegister)
{
    pc_reset();
    uint32_t before = 0x12340001u;
    std::memcpy(pc_registers() + 0xF07C, &before, 4);
    run("cpuclk=533");
    EXPECT_TRUE(traced("reg32 0xF07C = 0x12348001"));
}

TEST_F(ClockParser, EmptyValueIsAParseErrorAndNothingIsApplied)
{
    pc_reset();
    EXPECT_EQ(run("lcd_timings=1,2,3,4,5,6,7,8;cpuclk="), -1);
    EXPECT_EQ(err, "pollux_set parser: error at           \n  valid format is: <MHZ>\n");
    EXPECT_EQ(out, "");
    EXPECT_EQ(reg16(0x307C), 0) << "a parse error cancels rows parsed before it too";
    EXPECT_EQ(reg32(0xF004), kFirmwarePll0);
    EXPECT_EQ(pollux_set(registers(), nullptr), -1);
}

TEST_F(ClockParser, UnknownParametersAreReportedAndTheRestApplies)
{
    pc_reset();
    EXPECT_EQ(run("foo=1;cpuclk=300"), 0);
    EXPECT_EQ(err, "unhandled param: foo=1\n");
    EXPECT_EQ(out, "applied: cpuclk\n");

    EXPECT_EQ(run("cpuclk=300x"), 0);
    EXPECT_EQ(err, "unhandled param: x\n");
    EXPECT_EQ(out, "applied: cpuclk\n");

    EXPECT_EQ(run(" ; cpuclk=300 ;"), 0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(out, "applied: cpuclk\n");
    EXPECT_EQ(reg32(0xF004), 0x246400u);
}

TEST_F(ClockParser, TimingTextWritesDisplayDividerAndMemoryRegisters)
{
    pc_reset();
    uint16_t kept = 0x0F00 | 0x00FF;
    std::memcpy(pc_registers() + 0x14802, &kept, 2);
    uint16_t kept2 = 0x4000;
    std::memcpy(pc_registers() + 0x14804, &kept2, 2);
    uint16_t div = 0xFC0F;
    std::memcpy(pc_registers() + 0x31C4, &div, 2);

    EXPECT_EQ(run(kTimingTweakText), 0);
    const uint16_t lcd[8] = {397, 1, 37, 277, 341, 0, 17, 337};
    for (uint32_t i = 0; i < 8; ++i)
        EXPECT_EQ(reg16(0x307C + 2 * i), lcd[i]) << "timing " << i;
    EXPECT_EQ(reg16(0x31C4), 0xFC0F | (8 << 4));
    EXPECT_EQ(reg16(0x14802), 0x0F00 | 0x1011);
    // The busy bit was set with the timings; the emulated controller has
    // cleared it by the time the parser polled.
    EXPECT_EQ(reg16(0x14804), 0x4000 | 0x1721);
    EXPECT_EQ(out, "applied: lcd_timings, ram_timings, dpc_clkdiv0\n");
    EXPECT_EQ(err, "");
}

TEST_F(ClockParser, ParametersApplyInTableOrderNotTextOrder)
{
    pc_reset();
    registers();
    pc_clear_trace();
    run("cpuclk=400;lcd_timings=1,2,3,4,5,6,7,8");
    std::vector<std::string> lines = pc_trace();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "reg16 0x307C = 0x1");
    std::string last_write;
    for (const std::string& line : lines)
        if (line.find(" = ") != std::string::npos)
            last_write = line;
    EXPECT_EQ(last_write, "reg32 0xF07C = 0x8000");
    EXPECT_EQ(out, "applied: lcd_timings, cpuclk\n");
}

TEST_F(ClockParser, MemoryTimingLatencies)
{
    pc_reset();
    EXPECT_EQ(run("ram_timings=2.5,9,4,1,1,1,1"), 0);
    EXPECT_EQ(reg16(0x14804) & 0x3000, 2 << 12);

    EXPECT_EQ(run("ram_timings=4,9,4,1,1,1,1"), -1);
    EXPECT_EQ(err, "pollux_set parser: error at 4,9,4,1,1,1,1\n  valid format is: <CAS,tRC,tRAS,tWR,tMRD,tRP,tRCD>\n");

    EXPECT_EQ(run("ram_timings=2,1,4,1,1,1,1"), 0) << "an applier failure is not a parse failure";
    EXPECT_EQ(err, "pollux_set: invalid RAM timing 1\npollux_set: failed to apply ram_timings (bad value?)\n");
    EXPECT_EQ(out, "");
}

TEST_F(ClockParser, RangeChecksOfTheAppliers)
{
    pc_reset();
    EXPECT_EQ(run("dpc_clkdiv0=65"), 0);
    EXPECT_EQ(err, "pollux_set: invalid lcd clkdiv0: 65\npollux_set: failed to apply dpc_clkdiv0 (bad value?)\n");

    EXPECT_EQ(run("lcd_timings=1,2,3"), -1);
    EXPECT_EQ(run("lcd_timings=1,2,3,4,5,6,7,70000"), 0);
    EXPECT_EQ(err, "pollux_set: invalid lcd timing 7: 70000\npollux_set: failed to apply lcd_timings (bad value?)\n");
    EXPECT_EQ(reg16(0x307C), 0) << "no timing is written when one is out of range";

    EXPECT_EQ(run("cpuclk=4000"), 0);
    EXPECT_EQ(err, "pollux_set: failed to apply cpuclk (bad value?)\n");
    EXPECT_EQ(run("cpuclk=300000000"), 0) << "a huge clock is refused, not overflowed";
    EXPECT_EQ(err, "pollux_set: failed to apply cpuclk (bad value?)\n");
}

TEST_F(ClockParser, TwoNamesOfTheDividerShareOneStore)
{
    pc_reset();
    EXPECT_EQ(run("dpc_clkdiv0=3;clkdiv0=5"), 0);
    EXPECT_EQ(reg16(0x31C4), 4 << 4);
    EXPECT_EQ(out, "applied: dpc_clkdiv0, clkdiv0\n");
}

// --- the processor clock and the clock tree ---

namespace {

// Bus divider and PLL0 as the clock code should set them for a clock in MHz.
struct ClockSetting {
    int mhz;
    uint32_t divider;
    uint32_t pll0;
};

uint32_t bus_divider_of(uint32_t mode)
{
    return ((mode >> 6) & 0xF) + 1;
}

} // namespace

TEST_F(ClockParser, KnownTreeSetsTheBusDividerThenPll0ThenWaits)
{
    pc_reset();
    registers();
    // The known tree with every bit the clock code must keep set, divider 1.
    set_reg32(0xF000, 0xFD00FC0Fu);
    pc_clear_trace();
    EXPECT_EQ(run("cpuclk=900"), 0);
    EXPECT_EQ(pc_trace(), (std::vector<std::string>{
                              "reg32 0xF000 reads 0xFD00FC0F",
                              "reg32 0xF000 = 0xFD00FCCF",   // divider 4: 900 MHz gives a 225 MHz bus
                              "reg32 0xF004 = 0x252C00",
                              "reg32 0xF07C reads 0x0",
                              "reg32 0xF07C = 0x8000",
                              "reg32 0xF07C reads 0x0",      // the change is done
                          }));
    EXPECT_EQ(out, "applied: cpuclk\n");
    EXPECT_EQ(err, "");
}

TEST_F(ClockParser, SlowerClockTakesItsSmallerDividerOnlyAfterTheChange)
{
    pc_reset();
    registers();
    set_reg32(0xF000, 0x010000C0u);   // divider 4, as for 900 MHz
    pc_clear_trace();
    run("cpuclk=200");
    EXPECT_EQ(writes(), (std::vector<std::string>{
                            "reg32 0xF000 = 0x10000C0",   // the bus stays divided by 4 through the change
                            "reg32 0xF004 = 0x244200",
                            "reg32 0xF07C = 0x8000",
                            "reg32 0xF000 = 0x1000000",   // then 200 MHz takes divider 1
                            "reg32 0xF07C = 0x8000",
                        }));
    EXPECT_EQ(out, "applied: cpuclk\n");

    // The start-up clock on the firmware's own setting keeps its divider.
    pc_reset();
    pc_clear_trace();
    run("cpuclk=533");
    EXPECT_EQ(writes(), (std::vector<std::string>{"reg32 0xF000 = 0x1000080", "reg32 0xF004 = 0x24B100",
                                                  "reg32 0xF07C = 0x8000"}));
}

TEST_F(ClockParser, EveryClockOfTheRangeGetsTheFastestBusAtMost250Mhz)
{
    pc_reset();
    registers();
    pc_set_tracing(false);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    int wrong = 0;
    // cpuclk takes 0 to 3071 MHz (PLL0's M below 1024).
    for (int mhz = 0; mhz <= 3071 && wrong < 5; ++mhz) {
        set_reg32(0xF000, 0x01000000u);
        std::string text = "cpuclk=" + std::to_string(mhz);
        pollux_set(registers(), text.c_str());
        uint32_t m = static_cast<uint32_t>(9 * mhz / 27);
        uint32_t runs_at = 3 * m;   // 27 MHz * M / 9
        uint32_t divider = bus_divider_of(reg32(0xF000));
        bool fastest_safe = runs_at <= 250 * divider && (divider == 1 || runs_at > 250 * (divider - 1));
        if (!fastest_safe || reg32(0xF004) != ((m << 8) | 0x240000u)) {
            ADD_FAILURE() << mhz << " MHz: divider " << divider << ", PLL0 0x" << std::hex << reg32(0xF004);
            ++wrong;
        }
    }
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    pc_set_tracing(true);

    const ClockSetting worked[] = {
        {0, 1, 0x240000}, {200, 1, 0x244200}, {250, 1, 0x245300}, {252, 2, 0x245400}, {533, 3, 0x24B100},
        {750, 3, 0x24FA00}, {753, 4, 0x24FB00}, {900, 4, 0x252C00}, {3071, 13, 0x27FF00},
    };
    for (const ClockSetting& c : worked) {
        set_reg32(0xF000, 0x01000000u);
        run(("cpuclk=" + std::to_string(c.mhz)).c_str());
        EXPECT_EQ(bus_divider_of(reg32(0xF000)), c.divider) << c.mhz;
        EXPECT_EQ(reg32(0xF004), c.pll0) << c.mhz;
    }
    // Beyond the range nothing is read or written.
    pc_clear_trace();
    EXPECT_EQ(run("cpuclk=3072"), 0);
    EXPECT_TRUE(pc_trace().empty());
    EXPECT_EQ(err, "pollux_set: failed to apply cpuclk (bad value?)\n");
}

TEST_F(ClockParser, UnexpectedClockTreeLeavesTheClockAlone)
{
    pc_reset();
    registers();
    // Processor on another PLL, bus on PLL0 or another source, or nothing set.
    for (uint32_t mode : {0x00000000u, 0x01000010u, 0x01000020u, 0x01000030u, 0x00000080u, 0x02000080u,
                          0x03000080u}) {
        set_reg32(0xF000, mode);
        pc_clear_trace();
        EXPECT_EQ(run("cpuclk=533"), 0);
        EXPECT_TRUE(writes().empty()) << std::hex << mode;
        EXPECT_EQ(out, "") << std::hex << mode;
        char said[160];
        std::snprintf(said, sizeof said,
                      "pollux_set: unexpected clock tree (0xF000 = 0x%08X), processor clock not changed\n", mode);
        EXPECT_EQ(err, said);
    }
    // The other settings of the same text still apply.
    set_reg32(0xF000, 0);
    run((std::string(kTimingTweakText) + ";cpuclk=533").c_str());
    EXPECT_EQ(out, "applied: lcd_timings, ram_timings, dpc_clkdiv0\n");
    EXPECT_EQ(reg32(0xF004), kFirmwarePll0);
}

TEST_F(ClockParser, ClockChangeThatNeverEndsIsWaitedForABoundedTimeAndReported)
{
    pc_reset();
    registers();
    pc_stall_clock_change(true);
    set_reg32(0xF000, 0x010000C0u);   // divider 4: 200 MHz would take 1 after the change
    pc_clear_trace();
    EXPECT_EQ(run("cpuclk=200"), 0);
    pc_stall_clock_change(false);
    EXPECT_EQ(err, "pollux_set: the processor clock change did not finish (0xF07C bit 15 stays set)\n");
    std::vector<std::string> lines = pc_trace();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("reg32 0xF07C reads 0x8000 (x", 0), 0u) << lines.back();
    EXPECT_EQ(bus_divider_of(reg32(0xF000)), 4u) << "no divider change while the clock change is pending";
    EXPECT_EQ(out, "applied: cpuclk\n") << "the registers were written";
}

TEST_F(ClockParser, NothingIsAppliedWithoutTheRegisterMapping)
{
    pc_reset();
    EXPECT_EQ(run_on(nullptr, "cpuclk=533;lcd_timings=1,2,3,4,5,6,7,8"), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "pollux_set: no register mapping (/dev/mem did not open), nothing applied\n");
    EXPECT_EQ(run_on(nullptr, "cpuclk="), -1) << "a parse error is still one";

    // The shell's start with a /dev/mem that does not open.
    pc_set_mem_present(false);
    open_devices();
    EXPECT_EQ(register_map, nullptr);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    apply_clock_params("cpuclk=533");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("nothing applied"), std::string::npos);
    close_devices();
    EXPECT_TRUE(writes().empty());
    pc_set_mem_present(true);
}
