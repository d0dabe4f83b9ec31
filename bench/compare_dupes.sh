#!/bin/sh
# Times `pixadrome-cli dupes` (tolerance 95, its default; every group
# printed, without the viewer's limit of 100 result windows; every file
# decoded, without the signature cache) against
# findimagedupes (threshold 90 %, its default) on the same set of JPEG
# photographs, in the same run, and reports for each how many planted
# near-duplicate pairs it found and the largest group it made of unrelated
# pictures. Fails when ours is not at least 5 times faster.
#
# The set of N pictures, P of them planted near-duplicates, is made once by
# make_dupes_set.sh (ImageMagick, a few minutes) and kept in the work
# folder for later runs.
#
# Usage: bench/compare_dupes.sh [pixadrome-cli binary] [N] [P] [work folder]
# Defaults: the benchmark build's binary (make bench), 2000, 100,
# ${TMPDIR:-/tmp}/pix-dupes-N-P.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cli="${1:-$here/../build/bench/src/main/pixadrome-cli}"
total="${2:-2000}"
planted="${3:-100}"
work="${4:-${TMPDIR:-/tmp}/pix-dupes-$total-$planted}"
[ -x "$cli" ] || { echo "no pixadrome-cli at $cli (make bench)" >&2; exit 2; }
for tool in convert identify findimagedupes python3; do
    command -v $tool >/dev/null || {
        echo "$tool missing (install imagemagick, findimagedupes, python3)" >&2
        exit 2
    }
done
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")

# ---------------------------------------------------------------- the set
"$here/make_dupes_set.sh" "$total" "$planted" "$work"

# ---------------------------------------------------------------- timing
cat "$work"/set/* >/dev/null
cd "$work"
# findimagedupes: warm up on two files, then the whole folder.
findimagedupes -q -q "$work/set/$(ls set | head -1)" "$work/set/$(ls set | sed -n 2p)" >/dev/null || true
start=$(date +%s%N)
findimagedupes -q -q "$work/set" >"$work/theirs.txt"
end=$(date +%s%N)
theirs_ms=$(((end - start) / 1000000))

start=$(date +%s%N)
"$cli" dupes --no-cache --window-limit 0 "$work/set" >"$work/ours.txt" 2>"$work/ours.err"
end=$(date +%s%N)
ours_ms=$(((end - start) / 1000000))

# ---------------------------------------------------------------- scoring
python3 - "$work" "$ours_ms" "$theirs_ms" <<'EOF'
import os, sys
work, ours_ms, theirs_ms = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
family, source, pairs = {}, {}, []
for line in open(f"{work}/manifest.tsv"):
    name, fam, src, role = line.rstrip("\n").split("\t")
    family[name] = int(fam)
    source[name] = int(src)
    if role.startswith("near-duplicate of "):
        pairs.append((role.split()[-1], name))

def groups_of(path, blocks):
    text = open(path).read()
    if blocks:
        chunks = [c.split("\n") for c in text.split("\n\n")]
    else:
        chunks = [line.split(" ") for line in text.split("\n")]
    return [[os.path.basename(p) for p in c if p.strip()] for c in chunks if any(p.strip() for p in c)]

def score(groups):
    where = {}
    for g, members in enumerate(groups):
        for m in members:
            where.setdefault(m, set()).add(g)
    found = sum(1 for a, b in pairs if where.get(a, set()) & where.get(b, set()))
    # Unrelated pictures in one group: distinct families (an original and
    # its near-duplicate count once).
    largest = max((len({family[m] for m in g}) for g in groups), default=0)
    mixed = [g for g in groups if len({family[m] for m in g}) > 1]
    # Of those, the groups whose pictures are all crops of one photograph.
    sameSource = sum(1 for g in mixed if len({source[m] for m in g}) == 1)
    return found, largest, len(mixed), sameSource, len(groups)

rows = [("pixadrome-cli dupes", ours_ms, score(groups_of(f"{work}/ours.txt", True))),
        ("findimagedupes", theirs_ms, score(groups_of(f"{work}/theirs.txt", False)))]
print(f"set: {len(family)} JPEG pictures of 1-2 MP, {len(pairs)} planted near-duplicate pairs ({work}/set)")
print(f"{'':22} {'seconds':>8} {'recall':>8} {'groups':>7} {'mixed':>6} {'one photo':>10} {'largest unrelated':>18}")
for name, ms, (found, largest, mixed, same, n) in rows:
    print(f"{name:22} {ms / 1000:8.2f} {found:4d}/{len(pairs):<3d} {n:7d} {mixed:6d} {same:10d} {largest:18d}")
print(f"speed-up: {theirs_ms / max(ours_ms, 1):.1f} x")
print("(mixed: groups holding unrelated pictures, of which 'one photo' are crops of a single photograph;")
print(" largest unrelated: the most unrelated pictures in one group, 1 when every group is a picture with")
print(" its near-duplicates)")
err = open(f"{work}/ours.err").read().strip()
if err:
    print("pixadrome-cli said:", err)
sys.exit(0 if ours_ms * 5 <= theirs_ms else 1)
EOF
