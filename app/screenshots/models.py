#!/usr/bin/env python3
"""Writes the model and the series shown in the screenshots of the store listing and README.

Usage: models.py FOLDER  ->  FOLDER/cloche.mdl and FOLDER/serie.ssm

The layout is the program's model record, little-endian, no padding: harmonic count (int32),
fundamental (double, Hz), glide (double), duration (uint16, tenths of a second), one flag byte
(1: each harmonic has its own envelope), then per harmonic: active (byte), rank (byte),
relative amplitude (double, 0..1), phase (double, radians) and 46 envelope points (0..255).
A series file is the model count (int32) followed by that many records.
"""
import math
import struct
import sys
from pathlib import Path

ENVELOPE_POINTS = 46


def envelope(attack, decay):
    """A struck envelope: a rise over `attack` points, then an exponential fall of rate `decay`
    per point, ending at 0 as the program's own envelopes do."""
    points = []
    for i in range(ENVELOPE_POINTS):
        if i == 0 or i == ENVELOPE_POINTS - 1:
            points.append(0)
        elif i <= attack:
            points.append(round(255 * i / attack))
        else:
            points.append(round(255 * math.exp(-decay * (i - attack))))
    return points


def flat():
    return [0] + [255] * (ENVELOPE_POINTS - 2) + [0]


def record(fundamental, glide, tenths, own_envelopes, harmonics):
    out = struct.pack("<iddHB", len(harmonics), fundamental, glide, tenths, own_envelopes)
    for rank, amplitude, phase_degrees, points in harmonics:
        out += struct.pack("<BBdd", 1, rank, amplitude, math.radians(phase_degrees))
        out += bytes(points)
    return out


# A bell-like sound: the higher ranks fade first.
BELL = record(220.0, 0.0, 10, 1, [
    (1, 1.00, 0, envelope(2, 0.05)),
    (2, 0.70, 90, envelope(2, 0.08)),
    (3, 0.50, 0, envelope(2, 0.12)),
    (5, 0.35, 45, envelope(1, 0.18)),
    (7, 0.25, 0, envelope(1, 0.25)),
    (9, 0.15, 0, envelope(1, 0.35)),
])
# A steady reed-like sound: odd ranks only.
REED = record(330.0, 0.0, 8, 0, [(r, 1.0 / r, 0, flat()) for r in (1, 3, 5, 7, 9, 11)])
# A rising tone with a slow swell.
RISE = record(262.0, 0.05, 15, 0, [(1, 1.0, 0, envelope(20, 0.2)), (2, 0.4, 0, envelope(20, 0.2))])


def main():
    folder = Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "cloche.mdl").write_bytes(BELL)
    models = [BELL, REED, RISE]
    (folder / "serie.ssm").write_bytes(struct.pack("<i", len(models)) + b"".join(models))


if __name__ == "__main__":
    main()
