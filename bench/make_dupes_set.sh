#!/bin/sh
# Makes the picture set of the duplicate-search benchmarks (compare_dupes.sh,
# compare_dupes_cache.sh) in WORK/set, once: a later run finds WORK/done and
# does nothing.
#
# The set: N pictures of 1 to 2 megapixels cropped from different regions
# of the photographic wallpapers Debian ships (plasma-workspace-wallpapers,
# mate-backgrounds) and scaled, of which P are near-duplicates of other
# pictures of the set: resized, re-encoded at low quality, made brighter or
# darker, or all three. File names are shuffled so a near-duplicate is not
# beside its original. WORK/manifest.tsv names each picture's family,
# source and role. ImageMagick, a few minutes.
#
# Usage: bench/make_dupes_set.sh N P WORK
set -eu
total="$1"
planted="$2"
work="$3"
jobs=2
for tool in convert identify python3; do
    command -v $tool >/dev/null || {
        echo "$tool missing (install imagemagick, python3)" >&2
        exit 2
    }
done

make_set() {
    rm -rf "$work"
    mkdir -p "$work/sources" "$work/set"
    # The largest JPEG of each wallpaper, and the MATE photographs.
    n=0
    for d in /usr/share/wallpapers/*/contents/images; do
        f=$(ls -S "$d"/*.jpg 2>/dev/null | head -1) || true
        [ -n "$f" ] && echo "$f"
    done >"$work/sources.txt"
    ls /usr/share/backgrounds/mate/nature/*.jpg /usr/share/backgrounds/mate/abstract/Elephants.jpg \
        2>/dev/null >>"$work/sources.txt" || true
    [ -s "$work/sources.txt" ] || {
        echo "no wallpapers found: install plasma-workspace-wallpapers mate-backgrounds" >&2
        exit 2
    }
    # Decoded once, at most 2400 pixels wide, so each crop reads fast.
    while read -r f; do
        n=$((n + 1))
        convert -quiet "$f" -resize '2400x2400>' "$work/sources/$n.ppm"
        echo "$n $(identify -format '%w %h' "$work/sources/$n.ppm")"
    done <"$work/sources.txt" >"$work/sources.dim"

    # One line per picture: name, family, source, crop and output size,
    # then the treatment of the near-duplicates. Deterministic (seeded).
    originals=$((total - planted))
    python3 - "$work" "$originals" "$planted" <<'EOF'
import random, sys
work, originals, planted = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(20240611)
sources = [tuple(map(int, l.split())) for l in open(f"{work}/sources.dim")]
names = [f"pic_{i:05d}.jpg" for i in range(originals + planted)]
rng.shuffle(names)
with open(f"{work}/plan.txt", "w") as plan, open(f"{work}/manifest.tsv", "w") as manifest:
    for i in range(originals):
        n, sw, sh = sources[i % len(sources)]
        aspect = rng.choice([4 / 3, 3 / 2, 16 / 9, 1.0, 3 / 4])
        cw = int(sw * rng.uniform(0.3, 0.75))
        ch = min(int(cw / aspect), sh)
        cw = int(ch * aspect)
        x, y = rng.randint(0, sw - cw), rng.randint(0, sh - ch)
        area = rng.uniform(1.0e6, 2.0e6)
        ow = int((area * aspect) ** 0.5)
        oh = int(ow / aspect)
        print(f"crop {n} {cw}x{ch}+{x}+{y} {ow}x{oh} {names[i]}", file=plan)
        print(f"{names[i]}\t{i}\t{n}\toriginal", file=manifest)
    step = originals // planted
    for p in range(planted):
        i = p * step
        kind = p % 4
        treatment = ["-resize 60% -quality 85", "-quality 25", "-modulate 115 -quality 85",
                     "-resize 75% -modulate 88 -quality 40"][kind]
        print(f"dup {names[i]} {names[originals + p]} {treatment}", file=plan)
        print(f"{names[originals + p]}\t{i}\t{sources[i % len(sources)][0]}\tnear-duplicate of {names[i]}",
              file=manifest)
EOF
    echo "making $total pictures in $work/set ..." >&2
    grep '^crop' "$work/plan.txt" | xargs -P $jobs -L 1 sh -c \
        'convert "'"$work"'/sources/$2.ppm" -crop "$3" +repage -resize "$4!" -quality 90 "'"$work"'/set/$5"' sh_
    grep '^dup' "$work/plan.txt" | while read -r _ from to treatment; do
        # shellcheck disable=SC2086
        convert "$work/set/$from" $treatment "$work/set/$to"
    done
    echo "$total $planted" >"$work/done"
}
[ -f "$work/done" ] && [ "$(cat "$work/done")" = "$total $planted" ] || make_set
count=$(ls "$work/set" | wc -l)
[ "$count" -eq "$total" ] || { echo "the set has $count pictures, not $total" >&2; exit 1; }
