// The frame goals: each benchmark that has one records its ratio to the
// full-screen 16-bit blit timed in the same loop, and the program prints one
// plain line per goal at the end, so a run on the console (or under an
// emulator) can be read without the benchmark library's table.
#pragma once

// Records one measured ratio of the goal name, whose limit is limit, from a
// run of iterations iterations. The benchmark library first runs a few
// short trials; only the runs of the most iterations count.
void record_goal(const char* name, double ratio, double limit, long iterations);

// Prints "goal <name>: <median ratio>x (limit <limit>x) met|MISSED" for
// every goal recorded, with the number of runs.
void print_goals();
