#!/bin/sh
# Times the start of `pixadrome-cli crc` on a one-byte file against a bare
# QCoreApplication program (pix_bare_qt) in the same run, alternating the
# two, and prints the median wall time of each and the ratio; fails when
# ours takes more than twice the bare start. Also shows what a drawing
# command line costs (`info` of a metafile, handed to pixadrome-cli-draw).
#
# Usage: bench/compare_cli_start.sh [benchmark build folder]
# The default folder is the benchmark build's (make bench).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build="${1:-$here/../build/bench}"
cli="$build/src/main/pixadrome-cli"
bare="$build/bench/pix_bare_qt"
runs=31
for p in "$cli" "$bare"; do [ -x "$p" ] || { echo "no $p (make bench)" >&2; exit 2; }; done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/pix-start-XXXXXX")
trap 'rm -rf "$tmp"' EXIT INT TERM
printf x >"$tmp/one.bin"
"$cli" samples "$tmp/samples" >/dev/null

# Wall time of one run in microseconds.
once_us() {
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}
median_ms() { sort -n | awk -v n=$runs 'NR == int((n + 1) / 2) { printf "%.1f\n", $1 / 1000 }'; }

i=0
while [ $i -lt $runs ]; do
    once_us "$cli" crc "$tmp/one.bin" >>"$tmp/cli"
    once_us "$bare" >>"$tmp/bare"
    once_us "$cli" info "$tmp/samples/sample.wmf" >>"$tmp/draw"
    i=$((i + 1))
done
cli_ms=$(median_ms <"$tmp/cli")
bare_ms=$(median_ms <"$tmp/bare")
draw_ms=$(median_ms <"$tmp/draw")
awk -v c="$cli_ms" -v b="$bare_ms" -v d="$draw_ms" 'BEGIN {
    printf "%-44s %8.1f ms\n", "bare QCoreApplication", b
    printf "%-44s %8.1f ms  (%.2f x bare)\n", "pixadrome-cli crc (one byte)", c, c / b
    printf "%-44s %8.1f ms  (%.2f x bare)\n", "pixadrome-cli info (a metafile: drawing)", d, d / b
    if (c > 2 * b) { print "FAIL: the start takes more than twice the bare start"; exit 1 }
}'
