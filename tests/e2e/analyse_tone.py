#!/usr/bin/env python3
"""Checks a raw mono float32 recording for a tone near an expected pitch
followed by silence. Exit status 0 when both are there; the reason otherwise."""
import array
import math
import sys

RATE = 44100
WINDOW = RATE // 20          # 50 ms analysis windows
LOUD_RMS = 0.02              # the voice peaks near 0.5; silence is near 0
QUIET_RMS = 1e-3
MIN_TONE_SECONDS = 0.6       # the script plays one second
MIN_SILENCE_SECONDS = 0.3


def rms(block):
    return math.sqrt(sum(x * x for x in block) / len(block)) if block else 0.0


def goertzel_power(block, frequency):
    coefficient = 2.0 * math.cos(2.0 * math.pi * frequency / RATE)
    s1 = s2 = 0.0
    for x in block:
        s1, s2 = x + coefficient * s1 - s2, s1
    return s1 * s1 + s2 * s2 - coefficient * s1 * s2


def zero_crossing_pitch(block):
    crossings = sum(1 for a, b in zip(block, block[1:]) if (a < 0.0) != (b < 0.0))
    return crossings / 2.0 / (len(block) / RATE)


def main():
    path, expected = sys.argv[1], float(sys.argv[2])
    samples = array.array("f")
    with open(path, "rb") as f:
        data = f.read()
        samples.frombytes(data[: len(data) - len(data) % 4])
    if sys.byteorder != "little":
        samples.byteswap()
    windows = [samples[i:i + WINDOW] for i in range(0, len(samples) - WINDOW + 1, WINDOW)]
    loud = [i for i, w in enumerate(windows) if rms(w) > LOUD_RMS]
    print(f"recorded {len(samples) / RATE:.2f} s, {len(loud)} loud windows")
    if not loud:
        return "no tone was heard"
    first, last = loud[0], loud[-1]
    tone_seconds = (last - first + 1) * WINDOW / RATE
    if tone_seconds < MIN_TONE_SECONDS:
        return f"the tone lasted only {tone_seconds:.2f} s"
    # the middle of the tone, clear of its onset and release
    tone = samples[(first + 2) * WINDOW:(last - 1) * WINDOW]
    pitch = zero_crossing_pitch(tone)
    at = goertzel_power(tone, expected)
    below = goertzel_power(tone, expected * 0.8)
    above = goertzel_power(tone, expected * 1.25)
    print(f"tone {tone_seconds:.2f} s, zero-crossing pitch {pitch:.1f} Hz, "
          f"power ratio {at / max(below, above, 1e-12):.0f}")
    if abs(pitch - expected) > expected * 0.05:
        return f"pitch {pitch:.1f} Hz is not near {expected} Hz"
    if at < 100.0 * max(below, above):
        return "the expected frequency does not stand out from its neighbours"
    after = samples[(last + 1) * WINDOW:]
    if len(after) < MIN_SILENCE_SECONDS * RATE:
        return "the recording ends before any silence after the tone"
    if rms(after) > QUIET_RMS:
        return f"no silence after the tone (rms {rms(after):.4f})"
    print(f"silence for {len(after) / RATE:.2f} s after the tone")
    return None


if __name__ == "__main__":
    failure = main()
    if failure:
        print("FAIL: " + failure)
        sys.exit(1)
    print("PASS")
