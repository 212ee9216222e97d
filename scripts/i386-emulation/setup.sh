#!/bin/sh
# Makes 32-bit x86 Linux programs (Wine's) run on a machine whose kernel
# refuses them: some virtual machines run only 64-bit code. Does nothing where
# they run already. Needs root.
#
# What it sets up:
# - qemu-i386, user-mode emulation, built from Debian's source with one
#   change (qemu-signal-trapno.patch): a page fault reaches the program's
#   signal handler with its trap number, which Wine reads to tell an access
#   violation from an illegal instruction;
# - a binfmt_misc entry that runs every 32-bit x86 ELF program through it;
# - Wine's 64-bit server, native, which can read and write the emulated
#   programs' memory (the emulator does not offer ptrace).
#   scripts/i386-emulation/setup.sh <work folder>
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=${1:-/tmp/toravex-i386-emulation}
probe=/usr/lib/wine/wineserver32
entry=/proc/sys/fs/binfmt_misc/toravex-i386
emulator=/usr/local/bin/qemu-i386-toravex

"$probe" --version >/dev/null 2>&1 && exit 0
echo "32-bit programs do not run here: setting up user-mode emulation" >&2

export DEBIAN_FRONTEND=noninteractive
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
backports=/etc/apt/sources.list.d/toravex-backports.list
if [ ! -f "$backports" ]; then
    printf 'deb http://deb.debian.org/debian %s-backports main\ndeb-src http://deb.debian.org/debian %s-backports main\n' \
        "$codename" "$codename" >"$backports"
    apt-get update -q
fi
apt-get install -y -q --no-install-recommends wine64 gcc make pkg-config flex bison python3-venv \
    libglib2.0-dev ninja-build curl xz-utils
# qemu 10 needs a newer meson than the release has.
apt-get install -y -q --no-install-recommends -t "$codename-backports" meson python3-pycotap

if [ ! -x "$emulator" ]; then
    mkdir -p "$work" && cd "$work"
    # The source package's own files may lag behind its index; the upstream
    # tarball is all that is needed.
    apt-get source -q --download-only "qemu/$codename-backports" >/dev/null 2>&1 || true
    tarball=$(ls qemu_*.orig.tar.xz 2>/dev/null | head -n 1)
    if [ -z "$tarball" ]; then
        echo "cannot fetch qemu's source from $codename-backports" >&2
        exit 1
    fi
    rm -rf src && mkdir src && tar -xf "$tarball" -C src --strip-components=1
    (cd src && patch -p1 <"$here/qemu-signal-trapno.patch")
    mkdir -p src/build && cd src/build
    ../configure --target-list=i386-linux-user --disable-system --disable-tools --disable-docs \
        --disable-werror --disable-download --disable-install-blobs --python=/usr/bin/python3 >/dev/null
    ninja qemu-i386 >/dev/null
    install -m 755 qemu-i386 "$emulator"
fi

mountpoint -q /proc/sys/fs/binfmt_misc || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
[ -e "$entry" ] && echo -1 >"$entry"
# ELF, 32-bit, little-endian, executable or shared object, machine i386; the
# F flag opens the emulator now, so it also works in other mount namespaces.
printf '%s' ':toravex-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$emulator"':FP' \
    >/proc/sys/fs/binfmt_misc/register
"$probe" --version >/dev/null
echo "32-bit programs now run through $emulator" >&2
