#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The package on a fresh Debian bookworm, as a new user gets it: a minbase
# chroot made with debootstrap (kept in QUARN_MINBASE_CACHE and copied for each
# check), where `apt install ./quarn_*.deb` alone installs it; then
# `quarn --version`, a render that holds sound, the window under Xvfb (a
# screenshot), and `apt remove quarn` leaving none of the package's files.
# Each command and its output go to BUILD/deb-check/log as well.
#   tests/packaging/deb_check.sh BUILD     (BUILD holds quarn_*.deb)
set -euo pipefail
build=$(realpath "$1")
out=$build/deb-check
cache=${QUARN_MINBASE_CACHE:-/var/cache/quarn-deb-check/minbase}
mirror=${QUARN_DEBIAN_MIRROR:-http://deb.debian.org/debian}
here=$(dirname "$(realpath "$0")")

skip() { echo "SKIPPED: deb-check: $*"; exit 77; }
fail() { echo "FAILED: deb-check: $*"; exit 1; }
debs=("$build"/quarn_*.deb)
[ -f "${debs[0]}" ] || fail "no quarn_*.deb in $build (make deb makes it)"
[ "$(id -u)" -eq 0 ] || skip "making a chroot needs root"
command -v debootstrap > /dev/null || skip "debootstrap is not installed (scripts/install-deps installs it)"
command -v unshare > /dev/null || skip "unshare is not installed"
unshare -m true 2> /dev/null || skip "this machine does not allow a mount namespace"
if [ ! -d "$cache" ]; then
  mkdir -p "$(dirname "$cache")"
  rm -rf "$cache.new"
  echo "deb-check: debootstrap --variant=minbase bookworm $cache $mirror"
  debootstrap --variant=minbase bookworm "$cache.new" "$mirror" > "$cache.log" 2>&1 ||
    skip "debootstrap could not make a minbase bookworm (no way to $mirror?); see $cache.log"
  mv "$cache.new" "$cache"
fi

root=$(mktemp -d /var/tmp/quarn-deb-check.XXXXXX)
# The mounts live in the namespace of the run below, so nothing is mounted here
# when the copy is removed.
trap 'rm -rf --one-file-system "$root"' EXIT
cp -a "$cache/." "$root/"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "${debs[0]}" "$here/example.quarn" "$root/root/"
rm -rf "$out"
mkdir -p "$out"
if ! unshare -m --propagation private bash "$here/deb_check_inside.sh" "$root" "$(basename "${debs[0]}")" 2>&1 |
  tee "$out/log"; then
  fail "see $out/log"
fi

# What the chroot left for the host to measure.
python3 - "$root/root/example.wav" <<'PY' | tee -a "$out/log"
import array, sys, wave
with wave.open(sys.argv[1]) as w:
    frames = array.array("h", w.readframes(w.getnframes()))
    seconds = w.getnframes() / w.getframerate()
peak = max(map(abs, frames)) / 32768 if frames else 0
loud = sum(abs(v) > 33 for v in frames) / max(len(frames), 1)
print(f"deb-check: example.wav: {seconds:.2f} s, peak {peak:.3f} of full scale, {loud:.0%} of samples above -60 dBFS")
sys.exit(0 if peak > 0.05 else "FAILED: deb-check: the render is silent")
PY
xwdtopnm "$root/root/workbench.xwd" 2> /dev/null | pnmtopng > "$out/workbench.png"
echo "deb-check: the window's screenshot is $out/workbench.png" | tee -a "$out/log"
echo "deb-check: passed" | tee -a "$out/log"
