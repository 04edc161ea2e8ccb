#!/usr/bin/env python3
"""Compares the click onsets of a rendered WAV (float samples) with those of a
raw mono float32 recording: the same number of clicks, and every onset at the
same distance from the first click within 0.1 ms.

  compare_onsets.py RENDERED.wav RECORDING.raw COUNT

Exit status 0 when they agree."""
import array
import sys

from analyse_onsets import QUIET_BEFORE, RATE, onsets

TOLERANCE_MS = 0.1


def floats(data):
    samples = array.array("f")
    samples.frombytes(data[: len(data) - len(data) % 4])
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


def rendered_left(path):
    """The left channel of a float stereo WAV (Python's wave module reads PCM only)."""
    with open(path, "rb") as f:
        data = f.read()
    at, fmt = 12, None
    while at + 8 <= len(data):
        name, size = data[at:at + 4], int.from_bytes(data[at + 4:at + 8], "little")
        body = data[at + 8:at + 8 + size]
        if name == b"fmt ":
            fmt = (int.from_bytes(body[0:2], "little"), int.from_bytes(body[2:4], "little"))
        elif name == b"data":
            if fmt != (3, 2):
                sys.exit("FAIL: render float stereo (--format float) for this comparison")
            return floats(body)[::2]
        at += 8 + size + size % 2
    sys.exit("FAIL: no sound in " + path)


def main():
    rendered_path, recording_path, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    # the render's first click is at its first frame: quiet before it, as live
    rendered = onsets(array.array("f", bytes(4 * QUIET_BEFORE)) + rendered_left(rendered_path))
    with open(recording_path, "rb") as f:
        live = onsets(floats(f.read()))
    if len(rendered) != count or len(live) != count:
        print(f"FAIL: {len(rendered)} clicks rendered and {len(live)} recorded, expected {count}")
        return 1
    offsets = [((l - live[0]) - (r - rendered[0])) * 1000.0 / RATE for r, l in zip(rendered, live)]
    worst = max(offsets, key=abs)
    print(f"live onsets against the rendered ones, relative to the first: worst {worst:+.4f} ms, "
          f"last {offsets[-1]:+.4f} ms")
    if abs(worst) > TOLERANCE_MS:
        print(f"FAIL: an onset is {worst:+.4f} ms off the render (at most {TOLERANCE_MS} ms)")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
