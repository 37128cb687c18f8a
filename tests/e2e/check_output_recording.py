#!/usr/bin/env python3
"""Checks a recording of `lumo-inspect tone` made from the null sink's monitor.
usage: check_output_recording.py KIND RECORDING TONE_LOG
KIND: events (level, frequency, dropouts, volume change, pause fade, flush),
      instant_pause (pause fade 0 ms), sound (the stream was heard at all)."""
import re
import sys

from audio_analysis import RATE, WINDOW, db, frequency, goertzel, levels, load, onset

failures = []


def check(ok, text):
    print(("ok   " if ok else "FAIL ") + text)
    if not ok:
        failures.append(text)


def events(log):
    found = {}
    for line in open(log):
        m = re.match(r"(volume|pause|resume|flush)(?: \S+)? at (-?[0-9.]+)", line)
        if m:
            found[m.group(1)] = float(m.group(2))
    return found


def peak_db(x, start, count=WINDOW):
    return db(levels(x, start, start + count, count)[0] * 2 ** 0.5)


def first_window(x, start, end, predicate):
    for i in range(start, end - WINDOW, WINDOW // 4):
        if predicate(peak_db(x, i)):
            return i
    return None


def main():
    kind, recording, log = sys.argv[1:4]
    x = load(recording)
    o = onset(x)
    ev = events(log)
    at = lambda seconds: o + int(seconds * RATE)

    if kind == "sound":
        level = peak_db(x, at(0.1), int(0.3 * RATE))
        check(level > -20, "the stream is heard (%.1f dBFS)" % level)
        f = frequency(x, at(0.1), int(0.3 * RATE))
        check(abs(f - 1000) < 3, "at 1 kHz (%.1f Hz)" % f)
    elif kind == "instant_pause":
        # Found by its effect (the first silence after the tone began), so the check does
        # not depend on where the recording's timeline meets the program's.
        quiet = first_window(x, o + int(0.1 * RATE), len(x), lambda d: d < -60)
        check(quiet is not None, "the pause silenced the tone")
        if quiet is not None:
            loud = quiet
            while loud > o and peak_db(x, loud) <= -6.5:
                loud -= WINDOW // 4
            ms = (quiet - loud - WINDOW) * 1000 / RATE
            check(ms <= 20, "with a 0 ms fade the sound stops at once (%.1f ms)" % max(ms, 0))
    else:
        # Level, frequency and dropouts over the steady first part.
        steady = levels(x, at(0.1), at(ev["volume"] - 0.1))
        worst = max(abs(db(l * 2 ** 0.5) + 6.0) for l in steady)
        mean = sum(db(l * 2 ** 0.5) for l in steady) / len(steady)
        check(abs(mean + 6.0) <= 0.5, "a -6 dBFS sine comes out at %.2f dBFS" % mean)
        check(worst <= 1.0, "no dropout: every 10 ms within 1 dB (worst %.2f dB off)" % worst)
        f = frequency(x, at(0.1), at(ev["volume"] - 0.1) - at(0.1))
        check(abs(f - 1000) < 1, "at 1 kHz (%.2f Hz)" % f)

        # Volume -12 dB: the ramp starts within about 60 ms of the command.
        t = at(ev["volume"])
        start = first_window(x, t - int(0.05 * RATE), t + int(0.3 * RATE), lambda d: d < -6.5)
        done = first_window(x, t - int(0.05 * RATE), t + int(0.3 * RATE), lambda d: d < -17.5)
        check(start is not None and (start - t) / RATE <= 0.06,
              "the volume change is heard %.0f ms after the command" % (((start or t) - t) * 1000 / RATE))
        check(done is not None and (done - t) / RATE <= 0.13,
              "and reaches -18 dBFS %.0f ms after it" % (((done or t) - t) * 1000 / RATE))
        after = levels(x, t + int(0.15 * RATE), at(ev["pause"] - 0.05))
        level = sum(db(l * 2 ** 0.5) for l in after) / len(after)
        check(abs(level + 18.0) <= 0.5, "then stays at %.2f dBFS" % level)

        # Pause fade of 100 ms down, silence, the same ramp back up.
        t = at(ev["pause"])
        down = first_window(x, t - int(0.05 * RATE), t + int(0.4 * RATE), lambda d: d < -18.5)
        gone = first_window(x, t - int(0.05 * RATE), t + int(0.4 * RATE), lambda d: d < -50)
        check(down is not None and gone is not None, "the pause fades to silence")
        if down is not None and gone is not None:
            ms = (gone - down) * 1000 / RATE
            check(50 <= ms <= 150, "the pause fade lasts %.0f ms (100 ms asked)" % ms)
            back = first_window(x, gone, gone + int(1.5 * RATE), lambda d: d > -50)
            full = first_window(x, gone, gone + int(1.5 * RATE), lambda d: d > -18.5)
            check(back is not None and full is not None, "resume brings the sound back")
            if back is not None and full is not None:
                silent_ms = (back - gone) * 1000 / RATE
                check(300 <= silent_ms <= 700, "silent while paused (%.0f ms, 500 asked)" % silent_ms)
                ms = (full - back) * 1000 / RATE
                check(50 <= ms <= 150, "the resume fade lasts %.0f ms" % ms)
                # Flush: the old tone fades out and the new one (1.5 kHz) fades in.
                tf = back + int((ev["flush"] - ev["resume"]) * RATE)
                n = WINDOW * 2
                old_before = db(goertzel(x, tf - int(0.1 * RATE), n, 1000))
                new_before = db(goertzel(x, tf - int(0.1 * RATE), n, 1500))
                old_after = db(goertzel(x, tf + int(0.25 * RATE), n, 1000))
                new_after = db(goertzel(x, tf + int(0.25 * RATE), n, 1500))
                check(old_before > -19 and new_before < -50,
                      "before the flush only the old tone (%.1f / %.1f dB)" % (old_before, new_before))
                check(old_after < -50 and abs(new_after + 18) < 1,
                      "after it only the new one (%.1f / %.1f dB)" % (old_after, new_after))
                mid_new = [db(goertzel(x, tf + int(s * RATE), WINDOW, 1500)) for s in (0.0, 0.05, 0.1, 0.15, 0.2)]
                check(mid_new[0] < mid_new[2] - 3 and mid_new[2] < mid_new[4] + 0.5,
                      "the new audio fades in (%s dB)" % ", ".join("%.1f" % v for v in mid_new))
    if failures:
        sys.exit(1)


main()
