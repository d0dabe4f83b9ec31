#!/bin/sh
# Installs a Pixadrome package on a fresh Debian 12 tree the way users do
# (apt install ./pixadrome_*.deb), uses the installed programs, removes the
# package and checks that nothing of it is left behind.
# Usage: check-deb.sh TREE PACKAGE.deb
# TREE/base is made once with debootstrap and copied afresh for every check.
# Needs root and Debian's package mirror.
set -eu
tree="$1"
deb="$2"
mirror="${DEBIAN_MIRROR:-http://deb.debian.org/debian}"
[ "$(id -u)" -eq 0 ] || { echo "check-deb.sh: needs root (chroot)" >&2; exit 2; }

if [ ! -x "$tree/base/usr/bin/apt-get" ]; then
    rm -rf "$tree/base"
    mkdir -p "$tree"
    debootstrap --variant=minbase bookworm "$tree/base" "$mirror"
fi
root="$tree/run"
cleanup() {
    for m in proc dev/pts dev; do umount "$root/$m" 2>/dev/null || true; done
}
trap cleanup EXIT
cleanup
rm -rf "$root"
cp -a "$tree/base" "$root"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"
name=$(basename "$deb")

inside() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root DEBIAN_FRONTEND=noninteractive "$@"; }
# Every file a package may leave: the tree minus what changes anyway.
listing() {
    inside sh -c 'find / -xdev \( -path /proc -o -path /dev -o -path /tmp -o -path /root -o -path /var/cache \
        -o -path /var/lib/apt -o -path /var/lib/dpkg -o -path /var/log \) -prune -o -print' | sort
}

inside apt-get update -qq
# What the package needs comes first, as apt install would bring it; the
# tree is then listed, so that removing the package can be held to it.
needs="$(dpkg-deb -f "$deb" Depends), $(dpkg-deb -f "$deb" Recommends)"
echo "== what the package needs: $needs"
inside apt-get satisfy -y -q "$needs"
# What the install pulled must be what running needs, nothing for building:
# no headers, compilers or build tools. (The C preprocessor may come: the X
# resource loader that xdg-utils recommends runs it.)
building=$(inside dpkg-query -W -f '${Package}\n' |
    grep -E -- '-dev$|^(gcc|g\+\+)(-[0-9]+)?$|^(cmake|make|ninja-build|build-essential|binutils|pkg-config|pkgconf|dpkg-dev)$' || true)
[ -z "$building" ] || { echo "FAIL: the package pulled build tools:" $building; exit 1; }
inside dpkg-query -W -f '${Package}\n' | wc -l | sed 's/^/installed packages: /'
before=$(mktemp)
listing >"$before"

echo "== apt install ./$name"
inside apt-get install -y -q "/tmp/$name" | tee "$tree/install.log"
grep -q '^0 upgraded, 1 newly installed' "$tree/install.log" ||
    { echo "FAIL: the package needs more than its dependencies say"; exit 1; }

echo "== the installed programs"
inside pixadrome-cli --version
inside pixadrome --version
inside sh -ec '
    cd /tmp
    pixadrome-cli samples samples
    ls samples
    pixadrome-cli sheet samples -o sheet.html
    test -s sheet.html
    ls sheet*
    pixadrome-cli info samples/*
    pixadrome-cli sheet samples -o sheet.png
    test -s sheet.png
    test -s /usr/share/man/man1/pixadrome.1.gz
    test -s /usr/share/man/man1/pixadrome-cli.1.gz
    test -s /usr/share/metainfo/org.pixadrome.Pixadrome.metainfo.xml'
# The viewer starts and keeps running (killed by the timeout: status 124).
status=0
inside timeout 5 env QT_QPA_PLATFORM=offscreen HOME=/tmp pixadrome /tmp/samples || status=$?
[ "$status" -eq 124 ] || { echo "FAIL: the viewer ended with status $status"; exit 1; }
echo "the viewer ran for 5 s"

echo "== apt remove pixadrome"
inside apt-get remove -y -q pixadrome
after=$(mktemp)
listing >"$after"
left=$(comm -13 "$before" "$after")
[ -z "$left" ] || { echo "FAIL: left behind:"; echo "$left"; exit 1; }
mentions=$(inside sh -c 'grep -rIl pixadrome /usr /etc 2>/dev/null' || true)
[ -z "$mentions" ] || { echo "FAIL: still named in:"; echo "$mentions"; exit 1; }
rm -f "$before" "$after"
echo "PASS: installed, used and removed without a trace"
