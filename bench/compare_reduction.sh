#!/bin/sh
# Reduces photographs, each resampled to 2 megapixels, to 256 colours with
# our colour reduction (dithered, as saving a GIF does) and with
# ImageMagick's `convert IN -colors 256 OUT`, in the same run, and prints
# time and PSNR against the original for each; with a second benchmark
# binary (an earlier build) its figures stand beside ours. ImageMagick's
# time is the median wall time of the command less that of `convert IN
# OUT` (reading and writing the bitmaps); our PSNR is the benchmark's own.
#
# Usage: bench/compare_reduction.sh [pix_bench] [earlier pix_bench] [photograph...]
# Without photographs, those of the shared corpus and up to four of
# build/bench/photos (bench/make_photo_set.sh) are used. An earlier binary
# can be made with BEFORE_REV=<git revision>: that revision is built in the
# temporary folder first. Without ImageMagick the comparison is skipped.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bench="${1:-$here/../build/bench/bench/pix_bench}"
before="${2:-}"
[ $# -gt 2 ] && shift 2 || set --
runs=3
tmp="${TMPDIR:-/tmp}"
in="$tmp/pix-bench-2mp.bmp"
ours_out="$tmp/pix-bench-2mp-reduced.bmp"
im_out="$tmp/pix-bench-2mp-im.bmp"
copy="$tmp/pix-bench-2mp-copy.bmp"
[ -x "$bench" ] || { echo "no benchmark binary at $bench (make bench)" >&2; exit 2; }
command -v convert >/dev/null && command -v compare >/dev/null ||
    { echo "ImageMagick missing (install imagemagick): skipped"; exit 0; }

if [ -z "$before" ] && [ -n "${BEFORE_REV:-}" ]; then
    src="$tmp/pix-bench-$BEFORE_REV"
    [ -d "$src" ] || git -C "$here/.." worktree add -q --detach "$src" "$BEFORE_REV"
    cmake -S "$src" -B "$src/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPIX_TESTS=OFF -DPIX_GUI=OFF \
        -DPIX_BENCH=ON >/dev/null
    cmake --build "$src/build" --target pix_bench >/dev/null
    before="$src/build/bench/pix_bench"
fi

if [ $# -eq 0 ]; then
    set -- "$here"/../../shared/corpus/photos/*.jpg
    for p in $(ls "$here"/../build/bench/photos/*.jpg 2>/dev/null | head -4); do set -- "$@" "$p"; done
fi

# "milliseconds PSNR" of the dithered reduction by a benchmark binary.
reduce() {
    PIX_BENCH_PHOTO="$2" PIX_BENCH_REDUCE_IN="$in" PIX_BENCH_REDUCE_OUT="$ours_out" \
        "$1" --benchmark_filter='BM_Reduce256/dither:1' --benchmark_repetitions=$runs \
        --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
        awk -F, 'NR == 1 { for (i = 1; i <= NF; ++i) if ($i == "\"PSNR_dB\"" || $i == "PSNR_dB") col = i }
                 /_median"?,/ { print $3, $col }'
}

# Median wall time of a command, in milliseconds.
median_ms() {
    i=0
    while [ $i -lt $runs ]; do
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s%N)
        echo $(((end - start) / 1000))
        i=$((i + 1))
    done | sort -n | awk -v n=$runs 'NR == int((n + 1) / 2) { printf "%.1f\n", $1 / 1000 }'
}

printf '%-40s %18s %18s %18s\n' "256 colours, dithered: ms / PSNR dB" "earlier" "ours" "ImageMagick"
for photo in "$@"; do
    [ -f "$photo" ] || continue
    earlier="- -"
    [ -n "$before" ] && earlier=$(reduce "$before" "$photo")
    ours=$(reduce "$bench" "$photo")  # last, so its 2 MP original stays in $in
    [ -n "$ours" ] || { echo "$photo: the benchmark made no result" >&2; continue; }
    im_total=$(median_ms convert "$in" -colors 256 "$im_out")
    im_io=$(median_ms convert "$in" "$copy")
    im_db=$(compare -metric PSNR "$in" "$im_out" null: 2>&1 || true)
    echo "$(basename "$photo") $earlier $ours $im_total $im_io $im_db"
done | awk '{
    im_ms = $6 - $7
    printf "%-40s %8s %9s %8.1f %9.2f %8.1f %9.2f\n", $1, $2, $3, $4, $5, im_ms, $8
    n++; ours_ms += $4; ours_gap += $8 - $5; im_sum += im_ms
    if ($2 != "-") { has_before = 1; before_ms += $2; before_gap += $8 - $3 }
}
END {
    if (n == 0) { print "no photographs"; exit 1 }
    printf "mean PSNR gap to ImageMagick: ours %.2f dB", ours_gap / n
    if (has_before) printf ", earlier %.2f dB; time ours / earlier %.2f", before_gap / n, ours_ms / before_ms
    printf "; ImageMagick is %.1f x our time\n", im_sum / ours_ms
}'
rm -f "$copy"
