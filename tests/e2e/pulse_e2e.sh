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

source "$here/pulse_server.sh"
pulse_require_tools python3
pulse_start
pulse_record "$work/recording.raw"

printf '%s\n' "$script" | "$quarn" run - > "$work/quarn.out" 2>&1 || {
  echo "FAIL: quarn exited with an error"; cat "$work/quarn.out"; exit 1; }
sed 's/^/quarn: /' "$work/quarn.out"
if grep -q "no audio device" "$work/quarn.out"; then echo "FAIL: quarn did not find the sink"; exit 1; fi

sleep 1  # the silence after the release
pulse_stop_recording
python3 "$here/analyse_tone.py" "$work/recording.raw" 110
