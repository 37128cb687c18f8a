#!/usr/bin/env python3
"""The recording of Lumo.exe playing make_gapless_set.py's files, paused and resumed
once after the last cut, made from the null sink's monitor.
usage: check_gapless_recording.py check RECORDING MANIFEST
       check_gapless_recording.py wait RECORDING (sound SECONDS | silence | end MANIFEST)
check: the sine is continuous across every cut (no sample jump, hole or lost sample:
  each sample follows from the two before it, and the phase of every 10 ms stays on
  the uncut sine), at -6 dBFS and the right frequency; the pause fades to silence, the
  resume fades back in; all of the sine is heard, to its last sample.
wait: returns once the recording (still being made) has held the sine for SECONDS, has
  gone silent after sound, or has played the whole sine and gone silent; exits 1 after
  60 s."""
import json
import math
import os
import struct
import sys
import time

from audio_analysis import RATE, WINDOW, db, load, onset, rms

SILENT_DB = -50.0
CUTS_MARGIN = 0.5  # seconds after the last cut checked sample by sample
HEARD_TOLERANCE = 0.03  # seconds
failures = []


def check(ok, text):
    print(("ok   " if ok else "FAIL ") + text)
    if not ok:
        failures.append(text)


def peak_db(x, start):
    return db(rms(x, start, WINDOW) * 2 ** 0.5)


def window_levels(x, start, end):
    return [peak_db(x, i) for i in range(start, end - WINDOW + 1, WINDOW)]


def align(x, o, w, amplitude):
    """The recorded index of the sine's frame 0 near the onset (the first frame is 0.0)."""
    best = None
    for s in range(o - 3, o + 2):
        err = sum((x[s + n] - amplitude * math.sin(w * n)) ** 2 for n in range(2000))
        if best is None or err < best[0]:
            best = (err, s)
    return best[1]


def jumps(x, start, end, w, allowed, threshold=0.01):
    """Samples in [start, end) that do not follow from the two before them on a sine of
    angular frequency w (x[n] = 2 cos w x[n-1] - x[n-2]); allowed: ranges to skip."""
    c = 2 * math.cos(w)
    found = []
    for i in range(start + 2, end):
        e = x[i] - c * x[i - 1] + x[i - 2]
        if abs(e) > threshold and not any(a <= i < b for a, b in allowed):
            found.append((i, abs(e)))
    return found


def phase_errors(x, start, end, zero, w):
    """Per 10 ms window, how far (radians) the recording's phase is from the uncut sine
    whose frame 0 is at zero."""
    out = []
    for s in range(start, end - WINDOW + 1, WINDOW):
        i = q = 0.0
        for n in range(s, s + WINDOW):
            t = w * (n - zero)
            i += x[n] * math.sin(t)
            q += x[n] * math.cos(t)
        out.append((s, math.atan2(q, i)))
    return out


