#!/bin/sh
# Runs libFuzzer targets for the given number of seconds each on their corpus
# in fuzz/corpus/<name> (new finds are kept there), seeded also from the
# shared image corpus when it is present and from fuzz/refused/<name>. Stops at the first crash.
# Usage: run-fuzzers.sh BINDIR [SECONDS] [TARGET...]  (all targets by default)
# Each run's output goes to fuzz/logs/<target>.log; its last figures
# (runs, coverage, corpus) are printed when it ends, and the grown corpus
# is then minimised with -merge=1.
set -eu
bindir="$1"
seconds="${2:-600}"
[ $# -ge 2 ] && shift 2 || shift $#
here=$(cd "$(dirname "$0")" && pwd)
shared="$here/../../shared/corpus"
targets="$*"
[ -n "$targets" ] || targets="bmp dib wmf jpeg png tiff gif pxf database database_ops signature_cache verdicts pxc image_list tfm thumbnail_entry webp avif heif jxl"
mkdir -p "$here/logs"
for target in $targets; do
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
    # The inputs a reader must refuse seed its runs too.
    [ -d "$here/refused/$target" ] && seeds="$seeds $here/refused/$target"
    log="$here/logs/$target.log"
    echo "== fuzzing $target for $seconds s (log: $log)"
    # shellcheck disable=SC2086
    QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=allocator_may_return_null=1 \
        "$bindir/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=4096 -max_len=262144 \
        -timeout=20 -print_final_stats=1 -artifact_prefix="$here/" "$corpus" $seeds >"$log" 2>&1 || {
        tail -n 40 "$log"
        exit 1
    }
    grep -E '^#[0-9]+.*(DONE|cov:)' "$log" | tail -n 1
    grep -E '^stat::number_of_executed_units' "$log" || true
    # The grown corpus, minimised: the fewest files that keep its coverage.
    merged=$(mktemp -d)
    "$bindir/fuzz_$target" -merge=1 -rss_limit_mb=4096 -max_len=262144 -timeout=20 \
        "$merged" "$corpus" >>"$log" 2>&1
    find "$corpus" -type f -delete
    find "$merged" -type f -exec mv {} "$corpus/" \;
    rmdir "$merged"
    echo "corpus after merge: $(find "$corpus" -type f | wc -l) files"
done
