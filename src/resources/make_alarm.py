#!/usr/bin/env python3
"""Writes the program's alarm waveform: sounds/alarm.wav next to this script.

Four one-second bursts, each a loud siren sweep of 0.6 s with a quieter tail that dies away,
as 16-bit PCM mono at 48 kHz (the sound player takes no floating-point samples). Every burst
starts and ends at silence, so the endless loop never clicks.

    python3 make_alarm.py [output.wav]
"""
import math
import os
import struct
import sys
import wave

RATE = 48000
BURSTS = 4
BURST_S = 1.0
LOUD_S = 0.6

LOUD = 0.85          # of full scale
TAIL = 0.25          # level at the start of the tail
TAIL_DECAY_S = 0.12  # time constant of the tail's decay
ATTACK_S = 0.01
RELEASE_S = 0.005    # last fade to silence at the end of a burst

LOW_HZ, HIGH_HZ = 700.0, 1400.0
SWEEP_S = 0.3        # one rise and fall of the siren
OVERTONE = 0.3       # third harmonic, for a harsher, more audible tone


def envelope(t):
    if t < ATTACK_S:
        return LOUD * t / ATTACK_S
    if t < LOUD_S:
        return LOUD
    level = TAIL * math.exp(-(t - LOUD_S) / TAIL_DECAY_S)
    left = BURST_S - t
    if left < RELEASE_S:
        level *= max(left, 0.0) / RELEASE_S
    return level


def frequency(t):
    middle = (LOW_HZ + HIGH_HZ) / 2
    swing = (HIGH_HZ - LOW_HZ) / 2
    return middle - swing * math.cos(2 * math.pi * t / SWEEP_S)


def burst():
    samples = []
    phase = 0.0
    count = int(RATE * BURST_S)
    for i in range(count):
        t = i / RATE
        tone = (math.sin(phase) + OVERTONE * math.sin(3 * phase)) / (1 + OVERTONE)
        samples.append(int(round(32767 * envelope(t) * tone)))
        phase = (phase + 2 * math.pi * frequency(t) / RATE) % (2 * math.pi)
    return struct.pack("<%dh" % count, *samples)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "sounds", "alarm.wav")
    one = burst()
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(one * BURSTS)


if __name__ == "__main__":
    main()
