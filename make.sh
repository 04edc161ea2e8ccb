#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The first command on a fresh Debian, where even make may be missing: installs
# what is missing (make included), then runs make with the given targets.
#   ./make.sh test    ./make.sh run    (any Makefile target works)
set -e
cd "$(dirname "$0")"
scripts/install-deps
exec make "$@"
