#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end: `quarn run --device jack` through a private JACK server on the
# dummy driver, its output recorded with jack_rec: the tone is there. Without a
# server, one line says so and the run goes on silently.
#   usage: jack_e2e.sh <path-to-quarn-binary>
set -euo pipefail
quarn=${1:?usage: jack_e2e.sh <path-to-quarn-binary>}
for tool in jackd jack_wait jack_lsp jack_rec python3; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/quarn-jack.XXXXXX")
export JACK_DEFAULT_SERVER="quarn_e2e_$$" JACK_NO_AUDIO_RESERVATION=1
server=""
trap '[[ -z "$server" ]] || kill "$server" 2> /dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work"/*.out 2> /dev/null; exit 1; }
echo '[tb303 setFrequency:110]; [tb303 play]; [self wait:2]; [tb303 release];' > "$work/tone.quarn"

"$quarn" run --device jack "$work/tone.quarn" > "$work/none.out" 2>&1 || fail "exit status $? without a server"
[[ "$(grep -c . "$work/none.out")" == 2 ]] && grep -q "could not play through jack" "$work/none.out" \
  || fail "not one line for the missing server"
echo "no server: $(head -1 "$work/none.out")"

jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 44100 -p 256 > "$work/jackd.log" 2>&1 &
server=$!
timeout 10 jack_wait -w > /dev/null 2>&1 || fail "jackd did not start"
"$quarn" run --device jack "$work/tone.quarn" > "$work/run.out" 2>&1 &
run=$!
for _ in $(seq 100); do jack_lsp 2> /dev/null | grep -q "Quarn Workbench:outport 0" && break; sleep 0.05; done
timeout 5 jack_rec -f "$work/tone.wav" -d 1 "Quarn Workbench:outport 0" > /dev/null 2>&1 || fail "jack_rec failed"
wait "$run" || fail "quarn exited with status $?"
python3 - "$work/tone.wav" <<'PY' || fail "no tone recorded through JACK"
import array, sys, wave
w = wave.open(sys.argv[1])
s = array.array("h"); s.frombytes(w.readframes(w.getnframes()))
peak = max(map(abs, s), default=0) / 32768
print(f"jack: {w.getnframes()} frames recorded, peak {peak:.2f}")
sys.exit(0 if peak > 0.1 else 1)
PY
