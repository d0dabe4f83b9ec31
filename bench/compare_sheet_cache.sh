#!/bin/sh
# A contact sheet of 200 photographs of about 12 MP (bench/make_photo_set.sh)
# made by `pixadrome-cli sheet` with the desktop's thumbnail cache in an
# empty folder (cold: every photograph decoded, its entry written), then
# again (warm: every list picture from its entry). Also times the sheet
# without the cache, which reads the files into the page cache first, and
# a warm sheet of one photograph, the fixed cost of a run. Prints the
# median times, the ratio, the cost per photograph and a projection to a
# sheet of 1,000 photographs; fails when warm takes more than 0.2 x cold.
#
# Usage: bench/compare_sheet_cache.sh [pixadrome-cli binary]
# Default: the benchmark build's (make bench). PIX_BENCH_PHOTOS names the
# photographs' folder (default /tmp/pix-photos-200; made when missing).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cli="${1:-$here/../build/bench/src/main/pixadrome-cli}"
photos=${PIX_BENCH_PHOTOS:-/tmp/pix-photos-200}
runs=3
[ -x "$cli" ] || { echo "no pixadrome-cli at $cli (make bench)" >&2; exit 2; }
"$here/make_photo_set.sh" "$photos" 200 >/dev/null
n=$(ls "$photos"/*.jpg | wc -l)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/one"
ln -s "$(ls "$photos"/*.jpg | head -n 1)" "$work/one/"

# Seconds of one sheet of folder $1 with the cache in $work/cache; further
# arguments go to the command.
sheet() {
    folder=$1
    shift
    start=$(date +%s.%N)
    XDG_CACHE_HOME="$work/cache" "$cli" sheet "$folder" -o "$work/sheet.pxc" "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$start $end" | awk '{ printf "%.3f\n", $2 - $1 }'
}

# The median of `runs` runs of a command that prints seconds.
median() {
    i=0
    while [ $i -lt $runs ]; do
        "$@"
        i=$((i + 1))
    done | sort -n | sed -n "$(((runs + 1) / 2))p"
}

cold_sheet() {
    rm -rf "$work/cache"
    sheet "$photos"
}

plain=$(median sheet "$photos" --no-cache)
cold=$(median cold_sheet)
warm=$(median sheet "$photos")
entries=$(find "$work/cache/thumbnails" -name '*.png' | wc -l)
fixed=$(median sheet "$work/one")

echo "$n photographs in $photos, $entries cache entries, median of $runs runs"
echo "$plain $cold $warm $fixed $n" | awk '{
    plain = $1; cold = $2; warm = $3; fixed = $4; n = $5
    printf "%-36s %8.2f s\n", "sheet --no-cache", plain
    printf "%-36s %8.2f s\n", "sheet, cold cache (decode + write)", cold
    printf "%-36s %8.2f s\n", "sheet, warm cache", warm
    printf "%-36s %8.2f s\n", "warm sheet of one photograph", fixed
    c = (cold - fixed) / n; w = (warm - fixed) / n
    printf "per photograph: cold %.1f ms, warm %.1f ms (after %.2f s fixed)\n", c * 1000, w * 1000, fixed
    printf "1,000 photographs (projected): cold %.1f s, warm %.1f s\n", fixed + 1000 * c, fixed + 1000 * w
    printf "warm / cold = %.3f (target <= 0.2)\n", warm / cold
    exit (warm <= 0.2 * cold ? 0 : 1)
}'
