#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end: `quarn run` through a private PulseAudio server: a 110 Hz tone
# for one second, recorded from the sink's monitor, then silence; then the
# server fails, one kind of fault per case:
#   killed   kill -9 of the server: one line within a second, no busy thread
#            while it is gone, the sound back (recorded) once it restarts
#   held     kill -STOP of quarn itself for 2 s: the stall told as a sequence
#            falling behind, and the device kept (not taken as lost)
#   frozen   kill -STOP of the server: one line, and the run ends on time (the
#            device's close cannot hold the exit)
#   latency  --latency 2000: every click scheduled is heard before the exit
#   usage: device_fault_e2e.sh <path-to-quarn-binary>
source "$(dirname "$0")/pulse_server.sh"
fail() { { echo "FAIL: $*"; cat "$work/run.out"; } >&2; exit 1; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# waits up to $2 ms for text $1 in the run's output; prints the time it took
await() {
  local start; start=$(now_ms)
  until grep -q "$1" "$work/run.out"; do
    (( $(now_ms) - start < $2 )) || fail "no \"$1\" within $2 ms"
    sleep 0.02
  done
  echo $(( $(now_ms) - start ))
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
server_pid() { cat "$work/pulse.pid"; }
play() {  # the script $1 in the background; $run is its pid
  "$quarn" run "${@:2}" - <<< "$1" > "$work/run.out" 2>&1 &
  run=$!
  await "Sampler rate" 5000 > /dev/null
}
beats='[sampler setRate:1]; int i = 0;
while (i < 60) { i = i + 1; [sampler play:"rim"]; [self wait:0.25]; }'

pulse_start
AFTER=1 pulse_take "$work/tone.raw" "$quarn" run - <<< '[tb303 setFrequency:110]; [tb303 play]; [self wait:1]; [tb303 release];'
python3 "$here/analyse.py" tone "$work/tone.raw" 110 || fail "no 110 Hz tone followed by silence"

play "$beats"
sleep 1
before=$(cpu_ticks "$run")
kill -9 "$(server_pid)"
lost_ms=$(await "sound device was lost" 1000)
sleep 2
ticks=$(( $(cpu_ticks "$run") - before ))
(( ticks < 40 )) || fail "quarn used $ticks of 300 CPU ticks in the 3 s after the server died"
rm -rf "$XDG_RUNTIME_DIR/pulse"
pulse_start
back_ms=$(await "sound device is back" 8000)
pulse_record "$work/back.raw"
sleep 1.5
pulse_stop_recording
python3 - "$work/back.raw" <<'PY' || fail "no clicks recorded after the server came back"
import array, sys
s = array.array("f"); s.frombytes(open(sys.argv[1], "rb").read())
sys.exit(0 if max(map(abs, s), default=0) > 0.02 else 1)
PY
echo "killed: lost after ${lost_ms} ms, ${ticks} CPU ticks in 3 s, back ${back_ms} ms after the restart"
kill "$run"; wait "$run" 2> /dev/null || true

play "$beats"
sleep 0.5
kill -STOP "$run"; sleep 2; kill -CONT "$run"
await "fell [0-9]* ms behind its beat" 1000 > /dev/null
sleep 0.5
! grep -q "sound device was lost" "$work/run.out" || fail "quarn held still was taken for a lost device"
echo "held: $(grep -o "fell [0-9]* ms" "$work/run.out"), the device kept"
kill "$run"; wait "$run" 2> /dev/null || true

play '[sampler setRate:1]; [self wait:5];'
sleep 3.5  # past a new stream's grace
kill -STOP "$(server_pid)"
lost_ms=$(await "sound device was lost" 1500)
start=$(now_ms)
while kill -0 "$run" 2> /dev/null && (( $(now_ms) - start < 3000 )); do sleep 0.02; done
exit_ms=$(( $(now_ms) - start ))
kill -0 "$run" 2> /dev/null && { kill -CONT "$(server_pid)"; fail "the run with 1.5 s left still going ${exit_ms} ms later, the server frozen"; }
status=0; wait "$run" || status=$?
kill -CONT "$(server_pid)"
[[ $status -eq 0 ]] || fail "exit status $status with the server frozen"
echo "frozen: lost after ${lost_ms} ms, the run ended ${exit_ms} ms later"

AFTER=0.5 pulse_take "$work/latency.raw" "$quarn" run --latency 2000 - <<< '
int i = 0; while (i < 16) { i = i + 1; [sampler play:"rim"]; [self wait:0.125]; }'
python3 "$here/analyse.py" onsets "$work/latency.raw" 16 125 20 50 || fail "clicks missing with --latency 2000"
echo "latency: ok"
