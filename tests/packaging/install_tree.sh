#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install` into a prefix, then the tree moved elsewhere: from there,
# quarn renders the bundled kit and loads the device module of that tree.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }
cmake --install "$build" --prefix "$work/installed" > "$work/install.log"
mv "$work/installed" "$work/moved"
quarn=$work/moved/bin/quarn
"$quarn" --version | grep -q '^quarn (Quarn Workbench) [0-9]' || fail "quarn --version"

printf '[sampler play:"kick"];\n' > "$work/kick.quarn"
printf '[self wait:0.1];\n' > "$work/quiet.quarn"
for name in kick quiet; do
  "$quarn" render --seconds 1 -o "$work/$name.wav" "$work/$name.quarn" > "$work/$name.log"
done
grep -q 'could not be found' "$work/kick.log" && fail "the installed kit was not found: $(cat "$work/kick.log")"
cmp -s "$work/kick.wav" "$work/quiet.wav" && fail "the kick rendered as silence"

# No sound server here (the address leads nowhere): the module loads, finds no device.
PULSE_SERVER="unix:$work/no-server" LD_DEBUG=files "$quarn" run "$work/kick.quarn" > /dev/null 2> "$work/run.log" || true
grep -q "file=$work/moved/.*/quarn/libquarn_device.so " "$work/run.log" ||
  fail "the device module of the moved tree was not loaded"
echo "installed tree: renders its kit and loads its device module from $work/moved"
