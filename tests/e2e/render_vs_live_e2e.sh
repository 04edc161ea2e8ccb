#!/usr/bin/env bash
# End-to-end: the click train rendered offline and the same script played live
# through a private PulseAudio null sink have the same onsets relative to their
# first, within 0.1 ms.
#   usage: render_vs_live_e2e.sh <path-to-quarn-binary>
set -euo pipefail

quarn=${1:?usage: render_vs_live_e2e.sh <path-to-quarn-binary>}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
script='int i = 0; while (i < 80) { [sampler play:"rim"]; [self wait:0.125]; i = i + 1; }'

source "$here/pulse_session.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/quarn-e2e.XXXXXX")
trap 'stop_pulse_session; rm -rf "$work"' EXIT

printf '%s\n' "$script" > "$work/clicks.quarn"
"$quarn" render --format float -o "$work/rendered.wav" "$work/clicks.quarn" > /dev/null || {
  echo "FAIL: quarn render exited with an error"; exit 1; }

start_pulse_session
start_recording "$work/recording.raw"
"$quarn" run "$work/clicks.quarn" > "$work/quarn.out" 2>&1 || {
  echo "FAIL: quarn run exited with an error"; cat "$work/quarn.out"; exit 1; }
sleep 0.5  # the last click's sound
stop_recording

python3 "$here/compare_onsets.py" "$work/rendered.wav" "$work/recording.raw" 80
