// The processor clock, display timing, display clock divider and memory
// timing settings of the console's system-on-chip, given as a parameter text
// such as "cpuclk=533" or "lcd_timings=...;dpc_clkdiv0=9".
#pragma once

// Parses every parameter of text and, only when all of them parse, applies
// them to the registers of map in a fixed order (display timings, memory
// timings, display divider, processor clock), whatever their order in the
// text. Problems are reported on standard error, the applied parameters on
// standard output. -1 when text is absent or a parameter does not parse;
// otherwise 0, also when an applier failed or nothing was applied. The
// processor clock is changed only in the clock tree it knows, with the bus
// kept at or below 250 MHz throughout; without a mapping nothing applies.
int pollux_set(void* map, const char* text);

// pollux_set on the shell's register mapping.
int apply_clock_params(const char* text);

// The fixed display and memory timing set that links may ask for.
int apply_timing_tweak();
constexpr const char* kTimingTweakText =
    "lcd_timings=397,1,37,277,341,0,17,337;dpc_clkdiv0=9;ram_timings=2,9,4,1,1,1,1";
