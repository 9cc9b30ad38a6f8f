#!/usr/bin/env bash
# Runs the program as on a freshly installed Debian machine, for the end-to-end sections whose
# screenshots go into the README: the browser's folder tree then shows a system's own top-level folders
# and one user's home, not the folders of the machine the run happens on. The program runs in a mount
# namespace of its own, under a root made of the system's own folders (bound from this machine: /usr,
# /etc, /var, /dev, /proc, /sys, /run and /tmp, where the X server's socket and the run's per-user
# folders are), the empty ones a new system has, the home at the path it has here, and the build's bin/
# folder as /opt/orvalis. It replaces itself with the program: the process keeps its id, so the window's
# process id is the one the run started. The mounts go with the program's last process.
#
# Usage: scripts/e2e/clean-root.sh ROOT HOME PROGRAM [ARG...]
#   ROOT     an empty folder to build the root in (the run's work folder holds it)
#   HOME     the home to show, a folder under /home
#   PROGRAM  bin/orvalis of the build; ARG... its arguments, paths as they are outside
#
# Needs root (mount namespaces, bind mounts, chroot) and util-linux's unshare.
set -euo pipefail

if [[ "${1:-}" != --inside ]]; then
    exec unshare --mount --propagation private -- "$0" --inside "$@"
fi
shift
root=$1 home=$2 program=$3
shift 3

for folder in boot dev etc home media mnt opt proc root run srv sys tmp usr var; do
    mkdir -p "$root/$folder"
done
for link in bin sbin lib lib64; do
    if [[ -L "/$link" ]]; then
        ln -sfn "$(readlink "/$link")" "$root/$link"
    fi
done
for folder in dev proc sys; do
    mount --rbind "/$folder" "$root/$folder"
done
for folder in usr etc var run tmp; do
    mount --bind "/$folder" "$root/$folder"
done
mkdir -p "$root$home" "$root/opt/orvalis"
mount --bind "$home" "$root$home"
mount --bind "$(dirname "$program")" "$root/opt/orvalis"
exec chroot "$root" "/opt/orvalis/$(basename "$program")" "$@"
