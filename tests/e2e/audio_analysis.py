#!/usr/bin/env python3
"""Reads what parec recorded from the null sink's monitor (raw s16le) and measures it:
level and frequency per window, the tone's onset, ramps and silences. Pure Python, so
the tests need nothing beyond python3."""
import math
import struct
import sys

RATE = 44100
WINDOW = 441  # 10 ms


def load(path, channels=2):
    data = open(path, "rb").read()
    n = len(data) // (2 * channels)
    samples = struct.unpack("<%dh" % (n * channels), data[: n * 2 * channels])
    return [s / 32768.0 for s in samples[0::channels]]  # first channel


def onset(x, threshold=0.01):
    for i, v in enumerate(x):
        if abs(v) > threshold:
            return i
    raise SystemExit("no sound was recorded")


def rms(x, start, count):
    seg = x[start : start + count]
    return math.sqrt(sum(v * v for v in seg) / max(1, len(seg)))


def db(v):
    return 20 * math.log10(v) if v > 1e-9 else -180.0


def goertzel(x, start, count, freq):
    """Amplitude of one frequency over a window (a full-scale sine gives about 1.0)."""
    w = 2 * math.pi * freq / RATE
    c = 2 * math.cos(w)
    s1 = s2 = 0.0
    for v in x[start : start + count]:
        s0 = v + c * s1 - s2
        s2, s1 = s1, s0
    power = s1 * s1 + s2 * s2 - c * s1 * s2
    return 2 * math.sqrt(max(power, 0.0)) / count


def frequency(x, start, count):
    """Frequency from the rising zero crossings, interpolated."""
    crossings = []
    for i in range(start + 1, start + count):
        a, b = x[i - 1], x[i]
        if a < 0 <= b:
            crossings.append(i - 1 + (-a) / (b - a))
    if len(crossings) < 2:
        return 0.0
    return (len(crossings) - 1) * RATE / (crossings[-1] - crossings[0])


def levels(x, start, end, window=WINDOW):
    return [rms(x, i, window) for i in range(start, end - window + 1, window)]


if __name__ == "__main__":
    x = load(sys.argv[1])
    o = onset(x)
    print("onset", o / RATE)
    for i, l in enumerate(levels(x, o, len(x))):
        print("%.2f %.1f" % (i * 0.01, db(l * math.sqrt(2))))
