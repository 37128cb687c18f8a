#!/usr/bin/python3
"""lumo-inspect play renders through the real engine into a WAV: the output equals the
source sample for sample, --seek starts on the requested sample, and --volume and the
--replaygain choice (gains carried in an ID3 chunk of the WAV) scale every sample.

usage: inspect_play_check.py LUMO_INSPECT WORK_FOLDER
"""
import math
import os
import struct
import subprocess
import sys

RATE = 44100
FRAMES = 30011  # odd, not a multiple of any block size


def signal():
    out = []
    noise = 777
    for i in range(FRAMES):
        noise = (noise * 1103515245 + 12345) & 0x7FFFFFFF
        v = 0.45 * math.sin(2 * math.pi * 523.0 * i / RATE) + ((noise >> 20) - 1024) / 65536.0
        out.append(int(round(v * 32767)))
        out.append(int(round(0.3 * math.sin(2 * math.pi * 131.0 * i / RATE) * 32767)))
    return out


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def id3_with_gains(track_db, album_db):
    frames = b""
    for name, value in (("REPLAYGAIN_TRACK_GAIN", "%.2f dB" % track_db),
                        ("REPLAYGAIN_ALBUM_GAIN", "%.2f dB" % album_db)):
        body = b"\x00" + name.encode() + b"\x00" + value.encode()
        frames += b"TXXX" + struct.pack(">I", len(body)) + b"\x00\x00" + body
    return b"ID3\x03\x00\x00" + syncsafe(len(frames)) + frames


def write_wav(path, samples, extra_chunks=b""):
    data = struct.pack("<%dh" % len(samples), *samples)
    fmt = struct.pack("<HHIIHH", 1, 2, RATE, RATE * 4, 4, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(data)) + data + extra_chunks
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def read_float_wav(path):
    with open(path, "rb") as f:
        b = f.read()
    at = 12
    while at + 8 <= len(b):
        cid, size = b[at:at + 4], struct.unpack("<I", b[at + 4:at + 8])[0]
        if cid == b"fmt ":
            tag, channels, rate = struct.unpack("<HHI", b[at + 8:at + 16])
            bits = struct.unpack("<H", b[at + 22:at + 24])[0]
            assert (channels, rate, bits) == (2, RATE, 32), (channels, rate, bits)
        if cid == b"data":
            n = size // 4
            return list(struct.unpack("<%df" % n, b[at + 8:at + 8 + n * 4]))
        at += 8 + size + (size & 1)
    raise AssertionError("no data chunk in " + path)


def play(inspect, files, out, *options):
    if os.path.exists(out):
        os.remove(out)
    r = subprocess.run([inspect, "play", *files, "--out", out, *options],
                       capture_output=True, text=True)
    if r.returncode != 0:
        raise AssertionError("play %s failed: %s" % (options, r.stderr))
    return read_float_wav(out)


def expect_scaled(name, heard, source, factor):
    if len(heard) != len(source):
        raise AssertionError("%s: %d samples, expected %d" % (name, len(heard), len(source)))
    worst = max(abs(h - s * factor) for h, s in zip(heard, source))
    if worst > 1e-6:
        raise AssertionError("%s: off by %g (scale %g)" % (name, worst, factor))
    print("%s: %d samples, scale %.6f" % (name, len(heard), factor))


def main():
    inspect, work = sys.argv[1], sys.argv[2]
    os.makedirs(work, exist_ok=True)
    samples = signal()
    source = [s / 32768.0 for s in samples]
    plain = os.path.join(work, "play_plain.wav")
    tagged = os.path.join(work, "play_gains.wav")
    write_wav(plain, samples)
    write_wav(tagged, samples, b"id3 " + struct.pack("<I", len(id3_with_gains(-6.0, -12.0))) +
              id3_with_gains(-6.0, -12.0))
    out = os.path.join(work, "play_out.wav")

    heard = play(inspect, [plain], out)
    if heard != source:
        raise AssertionError("plain play differs from the source")
    print("plain: %d samples exact" % len(heard))

    # 0.25 s in: frame 11025, then the rest exactly.
    heard = play(inspect, [plain], out, "--seek", "0.25")
    if heard != source[11025 * 2:]:
        raise AssertionError("seek 0.25 does not start on frame 11025 (%d samples)" % len(heard))
    print("seek: starts on frame 11025")

    expect_scaled("volume -6", play(inspect, [plain], out, "--volume", "-6"), source,
                  10 ** (-6 * 0.05))
    expect_scaled("replaygain off", play(inspect, [tagged], out, "--replaygain", "off"), source,
                  1.0)
    expect_scaled("replaygain track", play(inspect, [tagged], out, "--replaygain", "track"),
                  source, 10 ** (-6 * 0.05))
    expect_scaled("replaygain album", play(inspect, [tagged], out, "--replaygain", "album"),
                  source, 10 ** (-12 * 0.05))
    # Both at once: the gain per track, the volume on the output.
    expect_scaled("album and volume",
                  play(inspect, [tagged], out, "--replaygain", "album", "--volume", "-3"),
                  source, 10 ** (-15 * 0.05))

    # Bad options are refused before anything plays.
    for bad in (["--seek", "-1"], ["--seek", "x"], ["--replaygain", "loud"], ["--volume"]):
        r = subprocess.run([inspect, "play", plain, *bad], capture_output=True, text=True)
        if r.returncode != 2:
            raise AssertionError("%s: exit %d" % (bad, r.returncode))
    print("bad options refused")


if __name__ == "__main__":
    main()
