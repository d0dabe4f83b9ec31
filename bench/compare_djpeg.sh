#!/bin/sh
# Times our JPEG reader against libjpeg-turbo's djpeg on the same 12 MP file,
# in the same run: full-size decoding, and thumbnail decoding (our 80 x 80
# hints, which choose 1/8 scale) against `djpeg -scale 1/8`. Fails when our
# reduced decoding takes more than 1.3 times djpeg's.
#
# Usage: bench/compare_djpeg.sh [pix_bench binary] [JPEG file]
# Without a file, the benchmark writes its own 4000 x 3000 picture.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bench="${1:-$here/../build/bench/bench/pix_bench}"
file="${2:-${TMPDIR:-/tmp}/pix-bench-12mp.jpg}"
runs=11
command -v djpeg >/dev/null || { echo "djpeg missing: install libjpeg-turbo-progs" >&2; exit 2; }
[ -x "$bench" ] || { echo "no benchmark binary at $bench (make bench)" >&2; exit 2; }

# Ours first: the benchmark makes the file when it is missing.
ours=$(PIX_BENCH_JPEG="$file" "$bench" --benchmark_filter='BM_JpegDecode' --benchmark_repetitions=$runs \
    --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
    awk -F, '/_median"?,/ { gsub(/"/, "", $1); print $1, $3 }')
ours_full=$(echo "$ours" | awk '/FullSize/ { print $2 }')
ours_thumb=$(echo "$ours" | awk '/ThumbnailHints/ { print $2 }')

# Median wall time of djpeg, in milliseconds.
time_djpeg() {
    i=0
    while [ $i -lt $runs ]; do
        start=$(date +%s%N)
        djpeg "$@" -outfile /dev/null "$file"
        end=$(date +%s%N)
        echo $(((end - start) / 1000))
        i=$((i + 1))
    done | sort -n | awk -v n=$runs 'NR == int((n + 1) / 2) { printf "%.2f\n", $1 / 1000 }'
}
djpeg_full=$(time_djpeg)
djpeg_thumb=$(time_djpeg -scale 1/8)

size=$(djpeg -scale 1/8 "$file" | head -c 64 | sed -n 2p)
echo "file: $file ($(stat -c %s "$file") bytes; 1/8 scale gives $size)"
printf '%-28s %10s %10s %8s\n' "decode" "ours ms" "djpeg ms" "ratio"
awk -v of="$ours_full" -v df="$djpeg_full" -v ot="$ours_thumb" -v dt="$djpeg_thumb" 'BEGIN {
    printf "%-28s %10.2f %10.2f %8.2f\n", "full size", of, df, of / df
    printf "%-28s %10.2f %10.2f %8.2f\n", "80x80 hints / -scale 1/8", ot, dt, ot / dt
    if (ot > 1.3 * dt) { print "reduced decoding is slower than 1.3 x djpeg -scale 1/8"; exit 1 }
}'
