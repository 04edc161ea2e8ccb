# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the end-to-end scripts, whose first argument is the quarn binary
# ($quarn): a private PulseAudio server with a null sink as the default output,
# and a recorder of the sink's monitor. Exits 77 (skipped) without its tools.
#   pulse_start                   the server, in a fresh $work (set by this file)
#   pulse_record FILE / pulse_stop_recording
#   pulse_take FILE COMMAND...    FILE records COMMAND and ${AFTER:-0.3} s after it
#   $click_train                  the rim every 125 ms, 80 times
# Everything is cleaned up on exit.

set -euo pipefail
quarn=${1:?usage: $(basename "$0") <path-to-quarn-binary>}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
for tool in pulseaudio pactl parec python3; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quarn-e2e.XXXXXX")
recorder=""
pulse_cleanup() {
  if [[ -n "$recorder" ]]; then kill "$recorder" 2> /dev/null || true; fi
  pulseaudio -k 2> /dev/null || true
  if [[ -f "$work/pulse.pid" ]]; then kill "$(cat "$work/pulse.pid")" 2> /dev/null || true; fi
  rm -rf "$work"
}
trap pulse_cleanup EXIT

pulse_start() {
  export HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
  pulseaudio --daemonize=yes --exit-idle-time=-1 -n --system=no \
    --load="module-null-sink sink_name=quarn_e2e" \
    --load=module-native-protocol-unix \
    --log-target="file:$work/pulse.log" 2> "$work/pulse.err" || {
      echo "FAIL: pulseaudio did not start"; cat "$work/pulse.err" "$work/pulse.log" 2> /dev/null; exit 1; }
  # the daemon needs a moment before its socket answers
  for _ in $(seq 50); do
    if pactl info > /dev/null 2>&1; then break; fi
    sleep 0.1
  done
  pactl info > /dev/null || { echo "FAIL: pulseaudio does not answer"; exit 1; }
  # the daemon's own pid file: another test's server may be running beside this one
  cp "$XDG_RUNTIME_DIR/pulse/pid" "$work/pulse.pid" 2> /dev/null || true
  # A desktop's sound server runs real-time; this one would otherwise carry the
  # clients' blocks on an ordinary thread that a busy shared machine can starve.
  if [[ -s "$work/pulse.pid" ]] && command -v chrt > /dev/null; then
    chrt -a -r -p 50 "$(cat "$work/pulse.pid")" > /dev/null 2>&1 || true
  fi
  pactl set-default-sink quarn_e2e
}

# parec needs up to a second before its first bytes arrive; this returns once
# the recording runs (a tenth of a second of it is there)
pulse_record() {
  parec --device=quarn_e2e.monitor --format=float32le --rate=44100 --channels=1 --raw --latency-msec=20 \
    > "$1" &
  recorder=$!
  for _ in $(seq 100); do
    if [[ $(stat -c %s "$1") -ge 17640 ]]; then break; fi
    sleep 0.05
  done
}

pulse_stop_recording() {
  kill -INT "$recorder"
  wait "$recorder" 2> /dev/null || true
  recorder=""
}

pulse_take() {
  local file=$1
  shift
  pulse_record "$file"
  "$@" > "$work/take.out" 2>&1 || { echo "FAIL: $1 exited with an error"; cat "$work/take.out"; exit 1; }
  if grep -q "no audio device" "$work/take.out"; then echo "FAIL: $1 did not find the sink"; exit 1; fi
  sleep "${AFTER:-0.3}"  # the sound of the last event
  pulse_stop_recording
}

click_train='int i = 0;
while (i < 80) { i = i + 1; [sampler play:"rim"]; [self wait:0.125]; }'
