# SPDX-License-Identifier: GPL-3.0-or-later
"""Key to sound and halt to silence, measured on recorded sound.

Records the default sink's monitor (a private null sink) with parec while a
player is started ("the key") and later sent SIGINT ("the halt"). The wall time
of every recorded sample is taken from the chunks' arrival: the earliest chunk
relative to its position bounds the recorder's own delay, so figures are late by
at most parec's latency (asked for 5 ms).
  usage: latency.py SOURCE NAME COMMAND...   prints: NAME  key to sound N ms  halt to silence N ms
"""
import array
import signal
import subprocess
import sys
import threading
import time

RATE = 44100
LOUD = 0.02          # the tone starts far above this; silence is far below
QUIET_RUN = RATE // 20  # 50 ms below LOUD counts as silence
TONE_SECONDS = 1.0   # how long the tone plays before the halt


class Recorder:
    def __init__(self):
        self.samples = array.array("f")
        self.offset = float("inf")  # wall time of sample 0
        self.process = subprocess.Popen(
            ["parec", "--device=" + sys.argv[1], "--format=float32le", f"--rate={RATE}",
             "--channels=1", "--raw", "--latency-msec=5"], stdout=subprocess.PIPE)
        self.thread = threading.Thread(target=self.read, daemon=True)
        self.thread.start()

    def read(self):
        pending = b""
        while chunk := self.process.stdout.read1(4096):
            now = time.monotonic()
            pending += chunk
            whole = len(pending) // 4 * 4
            self.samples.frombytes(pending[:whole])
            pending = pending[whole:]
            self.offset = min(self.offset, now - len(self.samples) / RATE)

    def wall(self, index):
        return self.offset + index / RATE

    def first(self, after, loud):
        start = max(0, int((after - self.offset) * RATE))
        for i in range(start, len(self.samples)):
            if (abs(self.samples[i]) > LOUD) == loud:
                if loud or all(abs(s) <= LOUD for s in self.samples[i:i + QUIET_RUN]):
                    return i
        return None

    def stop(self):
        self.process.send_signal(signal.SIGINT)
        self.process.wait()
        self.thread.join()


def main():
    name, command = sys.argv[2], sys.argv[3:]
    recorder = Recorder()
    while len(recorder.samples) < RATE // 10:  # parec's first bytes take a while
        if recorder.process.poll() is not None:
            sys.exit(f"{name}: the recorder failed")
        time.sleep(0.01)
    key = time.monotonic()
    player = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    onset = None
    while onset is None and time.monotonic() - key < 5:
        time.sleep(0.01)
        onset = recorder.first(key, True)
    if onset is None:
        player.kill()
        recorder.stop()
        sys.exit(f"{name}: no sound within 5 s")
    time.sleep(max(0.0, recorder.wall(onset) + TONE_SECONDS - time.monotonic()))
    halt = time.monotonic()
    player.send_signal(signal.SIGINT)
    time.sleep(0.5)
    player.kill()
    player.wait()
    recorder.stop()
    silence = recorder.first(halt, False)
    halt_ms = "no silence" if silence is None else f"{(recorder.wall(silence) - halt) * 1000:.0f} ms"
    print(f"{name:14} key to sound {(recorder.wall(onset) - key) * 1000:.0f} ms  halt to silence {halt_ms}")


if __name__ == "__main__":
    main()
