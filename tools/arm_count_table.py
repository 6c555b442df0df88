#!/usr/bin/env python3
"""Reads the output of tools/arm_bench.sh run under the arm-count plugin
(KORVO_QEMU_PLUGIN set, standard error joined to standard output) and prints,
for every measured loop, its instructions per frame and per reference blit
and two ratios: of the instructions, and of the model that also charges
0.55 of an instruction for every word an LDM/STM moves beyond its first
(the blit's 8-word copies are memory-bound on the ARM926). Where a loop ran
several times (the benchmark's trials, repetitions) the run of the most
iterations is shown; the counts of equal runs agree within a few dozen
instructions.

    ... 2>&1 | tools/arm_count_table.py
"""
import re
import sys

LDM_WORD_COST = 0.55

names = {}
reports = []          # (number, iterations, frame counts, blit counts)
current = None
for line in sys.stdin:
    m = re.match(r"count-report (\d+) (\S+)", line)
    if m:
        names[int(m.group(1))] = m.group(2)
        continue
    m = re.match(r"report (\d+) iterations=(\d+)", line)
    if m:
        current = [int(m.group(1)), int(m.group(2)), None, None]
        reports.append(current)
        continue
    m = re.match(r"\s+(frame|blit) per_iter: (.*)", line)
    if m and current is not None:
        counts = {k: float(v) for k, v in re.findall(r"(\w+)=([\d.]+)", m.group(2))}
        current[2 if m.group(1) == "frame" else 3] = counts
        continue
    m = re.match(r"first frame after (\d+) guest instructions", line)
    if m:
        print(f"start-up to the first frame: {int(m.group(1)) / 1e6:.1f} M instructions")

best = {}
for number, iterations, frame, blit in reports:
    if frame is None or blit is None or iterations == 0:
        continue
    if number not in best or iterations >= best[number][0]:
        best[number] = (iterations, frame, blit)


def model(counts):
    return counts["insns"] + LDM_WORD_COST * counts["xfer_extra"]


if best:
    print(f"{'loop':28} {'frame insns':>12} {'blit insns':>11} {'insn ratio':>10} {'model ratio':>11}")
for number in sorted(best, key=lambda n: names.get(n, str(n))):
    iterations, frame, blit = best[number]
    name = names.get(number, f"report{number}")
    ratio = frame["insns"] / blit["insns"] if blit["insns"] else 0
    model_ratio = model(frame) / model(blit) if model(blit) else 0
    print(f"{name:28} {frame['insns']:12.0f} {blit['insns']:11.0f} {ratio:10.2f} {model_ratio:11.2f}")
