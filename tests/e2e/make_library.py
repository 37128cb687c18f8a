#!/usr/bin/env python3
"""Writes a small tagged music folder for the whole-program tests: WAV files (a quiet
sine each, with a RIFF INFO list for title, artist, album, genre, track number and date)
in one folder per album. Usage: make_library.py FOLDER"""
import math
import os
import struct
import sys

ALBUMS = [
    # genre, artist, album, date, titles
    ("Jazz", "Blue Trio", "Night Walk", "1999", ["Opening", "Streetlights", "Home"]),
    ("Jazz", "Blue Trio", "Morning", "2005", ["Sunrise", "Coffee"]),
    ("Rock", "Stone Lane", "First Light", "2012", ["Ignition", "Highway", "Last Call"]),
    ("Electronic", "Pulse Unit", "Circuits", "2020", ["Boot", "Loop"]),
]


def info_chunk(fields):
    body = b"INFO"
    for key, value in fields:
        data = value.encode("utf-8") + b"\0"
        if len(data) % 2:
            data += b"\0"
        body += key.encode("ascii") + struct.pack("<I", len(data)) + data
    return b"LIST" + struct.pack("<I", len(body)) + body


def wav(path, seconds, frequency, fields):
    rate = 22050
    frames = int(rate * seconds)
    samples = b"".join(
        struct.pack("<h", int(3000 * math.sin(2 * math.pi * frequency * i / rate)))
        for i in range(frames))
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt +
            info_chunk(fields) + b"data" + struct.pack("<I", len(samples)) + samples)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def main():
    root = sys.argv[1]
    for genre, artist, album, date, titles in ALBUMS:
        folder = os.path.join(root, artist, album)
        os.makedirs(folder, exist_ok=True)
        for number, title in enumerate(titles, 1):
            wav(os.path.join(folder, "%02d %s.wav" % (number, title)), 2.0, 220 * number,
                [("INAM", title), ("IART", artist), ("IPRD", album), ("IGNR", genre),
                 ("ITRK", str(number)), ("ICRD", date)])


main()
