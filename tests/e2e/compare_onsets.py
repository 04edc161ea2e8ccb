#!/usr/bin/env python3
"""Compares the click onsets of a rendered WAV (float samples) with those of a
raw mono float32 recording: the same number of clicks, and every onset at the
same distance from the first click within 0.1 ms. Exit status 0 when they agree."""
import array
import sys

RATE = 44100
TOLERANCE_MS = 0.1
THRESHOLD = 1e-3           # a click's first samples are far louder; silence is near 0
SILENT_GAP = 256           # frames of silence that separate two clicks


def onsets(samples):
    found, last_loud = [], -SILENT_GAP
    for i, x in enumerate(samples):
        if abs(x) > THRESHOLD:
            if i - last_loud >= SILENT_GAP:
                found.append(i)
            last_loud = i
    return found


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


def floats(data):
    samples = array.array("f")
    samples.frombytes(data[: len(data) - len(data) % 4])
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


def main():
    rendered_path, recording_path, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    rendered = onsets(rendered_left(rendered_path))
    with open(recording_path, "rb") as f:
        live = onsets(floats(f.read()))
    print(f"{len(rendered)} clicks rendered, {len(live)} recorded")
    if len(rendered) != count or len(live) != count:
        return f"expected {count} clicks in both"
    gaps = [((l - live[0]) - (r - rendered[0])) * 1000.0 / RATE for r, l in zip(rendered, live)]
    worst = max(gaps, key=abs)
    print(f"live onsets from the rendered ones, relative to the first: worst {worst:+.3f} ms, "
          f"last {gaps[-1]:+.3f} ms")
    if abs(worst) > TOLERANCE_MS:
        return f"an onset is {worst:+.3f} ms off the render (allowed {TOLERANCE_MS} ms)"
    return None


if __name__ == "__main__":
    failure = main()
    if failure:
        print("FAIL: " + failure)
        sys.exit(1)
    print("PASS")
