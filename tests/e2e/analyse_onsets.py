#!/usr/bin/env python3
"""Finds the click onsets in a raw mono float32 recording and measures them
against the best-fitting regular grid.

  analyse_onsets.py RECORDING COUNT INTERVAL_MS [MAX_SCATTER_MS MAX_DRIFT_MS]

Prints one line: the onsets found, the fitted interval, the scatter (standard
deviation of the onsets around the fitted grid), the drift (how far the fitted
grid ends from the nominal one over the train) and the largest deviation. With
the two limits, exits 1 when the count is wrong or a limit is passed."""
import array
import math
import sys

RATE = 44100
THRESHOLD = 0.02           # a click starts well above this; the room between clicks is far below
QUIET_BEFORE = RATE // 40  # 25 ms of quiet before an onset


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


def main():
    path, count, interval_ms = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
    signal = array.array("f")
    with open(path, "rb") as recording:
        signal.frombytes(recording.read())
    if sys.byteorder != "little":
        signal.byteswap()
    found = onsets(signal)
    if len(found) < 3:
        print(f"FAIL: {len(found)} onsets found, expected {count}")
        return 1
    fitted, scatter, drift, worst = measure(found, interval_ms)
    print(f"onsets {len(found)}/{count}  interval {fitted:.4f} ms  scatter {scatter:.4f} ms  "
          f"drift {drift:+.4f} ms  worst {worst:.4f} ms")
    if len(sys.argv) < 6:
        return 0
    max_scatter, max_drift = float(sys.argv[4]), float(sys.argv[5])
    if len(found) != count:
        print(f"FAIL: {len(found)} onsets, expected {count}")
        return 1
    if scatter > max_scatter or abs(drift) > max_drift:
        print(f"FAIL: scatter must be at most {max_scatter} ms and drift at most {max_drift} ms")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
