#!/bin/sh
# Reduces the same 2-megapixel photograph to 256 colours with our colour
# reduction (dithered, as saving a GIF does, and nearest colour) and with
# ImageMagick's `convert IN -colors 256 OUT`, in the same run, and prints
# time and PSNR against the original for each. ImageMagick's time is the
# median wall time of the command less that of `convert IN OUT` (reading
# and writing the bitmaps); both PSNRs are computed by ImageMagick's
# `compare -metric PSNR` on the written bitmaps.
#
# Usage: bench/compare_reduction.sh [pix_bench binary] [photograph]
# Without a photograph, Storm.jpg of the shared corpus is used; without
# either, or without ImageMagick, the comparison is skipped.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bench="${1:-$here/../build/bench/bench/pix_bench}"
photo="${2:-$here/../../shared/corpus/photos/Storm.jpg}"
runs=5
tmp="${TMPDIR:-/tmp}"
in="$tmp/pix-bench-2mp.bmp"
ours_out="$tmp/pix-bench-2mp-reduced.bmp"
im_out="$tmp/pix-bench-2mp-im.bmp"
copy="$tmp/pix-bench-2mp-copy.bmp"
[ -x "$bench" ] || { echo "no benchmark binary at $bench (make bench)" >&2; exit 2; }
[ -f "$photo" ] || { echo "no photograph at $photo: skipped"; exit 0; }
command -v convert >/dev/null && command -v compare >/dev/null ||
    { echo "ImageMagick missing (install imagemagick): skipped"; exit 0; }

# Ours first: the benchmark writes the 2 MP original and its dithered result.
ours=$(PIX_BENCH_PHOTO="$photo" PIX_BENCH_REDUCE_IN="$in" PIX_BENCH_REDUCE_OUT="$ours_out" \
    "$bench" --benchmark_filter='BM_Reduce256' --benchmark_repetitions=$runs \
    --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
    awk -F, 'NR == 1 { for (i = 1; i <= NF; ++i) if ($i == "\"PSNR_dB\"" || $i == "PSNR_dB") col = i }
             /_median"?,/ { gsub(/"/, "", $1); print $1, $3, $col }')
[ -n "$ours" ] || { echo "the benchmark made no result (photograph unreadable?)" >&2; exit 1; }
ours_dither_ms=$(echo "$ours" | awk '/dither:1/ { print $2 }')
ours_dither_db=$(echo "$ours" | awk '/dither:1/ { print $3 }')
ours_nearest_ms=$(echo "$ours" | awk '/dither:0/ { print $2 }')
ours_nearest_db=$(echo "$ours" | awk '/dither:0/ { print $3 }')

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
im_total=$(median_ms convert "$in" -colors 256 "$im_out")
im_io=$(median_ms convert "$in" "$copy")
im_db=$(compare -metric PSNR "$in" "$im_out" null: 2>&1 || true)
ours_db_im=$(compare -metric PSNR "$in" "$ours_out" null: 2>&1 || true)
rm -f "$copy"

echo "photograph: $photo, resampled to $(identify -format '%wx%h' "$in")"
printf '%-36s %10s %10s\n' "256 colours" "ms" "PSNR dB"
awk -v odm="$ours_dither_ms" -v odd="$ours_dither_db" -v onm="$ours_nearest_ms" -v ond="$ours_nearest_db" \
    -v it="$im_total" -v io="$im_io" -v idb="$im_db" -v oim="$ours_db_im" 'BEGIN {
    printf "%-36s %10.1f %10.2f   (ImageMagick compare: %.2f)\n", "ours, dithered (as GIF save)", odm, odd, oim
    printf "%-36s %10.1f %10.2f\n", "ours, nearest colour", onm, ond
    printf "%-36s %10.1f %10.2f   (command %.1f ms less I/O %.1f ms)\n", "ImageMagick -colors 256", it - io, idb, it, io
    printf "speed: ours dithered is %.1f x ImageMagick; PSNR difference %+.2f dB\n", (it - io) / odm, odd - idb
}'
