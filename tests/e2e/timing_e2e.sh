#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end timing: click trains through a private PulseAudio null sink,
# recorded from its monitor; the onsets must sit on a regular grid.
#   usage: timing_e2e.sh <path-to-quarn-binary> [quiet|loaded] [limits|report] [chuck]
#   - "one": the rim every 125 ms from one thread, 80 clicks;
#   - "woven": the same grid from two async bodies, each every 250 ms, the
#     second starting 125 ms later.
# loaded: two busy processes keep both cores occupied meanwhile. limits (the
# default) fails when scatter or drift pass MAX_SCATTER_MS / MAX_DRIFT_MS.
# chuck: the one-thread train is also played by `chuck` (its PulseAudio build)
# through the same sink, as the reference.
source "$(dirname "$0")/pulse_server.sh"
load=${2:-loaded} mode=${3:-limits} reference=${4:-}
MAX_SCATTER_MS=0.1
MAX_DRIFT_MS=0.1

printf '%s\n' "$click_train" > "$work/one.quarn"
cat > "$work/woven.quarn" <<'QUARN'
async { int i = 0; while (i < 40) { i = i + 1; [sampler play:"rim"]; [self wait:0.25]; } }
async { [self wait:0.125]; int j = 0; while (j < 40) { j = j + 1; [sampler play:"rim"]; [self wait:0.25]; } }
QUARN

busy=()
stop_load() { for pid in "${busy[@]}"; do kill "$pid" 2> /dev/null || true; done; busy=(); }
trap 'stop_load; pulse_cleanup' EXIT
# Holding a grid against busy processes of equal standing needs real-time
# scheduling for the render thread and the sound server. Where the system
# refuses it (a container without the right), no promise holds under load, and
# busy processes even at idle priority eat a virtual machine's share of the
# host: the train is measured without them.
if [[ "$load" == loaded ]] && ! chrt -r 1 true 2> /dev/null; then
  echo "real-time scheduling is not allowed here: the click train is measured without the load"
  load=quiet
fi
if [[ "$load" == loaded ]]; then
  for _ in 1 2; do (while :; do :; done) & busy+=($!); done
fi

cat > "$work/one.ck" <<CHUCK
SndBuf rim => dac;
"$(dirname "$quarn")/../share/quarn/samples/rim.wav" => rim.read;
rim.samples() => rim.pos;
for (0 => int i; i < 80; i++) { 0 => rim.pos; 125::ms => now; }
100::ms => now;
CHUCK

limits=()
[[ "$mode" == limits ]] && limits=("$MAX_SCATTER_MS" "$MAX_DRIFT_MS")
status=0
# record_train NAME COMMAND...: plays the train while recording, then measures
# it. With limits, a train that misses them is played again, up to
# TIMING_ATTEMPTS times in all: this machine is shared, and a stall of the sound
# server itself (not of Quarn) can shift a recording now and then.
TIMING_ATTEMPTS=3
record_train() {
  local name=$1
  shift
  for _ in $(seq "$TIMING_ATTEMPTS"); do
    pulse_take "$work/train.raw" "$@"
    printf '%-12s %-6s ' "$name" "$load"
    python3 "$here/analyse.py" onsets "$work/train.raw" 80 125 "${limits[@]}" && return 0
    [[ "$mode" == limits ]] || return 0
  done
  status=1
}

pulse_start
record_train "quarn one" "$quarn" run ${QUARN_RUN_OPTIONS:-} "$work/one.quarn"
record_train "quarn woven" "$quarn" run ${QUARN_RUN_OPTIONS:-} "$work/woven.quarn"
if [[ "$reference" == chuck ]]; then
  if command -v chuck.pulse > /dev/null; then
    limits=() mode=report  # the reference is measured, not judged
    record_train "chuck one" chuck.pulse --srate:44100 "$work/one.ck"
  else
    echo "chuck one: skipped, chuck is not installed"
  fi
fi
exit $status
