#!/bin/sh
# Times `pixadrome-cli db --db F dump > /dev/null` against a plain Python
# walk of the same file (bench/db_walk.py: every record read, every string
# decoded, a count printed), in the same run, on a generated database of
# 10^6 records: per file a (key, "path", P) record and an attribute record
# (the files shape of bench/DatabaseBench.cpp, which writes it). Prints
# the median wall time and peak resident memory of each over a few runs,
# from /usr/bin/time when it is there, else from Python's resource module,
# and fails when our dump is slower.
#
# Usage: bench/compare_db_dump.sh [pix_bench binary] [pixadrome-cli binary]
# Defaults: the benchmark build's binaries (make bench).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bench="${1:-$here/../build/bench/bench/pix_bench}"
cli="${2:-$here/../build/bench/src/main/pixadrome-cli}"
runs=5
tmp="${TMPDIR:-/tmp}"
db="$tmp/pix-bench-dump.db"
[ -x "$bench" ] || { echo "no benchmark binary at $bench (make bench)" >&2; exit 2; }
[ -x "$cli" ] || { echo "no pixadrome-cli at $cli (make bench)" >&2; exit 2; }
command -v python3 >/dev/null || { echo "python3 missing (install python3)" >&2; exit 2; }
# The interpreter itself, not a wrapper script that would be timed too.
python=$(python3 -c 'import sys; print(sys.executable)')

# The benchmark writes the database when it first needs it.
PIX_BENCH_DB_OUT="$db" "$bench" --benchmark_filter='BM_DatabaseLoad/records:1000000/files:1$' >/dev/null 2>&1
[ -s "$db" ] || { echo "the benchmark wrote no database at $db" >&2; exit 1; }

# "seconds kilobytes" of one run of a command, its output discarded.
measure() {
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -f '%e %M' -o "$tmp/pix-bench-time.txt" "$@" >/dev/null
        cat "$tmp/pix-bench-time.txt"
    else
        "$python" - "$@" <<'PY'
import resource, subprocess, sys, time
start = time.monotonic()
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, check=True)
print("%.2f %d" % (time.monotonic() - start, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss))
PY
    fi
}

# The median seconds and kilobytes of `runs` runs (each column on its own).
median() {
    i=0
    while [ $i -lt $runs ]; do
        measure "$@"
        i=$((i + 1))
    done >"$tmp/pix-bench-runs.txt"
    s=$(cut -d' ' -f1 "$tmp/pix-bench-runs.txt" | sort -n | sed -n "$(((runs + 1) / 2))p")
    k=$(cut -d' ' -f2 "$tmp/pix-bench-runs.txt" | sort -n | sed -n "$(((runs + 1) / 2))p")
    echo "$s $k"
}

ours=$(median "$cli" db --db "$db" dump)
theirs=$(median "$python" "$here/db_walk.py" "$db")
rm -f "$tmp/pix-bench-time.txt" "$tmp/pix-bench-runs.txt"

echo "database: $db, $(wc -c <"$db") bytes, $("$python" "$here/db_walk.py" "$db")"
printf '%-34s %10s %12s\n' "median of $runs runs" "seconds" "peak MB"
echo "$ours" | awk '{ printf "%-34s %10.2f %12.1f\n", "pixadrome-cli db dump", $1, $2 / 1024 }'
echo "$theirs" | awk '{ printf "%-34s %10.2f %12.1f\n", "python3 bench/db_walk.py", $1, $2 / 1024 }'
echo "$ours $theirs" | awk '{
    printf "our dump takes %.2f x the time of the Python walk\n", $1 / $3
    exit ($1 <= $3 ? 0 : 1)
}'