def first(x, start, end, predicate, step=WINDOW // 4):
    for i in range(start, end - WINDOW, step):
        if predicate(peak_db(x, i)):
            return i
    return None


def first_silence(x, start, seconds=0.15):
    """Where the first silence of at least seconds begins (a dropout is shorter)."""
    at = start
    while True:
        at = first(x, at, len(x), lambda d: d < SILENT_DB)
        if at is None:
            return None
        louder = first(x, at, min(len(x), at + int(seconds * RATE) + WINDOW), lambda d: d > SILENT_DB)
        if louder is None:
            return at
        at = louder


def heard_frames(x, start):
    """Samples from start on that are not part of a run of zeros (the sink fills a late
    client's holes with zeros; a sine has no such runs)."""
    heard = run = 0
    for v in x[start:]:
        if v == 0.0:
            run += 1
            continue
        heard += 1 + (run if run < 4 else 0)
        run = 0
    return heard


def run_check(recording, manifest_path):
    m = json.load(open(manifest_path))
    x = load(recording)
    w = 2 * math.pi * m["frequency"] / RATE
    amplitude = m["amplitude"]
    frames = m["frames"]
    zero = align(x, onset(x), w, amplitude)
    cuts = [zero + b for b in m["boundaries"]]
    ms = lambda n: n * 1000.0 / RATE

    # Every cut, and CUTS_MARGIN after the last: the test forwards /pause only after
    # that (starting a Wine process there may starve the playing one, which is not what
    # this measures).
    span = cuts[-1] + int(CUTS_MARGIN * RATE)
    # Edges of MP3 cuts carry the codec's own error for a few milliseconds; the phase
    # check holds there too.
    lossy_edges = []
    edges = [zero] + cuts + [zero + frames]
    for k in m["lossy"]:
        for e in (edges[k], edges[k + 1]):
            lossy_edges.append((e - 120, e + 120))
    bad = jumps(x, zero + 3, span, w, lossy_edges)
    near = lambda i: min(cuts, key=lambda c: abs(c - i))
    check(not bad, "no sample jump across %d cuts%s" % (
        len(cuts), "" if not bad else ": %d, first at %.3f s (%.1f ms from a cut), %.3f off" % (
            len(bad), (bad[0][0] - zero) / RATE, ms(bad[0][0] - near(bad[0][0])), bad[0][1])))
    # The phase of every 10 ms against the uncut sine: no sample lost or inserted
    # anywhere up to the end of the span, so every cut was heard whole.
    phases = phase_errors(x, zero, span, zero, w)
    worst = max(phases, key=lambda p: abs(p[1]))
    check(abs(worst[1]) < 0.05,
          "every 10 ms on the uncut sine's phase (worst %.3f rad at %.3f s; one sample is %.3f)"
          % (worst[1], (worst[0] - zero) / RATE, w))
    levels = window_levels(x, zero + WINDOW, span)
    mean = sum(levels) / len(levels)
    check(abs(mean + 6.0) <= 0.5, "the sine comes out at %.2f dBFS (-6 written)" % mean)
    check(min(levels) > -7.0,
          "no silence or dropout: every 10 ms within 1 dB (lowest %.2f dBFS)" % min(levels))
    crossings = [i for i in range(zero + 1, span) if x[i - 1] < 0 <= x[i]]
    f = (len(crossings) - 1) * RATE / (crossings[-1] - crossings[0])
    check(abs(f - m["frequency"]) < 0.5, "at %.2f Hz (%.0f written)" % (f, m["frequency"]))

    # The pause: the first silence after the span, and the fade before it.
    gone = first_silence(x, span)
    check(gone is not None and gone < zero + frames, "the pause silenced the sine")
    if gone is None or gone >= zero + frames:
        return
    down = gone
    while down > span and peak_db(x, down) < -6.5:
        down -= WINDOW // 4
    fade = ms(gone - down)
    check(40 <= fade <= 200, "the pause fades out over %.0f ms (100 ms set)" % fade)
    back = first(x, gone, len(x), lambda d: d > SILENT_DB)
    check(back is not None, "the sound comes back after the pause")
    if back is None:
        return
    check(back - gone >= RATE // 5, "silent while paused (%.2f s)" % ((back - gone) / RATE))
    full = first(x, back, len(x), lambda d: d > -6.5)
    check(full is not None and 40 <= ms(full - back) <= 200,
          "the resume fades in over %.0f ms" % ms((full or back) - back))

    # The end: silence after the last sample, and all of the sine heard (holes a late
    # Wine leaves behind the second launches are not counted; samples it skipped are).
    end = len(x)
    while end > back and x[end - 1] == 0.0:
        end -= 1
    check(len(x) - end >= RATE // 5, "silence after the end (%.2f s)" % ((len(x) - end) / RATE))
    heard = heard_frames(x, zero)
    check(abs(heard - frames) <= HEARD_TOLERANCE * RATE,
          "heard %.3f s of the %.3f s written" % (heard / RATE, frames / RATE))


class growing:
    """The windows of a recording still being written, read as they arrive."""

    def __init__(self, path):
        self.path, self.offset, self.levels = path, 0, []

    def poll(self):
        size = os.path.getsize(self.path) if os.path.exists(self.path) else 0
        block = 4 * WINDOW  # s16 stereo
        if size - self.offset < block:
            return
        with open(self.path, "rb") as f:
            f.seek(self.offset)
            data = f.read((size - self.offset) // block * block)
        self.offset += len(data)
        for at in range(0, len(data), block):
            s = struct.unpack("<%dh" % (2 * WINDOW), data[at : at + block])[0::2]
            level = math.sqrt(sum(v * v for v in s) / WINDOW) / 32768.0
            self.levels.append(db(level * 2 ** 0.5))


def run_wait(recording, what, arg):
    rec = growing(recording)
    deadline = time.time() + 60
    while time.time() < deadline:
        rec.poll()
        sound = [l > SILENT_DB for l in rec.levels]
        heard = sum(sound) * WINDOW / RATE
        started = True in sound
        quiet_tail = started and len(sound) >= 30 and not any(sound[-30:])
        if what == "sound" and heard >= float(arg):
            return 0
        if what == "silence" and quiet_tail:
            return 0
        if what == "end" and quiet_tail:
            m = json.load(open(arg))
            if heard >= m["frames"] / RATE - 0.2:
                return 0
        time.sleep(0.2)
    print("waited 60 s for %s in %s" % (what, recording))
    return 1


def main():
    if sys.argv[1] == "wait":
        sys.exit(run_wait(sys.argv[2], sys.argv[3], sys.argv[4] if len(sys.argv) > 4 else None))
    run_check(sys.argv[2], sys.argv[3])
    if failures:
        sys.exit(1)


main()
