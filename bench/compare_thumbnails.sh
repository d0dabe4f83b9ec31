#!/bin/sh
# List pictures of 200 photographs of about 12 MP: our painter on one worker
# and on the pool, the in-process libjpeg-turbo 1/8 decode (the floor), and
# `vipsthumbnail -s 80` on the same files, in one run.
# Usage: bench/compare_thumbnails.sh [BENCH_BUILD_DIR] (after `make bench`)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/bench}
photos=${PIX_BENCH_PHOTOS:-$here/../build/photos}
"$here/make_photo_set.sh" "$photos" 200
n=$(ls "$photos"/*.jpg | wc -l)

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
if command -v vipsthumbnail >/dev/null; then
    start=$(date +%s.%N)
    vipsthumbnail -s 80 -o "$out/%s.jpg" "$photos"/*.jpg
    end=$(date +%s.%N)
    vips=$(echo "($end - $start) * 1000 / $n" | bc -l)
    printf 'vipsthumbnail -s 80: %.1f ms per photo\n' "$vips"
fi
PIX_BENCH_PHOTOS=$photos "$build/bench/pix_bench" --benchmark_filter=Thumbnail \
    --benchmark_counters_tabular=true
