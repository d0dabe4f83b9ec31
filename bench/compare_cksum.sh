#!/bin/sh
# Times the content key (`pixadrome-cli crc`) against coreutils' `cksum`,
# which computes a CRC-32 of the same polynomial, most significant bit first
# (with the carry-less multiply where the processor has it), on the same
# file of random bytes in the same run. The file is read once before timing
# so both read it from the page cache. Prints the median wall time of each,
# the throughput and the ratio; fails when ours takes more than 1.5 times
# cksum's.
#
# Usage: bench/compare_cksum.sh [pixadrome-cli binary] [size in MiB]
# The default binary is the benchmark build's (make bench); default 1024 MiB.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cli="${1:-$here/../build/bench/src/main/pixadrome-cli}"
mib="${2:-1024}"
runs=5
[ -x "$cli" ] || { echo "no pixadrome-cli at $cli (make bench)" >&2; exit 2; }
command -v cksum >/dev/null || { echo "cksum missing (coreutils)" >&2; exit 2; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/pix-cksum-XXXXXX")
trap 'rm -rf "$tmp"' EXIT INT TERM
file="$tmp/random.bin"
dd if=/dev/urandom of="$file" bs=1M count="$mib" status=none
cat "$file" >/dev/null

# Median wall time of a command over $runs runs, in milliseconds.
median_ms() {
    i=0
    while [ $i -lt $runs ]; do
        start=$(date +%s%N)
        "$@" >/dev/null
        end=$(date +%s%N)
        echo $(((end - start) / 1000))
        i=$((i + 1))
    done | sort -n | awk -v n=$runs 'NR == int((n + 1) / 2) { printf "%.1f\n", $1 / 1000 }'
}

# Interleave the two so both see the same machine load.
ours=$(median_ms "$cli" crc "$file")
theirs=$(median_ms cksum "$file")
ours2=$(median_ms "$cli" crc "$file")
theirs2=$(median_ms cksum "$file")

echo "file: $mib MiB of random bytes, median of $runs runs, two rounds"
awk -v o1="$ours" -v t1="$theirs" -v o2="$ours2" -v t2="$theirs2" -v mib="$mib" 'BEGIN {
    o = (o1 < o2) ? o1 : o2; t = (t1 < t2) ? t1 : t2
    printf "%-26s %10s %10s\n", "", "ms", "MiB/s"
    printf "%-26s %10.1f %10.0f\n", "pixadrome-cli crc", o, mib * 1000 / o
    printf "%-26s %10.1f %10.0f\n", "cksum", t, mib * 1000 / t
    printf "ratio (ours / cksum): %.2f\n", o / t
    if (o > 1.5 * t) { print "the content key takes more than 1.5 times cksum"; exit 1 }
}'
