#!/bin/sh
# Times `pixadrome-cli scan -o page.bmp` against `scanimage --format=pnm`
# on the scanner library's test device: one 2550 x 3300 colour page (762
# dpi, 85 x 110 mm, "Color pattern"), in alternating runs, and prints the
# median of each and their ratio. Fails when ours is slower. Both write a
# new file each run (the old one is deleted untimed): replacing a file costs
# us a sync that the other program never makes.
#
# Usage: bench/compare_scan.sh [pixadrome-cli binary] [runs]
# Defaults: the benchmark build's binary (make bench), 9 runs.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cli="${1:-$here/../build/bench/src/main/pixadrome-cli}"
runs="${2:-9}"
[ -x "$cli" ] || { echo "no pixadrome-cli at $cli (make bench)" >&2; exit 2; }
command -v scanimage >/dev/null || { echo "scanimage missing (install sane-utils)" >&2; exit 2; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
echo test > "$tmp/dll.conf"
cp /etc/sane.d/test.conf "$tmp/test.conf"
export SANE_CONFIG_DIR="$tmp"

# milliseconds a command takes
ms() {
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    echo $(( ($(date +%s%N) - start) / 1000000 ))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

ours=""
theirs=""
i=0
while [ $i -lt "$runs" ]; do
    rm -f "$tmp/p.bmp" "$tmp/p.pnm"
    ours="$ours $(ms "$cli" scan -o "$tmp/p.bmp" --option mode=Color --option resolution=762 \
        --option br-x=85 --option br-y=110 --option "test-picture=Color pattern")"
    theirs="$theirs $(ms scanimage -d test:0 --mode=Color --resolution=762 -x 85 -y 110 \
        --test-picture="Color pattern" --format=pnm -o "$tmp/p.pnm")"
    i=$((i + 1))
done
size=$(identify -format '%wx%h' "$tmp/p.bmp" 2>/dev/null || echo "?")
m_ours=$(echo $ours | tr ' ' '\n' | median)
m_theirs=$(echo $theirs | tr ' ' '\n' | median)
echo "page $size, median of $runs alternating runs"
echo "pixadrome-cli scan -o p.bmp        $m_ours ms"
echo "scanimage --format=pnm            $m_theirs ms"
awk -v a="$m_ours" -v b="$m_theirs" 'BEGIN { r = a / b; printf "ratio %.2f\n", r; exit (r <= 1.0 ? 0 : 1) }'
