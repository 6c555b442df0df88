// The processor clock and timing parser: parsing, the messages, the order
// of application and the register words it writes.
#include "programs/clock.h"

#include "platform/pc_console.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Runs the parser on the PC backend's emulated register block, capturing
// what it prints.
class ClockParser : public ::testing::Test {
protected:
    int run(const char* text)
    {
        ::testing::internal::CaptureStderr();
        ::testing::internal::CaptureStdout();
        int result = pollux_set(registers(), text);
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

    std::string err, out;
};

} // namespace

TEST_F(ClockParser, ProcessorClockWritesTheWorkedWords)
{
    pc_reset();
    EXPECT_EQ(run("cpuclk=533"), 0);
    EXPECT_EQ(reg32(0xF004), 0x24B100u);
    EXPECT_EQ(reg32(0xF07C) & 0x8000u, 0x8000u);
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
    EXPECT_EQ(reg32(0xF07C), 0x12348001u);
}

TEST_F(ClockParser, EmptyValueIsAParseErrorAndNothingIsApplied)
{
    pc_reset();
    EXPECT_EQ(run("lcd_timings=1,2,3,4,5,6,7,8;cpuclk="), -1);
    EXPECT_EQ(err, "pollux_set parser: error at           \n  valid format is: <MHZ>\n");
    EXPECT_EQ(out, "");
    EXPECT_EQ(reg16(0x307C), 0) << "a parse error cancels rows parsed before it too";
    EXPECT_EQ(reg32(0xF004), 0u);
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
    EXPECT_EQ(lines.back(), "reg32 0xF07C = 0x8000");
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
