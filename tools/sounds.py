"""The six interface sounds, synthesised with the standard library only.

All are 16-bit stereo PCM at 22050 Hz, the rate the shell's mixer runs at,
so SDL_mixer has nothing to convert.  Every sound starts and ends with a
short fade so that it never clicks, and is scaled to a fixed peak well below
full scale.
"""

import math
import random
import struct
import wave

RATE = 22050


def _env(n, attack, release):
    a = max(1, int(attack * RATE))
    r = max(1, int(release * RATE))
    out = []
    for i in range(n):
        g = 1.0
        if i < a:
            g = i / a
        if i >= n - r:
            g = min(g, (n - 1 - i) / r)
        out.append(g)
    return out


def _tone(freq, dur, decay, partials=((1, 1.0),), start=0.0):
    """A struck tone: harmonics with an exponential decay."""
    n = int(dur * RATE)
    out = []
    for i in range(n):
        t = i / RATE
        v = 0.0
        for mult, amp in partials:
            v += amp * math.sin(2 * math.pi * freq * mult * t) * math.exp(-t * decay * mult ** 0.5)
        out.append(v)
    return out


def _mix(length, parts):
    """parts: list of (offset seconds, samples, gain, pan -1..1)."""
    n = int(length * RATE)
    left = [0.0] * n
    right = [0.0] * n
    for off, samples, gain, pan in parts:
        o = int(off * RATE)
        gl = gain * math.cos((pan + 1) * math.pi / 4) * math.sqrt(2)
        gr = gain * math.sin((pan + 1) * math.pi / 4) * math.sqrt(2)
        for i, v in enumerate(samples):
            if o + i < n:
                left[o + i] += v * gl
                right[o + i] += v * gr
    return left, right


def _finish(left, right, peak, attack=0.002, release=0.01):
    n = len(left)
    env = _env(n, attack, release)
    m = max(max(abs(v) for v in left), max(abs(v) for v in right)) or 1.0
    scale = peak / m
    frames = bytearray()
    for i in range(n):
        l = int(round(left[i] * env[i] * scale * 32767))
        r = int(round(right[i] * env[i] * scale * 32767))
        frames += struct.pack("<hh", l, r)
    return bytes(frames)


def _write(path, frames):
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def click():
    # a short bright tick: a noise burst shaped by a fast decay plus a high tone
    rng = random.Random(11)
    n = int(0.035 * RATE)
    s = []
    prev = 0.0
    for i in range(n):
        t = i / RATE
        noise = rng.uniform(-1, 1)
        prev = prev * 0.55 + noise * 0.45
        s.append((0.5 * prev + 0.8 * math.sin(2 * math.pi * 2600 * t)) * math.exp(-t * 160))
    l, r = _mix(0.035, [(0, s, 1.0, 0)])
    return _finish(l, r, 0.55, 0.0008, 0.008)


def key():
    # softer and lower than the click: a wooden knock
    s = _tone(1180, 0.05, 95, ((1, 1.0), (2.7, 0.35)))
    l, r = _mix(0.05, [(0, s, 1.0, 0)])
    return _finish(l, r, 0.45, 0.0008, 0.01)


def chord():
    # notice: a soft bell triad, C5 E5 G5 struck together
    parts = [(0.0, _tone(f, 0.55, 7, ((1, 1.0), (2, 0.3), (3, 0.12))), 1.0, p)
             for f, p in ((523.25, -0.3), (659.25, 0.0), (783.99, 0.3))]
    l, r = _mix(0.55, parts)
    return _finish(l, r, 0.6, 0.003, 0.06)


def notify():
    # question: two rising notes, E5 then A5, marimba-like
    parts = [(0.0, _tone(659.25, 0.3, 11, ((1, 1.0), (4, 0.25))), 1.0, -0.2),
             (0.14, _tone(880.0, 0.36, 9, ((1, 1.0), (4, 0.25))), 1.0, 0.2)]
    l, r = _mix(0.5, parts)
    return _finish(l, r, 0.6, 0.003, 0.05)


def _pad(freqs, dur, gain):
    n = int(dur * RATE)
    out = []
    for i in range(n):
        t = i / RATE
        v = 0.0
        for f in freqs:
            v += math.sin(2 * math.pi * f * t) + 0.25 * math.sin(2 * math.pi * 2 * f * t)
        rise = min(1.0, t / 0.35)
        out.append(gain * v * rise * math.exp(-t * 1.6))
    return out


def logon():
    # rising arpeggio G4 C5 E5 G5 C6 over a warm C major pad
    notes = (392.0, 523.25, 659.25, 783.99, 1046.5)
    parts = [(0.11 * k, _tone(f, 1.1, 4.5, ((1, 1.0), (2, 0.35), (3, 0.1))), 0.8, -0.4 + 0.2 * k)
             for k, f in enumerate(notes)]
    parts.append((0.0, _pad((261.63, 329.63, 392.0), 1.4, 0.25), 1.0, 0))
    l, r = _mix(1.4, parts)
    return _finish(l, r, 0.65, 0.004, 0.25)


def shutdown():
    # falling arpeggio C6 G5 E5 C5 G4 over a fading pad
    notes = (1046.5, 783.99, 659.25, 523.25, 392.0)
    parts = [(0.13 * k, _tone(f, 1.0, 4.0, ((1, 1.0), (2, 0.3))), 0.8, 0.4 - 0.2 * k)
             for k, f in enumerate(notes)]
    parts.append((0.1, _pad((196.0, 261.63, 329.63), 1.3, 0.22), 1.0, 0))
    l, r = _mix(1.45, parts)
    return _finish(l, r, 0.65, 0.004, 0.35)


SOUNDS = {
    "click.wav": click,
    "key.wav": key,
    "chord.wav": chord,
    "notify.wav": notify,
    "logon.wav": logon,
    "shutdown.wav": shutdown,
}


def write_all(directory):
    for name, make in SOUNDS.items():
        _write(f"{directory}/{name}", make())
