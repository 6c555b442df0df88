// The frame goals: each benchmark that has one records its ratio to the
// full-screen 16-bit blit timed in the same loop, and the program prints one
// plain line per goal at the end, so a run on the console (or under an
// emulator) can be read without the benchmark library's table.
#pragma once

// Records one measured ratio of the goal name, whose limit is limit, from a
// run of iterations iterations. The benchmark library first runs a few
// short trials; only the runs of the most iterations count.
// A frame that refreshes part of the display gives the pixels it refreshed;
// with_clock is the ratio with the clock's own reads left in (0: none).
void record_goal(const char* name, double ratio, double limit, long iterations, long pixels = -1,
                 double with_clock = 0);

// Prints "goal <name>: <median ratio>x (limit <limit>x) met|MISSED" for
// every goal recorded, with the number of runs (and the pixels refreshed,
// and the median with the clock's reads).
void print_goals();

// Marks for an instruction counter that watches the benchmark from outside
// (tools/arm_bench.sh --count, under qemu-arm): with KORVO_COUNT_MARKS=1 in
// the environment each mark is a write to descriptor -1, which fails at once
// and which the counter sees; otherwise a mark does nothing. What follows a
// mark is counted as the frame, as the reference blit, or as neither.
enum class CountPhase { Frame = 1, Blit = 2, Other = 3 };
void count_mark(CountPhase phase);
// Ends a measured loop: the counter prints its counts as report k, and the
// program prints "count-report <k> <name>" so the report can be named.
void count_report(const char* name);
// The shell's first frame is on the screen: the counter prints how many
// instructions passed since the program started, and ends it.
void count_first_frame();

// Korvo's start-up as the shell runs it, on a card laid out in dir by
// lay_out_start_card (an automatic logon without password, the user's
// settings and 24 desktop shortcuts), up to its first frame, which it marks
// with count_first_frame. The card is laid out by a run of its own, so that
// a counter of everything the program does sees only the start-up.
void lay_out_start_card(const char* dir);
void run_to_first_frame(const char* dir);
