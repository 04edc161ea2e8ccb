#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Measures the end-to-end recordings: raw mono float32 at 44.1 kHz from the
null sink's monitor, and WAVs written by `quarn render`.

  analyse.py tone RECORDING HZ        a tone near HZ, then silence
  analyse.py onsets RECORDING COUNT INTERVAL_MS [MAX_SCATTER_MS MAX_DRIFT_MS]
      the click onsets against the best-fitting regular grid: scatter (standard
      deviation around it), drift (how far it ends from the nominal grid over
      the train); with the limits, a wrong count or a limit passed fails
  analyse.py compare RENDERED.wav RECORDING COUNT
      the same clicks in both, each at the same distance from the first

Prints what it measured, and exits 1 after a "FAIL:" line when a check fails."""
import array
import math
import sys
import wave

RATE = 44100
WINDOW = RATE // 20          # 50 ms tone analysis windows
LOUD_RMS = 0.02              # the voice peaks near 0.5; silence is near 0
QUIET_RMS = 1e-3
MIN_TONE_SECONDS = 0.6       # the script plays one second
MIN_SILENCE_SECONDS = 0.3
THRESHOLD = 0.02             # a click starts well above this; the room between clicks is far below
QUIET_BEFORE = RATE // 40    # 25 ms of quiet before an onset
TOLERANCE_MS = 0.1           # rendered against live


def floats(data):
    samples = array.array("f", data[: len(data) - len(data) % 4])
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


def raw(path):
    with open(path, "rb") as f:
        return floats(f.read())


def rendered_left(path):
    """The left channel of the 16-bit stereo WAV `quarn render` writes by default."""
    with wave.open(path) as w:
        pcm = array.array("h", w.readframes(w.getnframes()))
    return array.array("f", (v / 32768.0 for v in pcm[::2]))


def rms(block):
    return math.sqrt(sum(x * x for x in block) / len(block)) if block else 0.0


def goertzel_power(block, frequency):
    coefficient = 2.0 * math.cos(2.0 * math.pi * frequency / RATE)
    s1 = s2 = 0.0
    for x in block:
        s1, s2 = x + coefficient * s1 - s2, s1
    return s1 * s1 + s2 * s2 - coefficient * s1 * s2


def tone(path, expected):
    samples, expected = raw(path), float(expected)
    windows = [samples[i:i + WINDOW] for i in range(0, len(samples) - WINDOW + 1, WINDOW)]
    loud = [i for i, w in enumerate(windows) if rms(w) > LOUD_RMS]
    print(f"recorded {len(samples) / RATE:.2f} s, {len(loud)} loud windows")
    if not loud:
        return "no tone was heard"
    first, last = loud[0], loud[-1]
    tone_seconds = (last - first + 1) * WINDOW / RATE
    if tone_seconds < MIN_TONE_SECONDS:
        return f"the tone lasted only {tone_seconds:.2f} s"
    middle = samples[(first + 2) * WINDOW:(last - 1) * WINDOW]  # clear of onset and release
    crossings = sum(1 for a, b in zip(middle, middle[1:]) if (a < 0.0) != (b < 0.0))
    pitch = crossings / 2.0 / (len(middle) / RATE)
    at, below, above = (goertzel_power(middle, expected * f) for f in (1.0, 0.8, 1.25))
    print(f"tone {tone_seconds:.2f} s, zero-crossing pitch {pitch:.1f} Hz, "
          f"power ratio {at / max(below, above, 1e-12):.0f}")
    if abs(pitch - expected) > expected * 0.05:
        return f"pitch {pitch:.1f} Hz is not near {expected} Hz"
    if at < 100.0 * max(below, above):
        return "the expected frequency does not stand out from its neighbours"
    after = samples[(last + 2) * WINDOW:]  # clear of the window the release fades in
    if len(after) < MIN_SILENCE_SECONDS * RATE:
        return "the recording ends before any silence after the tone"
    if rms(after) > QUIET_RMS:
        return f"no silence after the tone (rms {rms(after):.4f})"
    print(f"silence for {len(after) / RATE:.2f} s after the tone")
    return None


def onsets(signal):
    found = []
    quiet_since = 0  # the first sample of the current run of quiet samples
    for index, value in enumerate(signal):
        if abs(value) <= THRESHOLD:
            continue
        if index - quiet_since >= QUIET_BEFORE:
            found.append(index)
        quiet_since = index + 1
    return found


def measure(found, interval_ms):
    """The least-squares line through (beat, onset) and the deviations from it."""
    n = len(found)
    mean_beat = (n - 1) / 2.0
    mean_onset = sum(found) / n
    slope = (sum((i - mean_beat) * (x - mean_onset) for i, x in enumerate(found)) /
             sum((i - mean_beat) ** 2 for i in range(n)))
    offset = mean_onset - slope * mean_beat
    residual_ms = [(x - (offset + slope * i)) * 1000.0 / RATE for i, x in enumerate(found)]
    fitted_ms = slope * 1000.0 / RATE
    drift_ms = (fitted_ms - interval_ms) * (n - 1)
    scatter = math.sqrt(sum(r * r for r in residual_ms) / n)
    return fitted_ms, scatter, drift_ms, max(abs(r) for r in residual_ms)


def train(path, count, interval_ms, max_scatter=None, max_drift=None):
    found, count = onsets(raw(path)), int(count)
    if len(found) < 3:
        return f"{len(found)} onsets found, expected {count}"
    fitted, scatter, drift, worst = measure(found, float(interval_ms))
    print(f"onsets {len(found)}/{count}  interval {fitted:.4f} ms  scatter {scatter:.4f} ms  "
          f"drift {drift:+.4f} ms  worst {worst:.4f} ms")
    if max_scatter is None:
        return None
    if len(found) != count:
        return f"{len(found)} onsets, expected {count}"
    if scatter > float(max_scatter) or abs(drift) > float(max_drift):
        return f"scatter must be at most {max_scatter} ms and drift at most {max_drift} ms"
    return None


def compare(rendered_path, recording_path, count):
    # the render's first click is at its first frame: quiet before it, as live
    rendered = onsets(array.array("f", bytes(4 * QUIET_BEFORE)) + rendered_left(rendered_path))
    live, count = onsets(raw(recording_path)), int(count)
    if len(rendered) != count or len(live) != count:
        return f"{len(rendered)} clicks rendered and {len(live)} recorded, expected {count}"
    offsets = [((l - live[0]) - (r - rendered[0])) * 1000.0 / RATE for r, l in zip(rendered, live)]
    worst = max(offsets, key=abs)
    print(f"live onsets against the rendered ones, relative to the first: worst {worst:+.4f} ms, "
          f"last {offsets[-1]:+.4f} ms")
    if abs(worst) > TOLERANCE_MS:
        return f"an onset is {worst:+.4f} ms off the render (at most {TOLERANCE_MS} ms)"
    return None


if __name__ == "__main__":
    failure = {"tone": tone, "onsets": train, "compare": compare}[sys.argv[1]](*sys.argv[2:])
    if failure:
        print("FAIL: " + failure)
    sys.exit(1 if failure else 0)
