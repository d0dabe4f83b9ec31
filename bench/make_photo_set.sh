#!/bin/sh
# Builds a set of JPEG photographs of about 12 megapixels (4000 x 3000) from
# the wallpapers Debian installs (plasma-workspace-wallpapers,
# mate-backgrounds, desktop-base): each is cropped from a different region
# and re-encoded at quality 90. Usage: make_photo_set.sh DIR [COUNT]
# Files already there are kept, so a second run is quick.
set -eu
dir=$1
count=${2:-200}
mkdir -p "$dir"
sources=$(find /usr/share/wallpapers /usr/share/backgrounds /usr/share/images/desktop-base \
    \( -name '*.jpg' -o -name '*.png' \) -size +200k 2>/dev/null | sort)
[ -n "$sources" ] || { echo "no wallpapers installed (make deps)"; exit 1; }
n=$(echo "$sources" | wc -l)
gravities="center northwest southeast northeast southwest"
i=0
while [ $i -lt "$count" ]; do
    out="$dir/photo$(printf %03d $i).jpg"
    if [ ! -s "$out" ]; then
        src=$(echo "$sources" | sed -n "$((i % n + 1))p")
        g=$(echo $gravities | cut -d' ' -f$((i / n % 5 + 1)))
        convert "$src" -resize 4400x3300^ -gravity "$g" -crop 4000x3000+0+0 +repage \
            -quality 90 -sampling-factor 2x2 "$out"
    fi
    i=$((i + 1))
done
echo "$count photographs in $dir"
