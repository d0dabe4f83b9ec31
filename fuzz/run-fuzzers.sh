#!/bin/sh
# Runs every libFuzzer target for the given number of seconds on its corpus
# in fuzz/corpus/<name> (new finds are kept there), seeded also from the
# shared image corpus when it is present. Stops at the first crash.
set -eu
bindir="$1"
seconds="${2:-600}"
here=$(cd "$(dirname "$0")" && pwd)
shared="$here/../../shared/corpus"
for target in bmp dib wmf jpeg png tiff gif pxf database database_ops signature_cache pxc tfm thumbnail_entry; do
    corpus="$here/corpus/$target"
    mkdir -p "$corpus"
    seeds=""
    case $target in
        bmp) [ -d "$shared/bmp" ] && seeds="$shared/bmp" ;;
        wmf) [ -d "$shared/wmf" ] && seeds="$shared/wmf" ;;
        jpeg) [ -d "$shared/jpeg" ] && seeds="$shared/jpeg" ;;
        png) [ -d "$shared/png" ] && seeds="$shared/png" ;;
        tiff) [ -d "$shared/tiff" ] && seeds="$shared/tiff" ;;
        gif) [ -d "$shared/gif" ] && seeds="$shared/gif" ;;
    esac
    echo "== fuzzing $target for $seconds s"
    # shellcheck disable=SC2086
    QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=allocator_may_return_null=1 \
        "$bindir/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=4096 -max_len=262144 \
        -timeout=20 -print_final_stats=1 -artifact_prefix="$here/" "$corpus" $seeds
done
