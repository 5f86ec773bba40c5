#!/usr/bin/env python3
"""Regenerates the real-note corpus in tests/notes/: single notes played by the installed
synthesisers (fluidsynth with FluidR3_GM, timidity with freepats, espeak-ng), each cut to
mono, 44100 Hz, 16-bit FLAC. Needs fluidsynth, fluid-soundfont-gm, timidity, freepats,
espeak-ng and sox."""
import os
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "notes")
SF2 = "/usr/share/sounds/sf2/FluidR3_GM.sf2"

# name, synthesiser, General MIDI program (0-based), MIDI note, seconds held
NOTES = [
    ("flute-a4", "fluidsynth", 73, 69, 2.0),
    ("clarinet-d4", "fluidsynth", 71, 62, 2.0),
    ("oboe-e4", "fluidsynth", 68, 64, 2.0),
    ("church-organ-c4", "fluidsynth", 19, 60, 2.0),
    ("reed-organ-g3", "fluidsynth", 20, 55, 2.0),
    ("violin-a4", "fluidsynth", 40, 69, 2.0),
    ("trumpet-c5", "fluidsynth", 56, 72, 2.0),
    ("piano-c4", "fluidsynth", 0, 60, 2.0),
    ("choir-aahs-f4", "fluidsynth", 52, 65, 2.0),
    ("flute-freepats-g4", "timidity", 73, 67, 2.0),
    ("organ-freepats-a3", "timidity", 19, 57, 2.0),
    ("clarinet-freepats-c4", "timidity", 71, 60, 2.0),
]
ESPEAK = [
    # name, voice, pitch 0..99, text
    ("voice-espeak-a", "fr", 40, "aaaaaaaa"),
]


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)


def midi(program, note, seconds):
    """A format-0 MIDI file: one program change, one note held `seconds`, 480 ticks a beat at
    120 beats a minute (960 ticks a second)."""
    ticks = int(seconds * 960)
    events = (vlq(0) + bytes([0xC0, program]) + vlq(0) + bytes([0x90, note, 100]) + vlq(ticks) +
              bytes([0x80, note, 0]) + vlq(480) + bytes([0xFF, 0x2F, 0]))
    return (b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + b"MTrk" + struct.pack(">I", len(events)) +
            events)


def to_flac(raw, name, seconds):
    out = os.path.join(ROOT, name + ".flac")
    # Mono, 44100 Hz, 16 bits; the silence before the note goes, the note is cut to its length.
    subprocess.run(["sox", "-D", raw, "-r", "44100", "-c", "1", "-b", "16", out, "silence", "1", "0.001", "0.2%",
                    "trim", "0", str(seconds), "fade", "t", "0", str(seconds), "0.05"], check=True)


def main():
    os.makedirs(ROOT, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        for name, synth, program, note, seconds in NOTES:
            mid = os.path.join(tmp, name + ".mid")
            wav = os.path.join(tmp, name + ".wav")
            with open(mid, "wb") as f:
                f.write(midi(program, note, seconds))
            if synth == "fluidsynth":
                subprocess.run(["fluidsynth", "-ni", "-g", "0.6", "-r", "44100", "-R", "0", "-C", "0",
                                "-F", wav, SF2, mid], check=True, stdout=subprocess.DEVNULL)
            else:
                subprocess.run(["timidity", "-c", "/etc/timidity/freepats.cfg", "-Ow", "-s", "44100", "-EFreverb=0", "-EFchorus=0",
                                "-o", wav, mid], check=True, stdout=subprocess.DEVNULL)
            to_flac(wav, name, seconds)
        for name, voice, pitch, text in ESPEAK:
            wav = os.path.join(tmp, name + ".wav")
            subprocess.run(["espeak-ng", "-v", voice, "-s", "80", "-p", str(pitch), text, "-w", wav], check=True)
            to_flac(wav, name, 1.5)
    return 0


if __name__ == "__main__":
    sys.exit(main())
