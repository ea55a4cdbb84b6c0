#!/usr/bin/env python3
"""Generates the four signal sounds Tarvolt ships (assets/sounds/*.wav).
Short, distinct tones that carry over engine noise: start rises, split is a double blip,
the speed trap is one high blip, the finish a falling two-tone chord."""
import math, os, struct, wave

RATE = 44100
HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "assets", "sounds")


def tone(freqs, seconds, volume=0.5):
    n = int(RATE * seconds)
    fade = int(RATE * 0.008)
    out = []
    for i in range(n):
        t = i / RATE
        s = sum(math.sin(2 * math.pi * f * t) for f in freqs) / len(freqs)
        env = min(1.0, i / fade, (n - 1 - i) / fade)
        out.append(s * env * volume)
    return out


def sweep(f0, f1, seconds, volume=0.5):
    n = int(RATE * seconds)
    fade = int(RATE * 0.008)
    out, phase = [], 0.0
    for i in range(n):
        f = f0 + (f1 - f0) * i / n
        phase += 2 * math.pi * f / RATE
        env = min(1.0, i / fade, (n - 1 - i) / fade)
        out.append(math.sin(phase) * env * volume)
    return out


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def write(name, samples):
    with wave.open(os.path.join(HERE, name), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(max(-1, min(1, s)) * 32767)) for s in samples))


os.makedirs(HERE, exist_ok=True)
write("Ton1-Start.wav", sweep(660, 1320, 0.35))
write("Ton2.wav", tone([1175], 0.08) + silence(0.05) + tone([1175], 0.08))
write("Ton3-Vmax.wav", tone([1760], 0.12))
write("Ton4-Finish.wav", tone([1319, 1568], 0.25) + tone([988, 1319], 0.45))
