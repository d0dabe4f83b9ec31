#!/bin/sh
# Installs the Debian packages of deps/debian-packages.txt that are not installed yet.
set -eu
here=$(dirname "$0")/..
list="$here/deps/debian-packages.txt"
missing=""
for pkg in $(grep -v '^[[:space:]]*#' "$list" | tr -s ' \t' '\n' | sed '/^$/d'); do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $pkg"
    fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
