#!/usr/bin/env python3
"""Writes the benchmark documents of this folder and the example documents.

The documents are plain text; this script is the record of how they were
made, so that a change of layout or size is one edit here:

    python3 bench/patches/make_patches.py

Layout of a contraption line: type, name, property list, twenty preset
slots, an empty block and the window state, each separated by a tab.
"""

import os

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

EMPTY_PRESETS = "{ " + ", ".join(["{  }"] * 20) + " }"


class Patch:
    def __init__(self, tempo=120, pane_width=420):
        self.tempo = tempo
        self.pane_width = pane_width
        self.lines = []
        self.connections = []
        self.counts = {}

    def add(self, type_name, properties, x, y, window=None):
        n = self.counts.get(type_name, 0) + 1
        self.counts[type_name] = n
        name = f"{type_name}_{n}" if type_name != "SoundOut" else "SoundOut"
        props = "{ " + ", ".join(properties) + " }" if properties else "{  }"
        if window:
            # An open window at (left, top); the block holds top first.
            left, top = window
            state = f"{{ {x} {y} T Z Z {top} {left} Z Z Z Z  }}"
        else:
            state = f"{{ {x} {y} F Z Z 0 0 Z Z Z Z  }}"
        self.lines.append(f"\t{type_name}\t{name}\t{props}\t{EMPTY_PRESETS}{{ }}{state}\t")
        return name

    def connect(self, source, outlet, target, inlet):
        self.connections.append(f"\t{source}\t{outlet}\t{target}\t{inlet}")

    def text(self):
        out = [".odh 0.5", "tempo:", f"\t{self.tempo}", "visual1:",
               f"\t{self.pane_width}", "\t1", "\t1", "contraptions:"]
        out += self.lines
        out.append("connections:")
        out += self.connections
        out.append("end")
        return "\n".join(out) + "\n"

    def write(self, path):
        with open(path, "w", newline="\n") as f:
            f.write(self.text())


def num(x):
    """A double as the program writes it: six significant digits."""
    return f"{x:.6g}"


def test_gen(patch, freq, amp, x, y, waveform=1, window=None):
    return patch.add("TestGen", [num(amp), num(freq), str(waveform)], x, y, window)


def sound_out(patch, x, y, window=None):
    return patch.add("SoundOut", ['""', "0", "0", "0", "1000"], x, y, window)


def mono_mixer(patch, n, master, gains, x, y, window=None):
    return patch.add(f"M{n}Mixer", [num(master)] + [num(g) for g in gains], x, y, window)


def sines64():
    """64 sine generators, four to a mono mixer, the mixers summed by busses."""
    p = Patch()
    out = sound_out(p, 400, 700)
    final = p.add("M2Buss", [], 400, 640)
    p.connect(final, 0, out, 0)
    p.connect(final, 0, out, 1)
    for half in range(2):
        buss = p.add("M8Buss", [], 200 + 400 * half, 560)
        p.connect(buss, 0, final, half)
        for m in range(8):
            mixer = mono_mixer(p, 4, 1.0, [0.25] * 4, 50 * (8 * half + m), 460)
            p.connect(mixer, 0, buss, m)
            for g in range(4):
                k = 32 * half + 4 * m + g
                gen = test_gen(p, 110.0 * (1 + k % 16) + k, 0.05, 50 * (8 * half + m), 20 + 100 * g)
                p.connect(gen, 0, mixer, g)
    return p


def chains200():
    """200 small chains (a generator into a mono mixer) summed to the output."""
    p = Patch()
    out = sound_out(p, 600, 900)
    top = p.add("M2Buss", [], 600, 840)
    p.connect(top, 0, out, 0)
    p.connect(top, 0, out, 1)
    mids = [p.add("M12Buss", [], 300 + 600 * i, 780) for i in range(2)]
    for i, m in enumerate(mids):
        p.connect(m, 0, top, i)
    for b in range(17):
        buss = p.add("M12Buss", [], 60 * b, 700)
        p.connect(buss, 0, mids[b // 9], b % 9)
        for c in range(12):
            k = 12 * b + c
            if k >= 200:
                break
            gen = test_gen(p, 55.0 + 7.0 * k, 0.02, 30 * (k % 40), 40 + 120 * (k // 40))
            mixer = mono_mixer(p, 2, 1.0, [0.8, 0.0], 30 * (k % 40), 100 + 120 * (k // 40))
            p.connect(gen, 0, mixer, 0)
            p.connect(mixer, 0, buss, c)
    return p


def stereo_scene():
    """Two tones panned apart, crossfaded against a quiet noise bed."""
    p = Patch()
    low = test_gen(p, 220.0, 0.4, 30, 30)
    high = test_gen(p, 330.0, 0.3, 130, 30)
    noise = test_gen(p, 440.0, 0.1, 230, 30, waveform=0)
    pan = p.add("P2Mixer", [num(1.0), num(0.9), num(0.15), num(0.9), num(0.85)], 80, 110,
                window=(10, 10))
    bed = p.add("S2Buss", [], 230, 110)
    fader = p.add("Crossfader", [num(1.0), num(1.0), num(1.0), num(0.35)], 150, 190,
                  window=(10, 140))
    out = sound_out(p, 150, 270)
    p.connect(low, 0, pan, 0)
    p.connect(high, 0, pan, 1)
    p.connect(noise, 0, bed, 0)
    p.connect(pan, 0, fader, 0)
    p.connect(pan, 1, fader, 1)
    p.connect(bed, 0, fader, 2)
    p.connect(bed, 1, fader, 3)
    p.connect(fader, 0, out, 0)
    p.connect(fader, 1, out, 1)
    return p


def feedback_loop():
    """A tone fed back through a buss with more than unity gain: the loop's
    limiter holds it within bounds instead of letting it run away."""
    p = Patch()
    gen = test_gen(p, 110.0, 0.5, 40, 30)
    mixer = mono_mixer(p, 2, 1.0, [0.7, 1.3], 40, 120, window=(10, 10))
    buss = p.add("M2Buss", [], 140, 200)
    # The loop runs at the limiter's threshold; the output mixer takes it
    # down to a level the sound card does not clip.
    level = mono_mixer(p, 2, 1.0, [0.5, 0.0], 40, 280, window=(10, 100))
    out = sound_out(p, 40, 360)
    p.connect(gen, 0, mixer, 0)
    p.connect(mixer, 0, buss, 0)
    p.connect(buss, 0, mixer, 1)
    p.connect(buss, 0, level, 0)
    p.connect(level, 0, out, 0)
    p.connect(level, 0, out, 1)
    return p


if __name__ == "__main__":
    sines64().write(os.path.join(HERE, "sines64.odh"))
    chains200().write(os.path.join(HERE, "chains200.odh"))
    examples = os.path.join(ROOT, "examples")
    os.makedirs(examples, exist_ok=True)
    stereo_scene().write(os.path.join(examples, "stereo_scene.odh"))
    feedback_loop().write(os.path.join(examples, "feedback_loop.odh"))
