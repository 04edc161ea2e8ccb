#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# dpkg-shlibdeps cannot see a library opened with dlopen, so the package names
# each one itself: every soname the sources open ("libNAME.so.N") must have its
# Debian package (libNAMEN, or libNAME-N after a digit) in cmake/Package.cmake.
set -euo pipefail
src=$1
depends=$(sed -n 's/^set(QUARN_DLOPEN_DEPENDS "\(.*\)")$/\1/p' "$src/cmake/Package.cmake")
[ -n "$depends" ] || { echo "FAILED: no QUARN_DLOPEN_DEPENDS in cmake/Package.cmake"; exit 1; }
status=0
for soname in $(grep -rhoE '"lib[A-Za-z0-9_+.-]+\.so\.[0-9]+"' "$src/src" | tr -d '"' | sort -u); do
  name=${soname%%.so.*} version=${soname##*.so.}
  if [[ $name =~ [0-9]$ ]]; then package=$name-$version; else package=$name$version; fi
  if [[ ", $depends" != *", $package"* ]]; then
    echo "FAILED: $soname is opened with dlopen but the package does not depend on $package"
    status=1
  else
    echo "$soname: $package"
  fi
done
exit $status
