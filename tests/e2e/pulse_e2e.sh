#!/usr/bin/env bash
# End-to-end: a script plays a 110 Hz tone for one second through a private
# PulseAudio server with a null sink; the sink's monitor is recorded and must
# hold that tone followed by silence.
#   usage: pulse_e2e.sh <path-to-quarn-binary>
# Exit status 77 (skipped) when no PulseAudio tools are installed.
set -euo pipefail

quarn=${1:?usage: pulse_e2e.sh <path-to-quarn-binary>}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
script='[tb303 setFrequency:110]; [tb303 play]; [self wait:1]; [tb303 release];'

for tool in pulseaudio pactl parec python3; do
  if ! command -v "$tool" > /dev/null; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quarn-e2e.XXXXXX")
recorder=""
cleanup() {
  if [[ -n "$recorder" ]]; then kill "$recorder" 2> /dev/null || true; fi
  pulseaudio -k 2> /dev/null || true
  if [[ -f "$work/pulse.pid" ]]; then kill "$(cat "$work/pulse.pid")" 2> /dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

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
pgrep -n -x pulseaudio > "$work/pulse.pid" || true
pactl set-default-sink quarn_e2e

parec --device=quarn_e2e.monitor --format=float32le --rate=44100 --channels=1 --raw --latency-msec=20 \
  > "$work/recording.raw" &
recorder=$!
# parec needs up to a second before its first bytes arrive; play only once
# the recording runs (a tenth of a second of it is there)
for _ in $(seq 100); do
  if [[ $(stat -c %s "$work/recording.raw") -ge 17640 ]]; then break; fi
  sleep 0.05
done

printf '%s\n' "$script" | "$quarn" run - > "$work/quarn.out" 2>&1 || {
  echo "FAIL: quarn exited with an error"; cat "$work/quarn.out"; exit 1; }
sed 's/^/quarn: /' "$work/quarn.out"
if grep -q "no audio device" "$work/quarn.out"; then echo "FAIL: quarn did not find the sink"; exit 1; fi

sleep 1  # the silence after the release
kill -INT "$recorder"
wait "$recorder" 2> /dev/null || true
recorder=""

python3 "$here/analyse_tone.py" "$work/recording.raw" 110
