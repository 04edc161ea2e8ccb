#!/usr/bin/env bash
# Ctrl+C during `quarn run`: the first halts the run like the halt button (the
# wait in progress ends, nothing after it runs, exit 130); a second exits at once.
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

# Two Ctrl+C: the process leaves at once instead of finishing a long wait.
printf '[sampler setRate:1];\n[self wait:60];\n' > "$work/exit.quarn"
"$quarn" run --silent "$work/exit.quarn" > "$work/exit.out" 2> /dev/null &
pid=$!
await_line "$work/exit.out"
kill -INT "$pid"; sleep 0.3; kill -INT "$pid"
status=0; wait "$pid" || status=$?
[[ $status -eq 130 ]] || fail "second Ctrl+C: exit status $status, expected 130"
echo "interrupt: ok"
