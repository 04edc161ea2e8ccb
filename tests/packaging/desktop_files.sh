#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop entry, the AppStream metadata and the .quarn file type, read by
# the tools a desktop reads them with, and naming one another consistently.
set -euo pipefail
src=$1 build=$2
for tool in desktop-file-validate appstreamcli update-mime-database; do
  if ! command -v "$tool" > /dev/null; then
    echo "SKIPPED: $tool is not installed (scripts/install-deps installs it)"
    exit 77
  fi
done
desktop=$src/data/quarn-workbench.desktop
metainfo=$build/data/org.quarn.workbench.metainfo.xml
desktop-file-validate --no-hints "$desktop"
appstreamcli validate --no-net --strict "$metainfo"

fail() { echo "FAILED: $*"; exit 1; }
grep -qx 'MimeType=text/x-quarn;' "$desktop" || fail "the desktop entry does not open text/x-quarn"
grep -q '<launchable type="desktop-id">quarn-workbench.desktop</launchable>' "$metainfo" ||
  fail "the metainfo does not launch quarn-workbench.desktop"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$src/data/$icon.svg" ] || fail "the desktop entry's icon $icon has no $icon.svg"

# The type as the shared MIME database builds it: *.quarn is text/x-quarn.
mime=$(mktemp -d)
trap 'rm -rf "$mime"' EXIT
mkdir "$mime/packages"
cp "$src/data/quarn.xml" "$mime/packages/"
update-mime-database "$mime" > "$mime/log" 2>&1 || { cat "$mime/log"; exit 1; }
grep -q '^50:text/x-quarn:\*\.quarn$' "$mime/globs2" || fail "*.quarn is not text/x-quarn in the MIME database"
echo "desktop entry, metainfo and MIME type: valid"
