#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# deb_check.sh's steps in the chroot ROOT, run in a mount namespace of their own
# so that its mounts go away with it. DEB is the package in ROOT/root.
set -euo pipefail
root=$1 deb=$2
mount -t proc proc "$root/proc"
mount -t tmpfs tmpfs "$root/dev/shm"
# A terminal device of the chroot's own, for dpkg's log of each install.
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
mount --bind "$root/dev/pts/ptmx" "$root/dev/ptmx"

# One command in the chroot, shown as typed, in root's home and a clean environment.
in_root() {
  echo "# $1"
  chroot "$root" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive bash -c "cd /root && $1"
}

in_root "apt-get update -q"
in_root "apt install -y ./$deb"
in_root "dpkg-query -W -f='\${Depends}\n' quarn"
in_root "dpkg -L quarn > quarn.files"
in_root "quarn --version"
in_root "quarn render example.quarn -o example.wav > render.log; tail -3 render.log; ! grep 'could not be found' render.log"

# The window, under a virtual display; the tools for that come after the check
# that the package installs alone.
in_root "apt-get install -y -q --no-install-recommends xvfb xauth x11-apps > /dev/null"
in_root "xvfb-run -a -s '-screen 0 900x640x24' bash -c '
  quarn-workbench example.quarn & sleep 6
  kill -0 \$! || { echo \"quarn-workbench did not stay up\"; exit 1; }
  xwd -root -silent > workbench.xwd; kill \$!; wait || true'"

in_root "apt remove -y quarn"
# None of its files, and none of its own folders (a path naming quarn).
in_root "status=0; while read -r path; do
  if [ -e \"\$path\" ] && { [ ! -d \"\$path\" ] || [[ \$path == */quarn* ]]; }; then echo \"left behind: \$path\"; status=1; fi
done < quarn.files; echo \"after apt remove: \$(grep -c . quarn.files) paths checked, status \$(dpkg-query -W -f='\${db:Status-Status}' quarn 2>&1)\"; exit \$status"
