#!/usr/bin/env bash
# Ctrl+C during `quarn run` halts the run like the halt button: the wait in
# progress ends at once, nothing after it runs, exit 130.
#   usage: interrupt_e2e.sh <path-to-quarn-binary>
set -euo pipefail

quarn=${1:?usage: interrupt_e2e.sh <path-to-quarn-binary>}
work=$(mktemp -d "${TMPDIR:-/tmp}/quarn-interrupt.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

# Waits until the file has a line, so the signal arrives while the script waits.
await_line() {
  for _ in $(seq 100); do
    [[ -s "$1" ]] && return 0
    sleep 0.05
  done
  fail "no output in $1"
}

# One Ctrl+C: halted after the running wait, the next statement never runs.
printf '[sampler setRate:1];\n[self wait:1];\n[sampler setRate:2];\n' > "$work/halt.quarn"
"$quarn" run --silent "$work/halt.quarn" > "$work/halt.out" 2> "$work/halt.err" &
pid=$!
await_line "$work/halt.out"
kill -INT "$pid"
status=0; wait "$pid" || status=$?
[[ $status -eq 130 ]] || fail "halt: exit status $status, expected 130"
expected=$'[VRKLog] Sampler rate set to 1.0\nEnd of all sequences.'
[[ "$(cat "$work/halt.out")" == "$expected" ]] || fail "halt: output was: $(cat "$work/halt.out")"
grep -q "halted" "$work/halt.err" || fail "halt: no notice on standard error"

# A run asleep in a long wait ends as soon as Ctrl+C halts it. The bound is
# generous so the test cannot flake; the figure is printed.
printf '[sampler setRate:1];\n[self wait:60];\n[sampler setRate:2];\n' > "$work/long.quarn"
"$quarn" run --silent "$work/long.quarn" > "$work/long.out" 2> /dev/null &
pid=$!
await_line "$work/long.out"
sleep 0.2
halted=$(date +%s%N)
kill -INT "$pid"
for _ in $(seq 2000); do
  grep -q "End of all sequences." "$work/long.out" && break
  sleep 0.001
done
ended_ms=$(( ($(date +%s%N) - halted) / 1000000 ))
status=0; wait "$pid" || status=$?
exited_ms=$(( ($(date +%s%N) - halted) / 1000000 ))
[[ $status -eq 130 ]] || fail "long wait: exit status $status, expected 130"
(( ended_ms < 1000 )) || fail "long wait: the run ended ${ended_ms} ms after Ctrl+C"
echo "interrupt: ok (a 60 s wait: run ended ${ended_ms} ms, process ${exited_ms} ms after Ctrl+C)"
