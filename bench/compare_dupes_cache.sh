#!/bin/sh
# Times `pixadrome-cli dupes` (tolerance 95, no window limit) on the set of
# compare_dupes.sh cold (no stored signatures: every file decoded, the
# signature cache written) and warm (the same again: every signature read
# from the cache), checks that both print the same groups as a run without
# the cache, and fails when warm takes more than a tenth of cold.
#
# To project to larger sets it splits a run's time into a start-up cost
# (a warm run on one file), a cost per file and the comparison pass, which
# grows with the square of the number of files. The comparison pass is the
# difference between warm runs at tolerance 95 and at tolerance 0, which
# loads at the same size (the same stored signatures) but puts every
# picture in the first one's group after one comparison each. The files are
# read once beforehand, so cold means "not decoded before", not "not in the
# page cache". Each warm figure is the best of seven runs, the least
# disturbed by other work on the machine.
#
# Usage: bench/compare_dupes_cache.sh [pixadrome-cli binary] [N] [P] [work folder]
# Defaults as compare_dupes.sh: the benchmark build's binary (make bench),
# 2000, 100, ${TMPDIR:-/tmp}/pix-dupes-N-P.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cli="${1:-$here/../build/bench/src/main/pixadrome-cli}"
total="${2:-2000}"
planted="${3:-100}"
work="${4:-${TMPDIR:-/tmp}/pix-dupes-$total-$planted}"
[ -x "$cli" ] || { echo "no pixadrome-cli at $cli (make bench)" >&2; exit 2; }
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")
"$here/make_dupes_set.sh" "$total" "$planted" "$work"
cat "$work"/set/* >/dev/null

python3 - "$cli" "$work" <<'EOF'
import os, shutil, subprocess, sys, time

cli, work = sys.argv[1], sys.argv[2]
files = sorted(os.path.join(work, "set", f) for f in os.listdir(os.path.join(work, "set")))
target = 100_000

def run(paths, *options):
    start = time.perf_counter()
    done = subprocess.run([cli, "dupes", "--window-limit", "0", *options, *paths],
                          capture_output=True, text=True)
    seconds = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit(f"pixadrome-cli failed: {done.stderr}")
    return seconds, done.stdout

def warm(paths, *options):
    times, printed = [], set()
    for _ in range(7):
        seconds, out = run(paths, *options)
        times.append(seconds)
        printed.add(out)
    if len(printed) != 1:
        sys.exit("warm runs printed different groups")
    return min(times), printed.pop()

def fresh_cache(name):
    folder = os.path.join(work, "cache-" + name)
    shutil.rmtree(folder, ignore_errors=True)
    return folder, ("--db", os.path.join(folder, "bench.db"))

n = len(files)
plain, plain_printed = run(files, "--no-cache")
folder, db = fresh_cache("all")
cold, cold_printed = run(files, *db)
warm95, warm_printed = warm(files, *db)
warm0, _ = warm(files, *db, "--tolerance", "0")
cache_bytes = os.path.getsize(os.path.join(folder, "pixadrome.sig"))
if not plain_printed == cold_printed == warm_printed:
    sys.exit("with the cache dupes printed other groups than without it")
_, one = fresh_cache("one")
run(files[:1], *one)
start_up, _ = warm(files[:1], *one)

per_pair = max(0.0, warm95 - warm0) / (n * n)
warm_per_file = max(0.0, warm0 - start_up) / n
cold_per_file = max(0.0, cold - start_up - per_pair * n * n) / n

def projected(per_file, m):
    return start_up + per_file * m + per_pair * m * m

groups = plain_printed.count("\n\n") + (1 if plain_printed.strip() else 0)
print(f"set: {n} JPEG pictures of 1-2 MP ({work}/set); dupes at tolerance 95 prints the same "
      f"{groups} groups without the cache, cold and warm")
print(f"{'':28} {'seconds':>8}")
print(f"{'no cache (--no-cache)':28} {plain:8.2f}")
print(f"{'cold (cache written)':28} {cold:8.2f}")
print(f"{'warm (cache read)':28} {warm95:8.3f}")
print(f"{'warm, tolerance 0':28} {warm0:8.3f}")
print(f"warm / cold: {warm95 / cold:.3f} (target 0.1 or less)")
print(f"cache file: {cache_bytes} bytes, {cache_bytes / n:.0f} per file")
print(f"start-up {start_up * 1000:.1f} ms; per file: cold {cold_per_file * 1000:.3f} ms, "
      f"warm {warm_per_file * 1000:.4f} ms; comparison pass {per_pair * 1e9:.2f} ns per pair of files")
print(f"projection to {target:,} photos: cold {projected(cold_per_file, target):.0f} s, "
      f"warm {projected(warm_per_file, target):.0f} s (of which the comparison pass "
      f"{per_pair * target * target:.0f} s), cache {cache_bytes / n * target / 1e6:.0f} MB")
sys.exit(0 if warm95 <= 0.1 * cold else 1)
EOF
