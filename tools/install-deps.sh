#!/bin/sh
# Installs the Debian packages of the given lists (deps/NAME.txt) that are
# not installed yet, without what they only recommend.
# Usage: install-deps.sh run [test] [bench]
set -eu
here=$(dirname "$0")/..
missing=""
for name in "$@"; do
    list="$here/deps/$name.txt"
    [ -f "$list" ] || { echo "no package list $list" >&2; exit 2; }
    for pkg in $(sed 's/#.*//' "$list" | tr -s ' \t' '\n' | sed '/^$/d'); do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing="$missing $pkg"
        fi
    done
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
