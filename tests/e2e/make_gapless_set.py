#!/usr/bin/env python3
"""Writes one phase-continuous sine cut into files at odd sample positions, in mixed
containers and bit depths at one rate, after a silent lead-in file.
usage: make_gapless_set.py OUT_DIR [--mp3]
Prints the files in play order, one a line; OUT_DIR/manifest.json holds the lengths.
With --mp3 two of the cuts are MP3s made by lame (they carry their encoder delay and
padding, so a gapless player trims them to the exact length)."""
import json
import math
import os
import struct
import subprocess
import sys

RATE = 44100
FREQ = 997.0  # not a divisor of the rate, so each cut meets the wave at another phase
AMPLITUDE = 0.5  # -6 dBFS
LEAD_IN = 6 * RATE  # Wine loses the start of a new process's first stream; start-up settles

# (frames, container, bits); the last cut is long, so a pause can land after the others.
CUTS = [
    (16381, "wav", 16),
    (22051, "aiff", 24),
    (9973, "wav", 24),
    (31337, "aifc-sowt", 16),
    (17389, "wav", 32),  # float
    (26459, "aiff", 16),
    (7 * RATE + 313, "wav", 16),
]
MP3_CUTS = [(45007, "mp3", 0), (39999, "mp3", 0)]  # put before the last cut


def sine(start, frames):
    w = 2 * math.pi * FREQ / RATE
    return [AMPLITUDE * math.sin(w * (start + i)) for i in range(frames)]


def pcm_bytes(values, bits, big_endian, is_float=False):
    if is_float:
        return struct.pack(("<" if not big_endian else ">") + "%df" % len(values), *values)
    scale = (1 << (bits - 1)) - 1
    out = bytearray()
    for v in values:
        q = int(round(v * scale))
        out += q.to_bytes(bits // 8, "big" if big_endian else "little", signed=True)
    return bytes(out)


def stereo(values):
    return [v for v in values for _ in range(2)]


def write_wav(path, values, bits, is_float=False):
    data = pcm_bytes(stereo(values), bits, False, is_float)
    align = 2 * bits // 8
    fmt = struct.pack("<HHIIHH", 3 if is_float else 1, 2, RATE, RATE * align, align, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(data)) + data + (b"\0" if len(data) & 1 else b"")
    open(path, "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)


def extended(value):
    """80-bit IEEE extended float (the AIFF sample rate)."""
    exponent = 16383 + int(math.floor(math.log2(value)))
    mantissa = int(value * 2 ** (63 - (exponent - 16383)))
    return struct.pack(">HQ", exponent, mantissa)


def write_aiff(path, values, bits, sowt=False):
    frames = len(values)
    data = pcm_bytes(stereo(values), bits, not sowt)
    comm = struct.pack(">hIh", 2, frames, bits) + extended(RATE)
    if sowt:
        comm += b"sowt" + bytes([0])  # empty pascal string, padded to even
        comm += b"\0"
    ssnd = struct.pack(">II", 0, 0) + data
    chunks = b"COMM" + struct.pack(">I", len(comm)) + comm
    chunks += b"SSND" + struct.pack(">I", len(ssnd)) + ssnd + (b"\0" if len(ssnd) & 1 else b"")
    kind = b"AIFC" if sowt else b"AIFF"
    if sowt:
        chunks = b"FVER" + struct.pack(">II", 4, 0xA2805140) + chunks
    open(path, "wb").write(b"FORM" + struct.pack(">I", 4 + len(chunks)) + kind + chunks)


def write_mp3(path, values):
    wav = path + ".src.wav"
    write_wav(wav, values, 16)
    subprocess.run(["lame", "--quiet", "-b", "320", "-q", "0", wav, path], check=True)
    os.remove(wav)


def main():
    out = sys.argv[1]
    cuts = list(CUTS)
    if "--mp3" in sys.argv[2:]:
        cuts[-1:-1] = MP3_CUTS
    os.makedirs(out, exist_ok=True)
    files = []
    lead = os.path.join(out, "00-lead-in.wav")
    write_wav(lead, [0.0] * LEAD_IN, 16)
    files.append(lead)
    at = 0
    boundaries = []
    for i, (frames, kind, bits) in enumerate(cuts, 1):
        values = sine(at, frames)
        ext = {"wav": "wav", "aiff": "aiff", "aifc-sowt": "aifc", "mp3": "mp3"}[kind]
        path = os.path.join(out, "%02d-%s%s.%s" % (i, kind, bits or "", ext))
        if kind == "wav":
            write_wav(path, values, bits, is_float=bits == 32)
        elif kind == "aiff":
            write_aiff(path, values, bits)
        elif kind == "aifc-sowt":
            write_aiff(path, values, bits, sowt=True)
        else:
            write_mp3(path, values)
        files.append(path)
        at += frames
        boundaries.append(at)
    manifest = {
        "rate": RATE,
        "frequency": FREQ,
        "amplitude": AMPLITUDE,
        "lead_in": LEAD_IN,
        "frames": at,
        # Where each cut but the last ends, in frames of the sine.
        "boundaries": boundaries[:-1],
        "lossy": [i for i, c in enumerate(cuts) if c[1] == "mp3"],
    }
    json.dump(manifest, open(os.path.join(out, "manifest.json"), "w"))
    print("\n".join(files))


main()
