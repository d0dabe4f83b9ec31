#!/bin/sh
# The viewer as a native Wayland client of a headless Weston (drawing with
# pixman), looked at through Weston's screenshooter at a scale factor of
# 1 or 2:
#   - a picture larger than its window opens fitted: both halves of a
#     red|blue picture show, in equal measure;
#   - a second start on the same display hands its folder to the first,
#     which opens it as a sheet window (green and magenta thumbnails);
#   - a folder shown as a slide show in full screen fills the screen, its
#     controls drawn along the top.
# Screenshots are kept in the folder named by PIX_SHOTS, when set.
# Usage: wayland_session.sh PIXADROME [SCALE]
set -u
program=$1
scale=${2:-1}
work=$(mktemp -d)
pids=
trap 'kill $pids 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; tail -20 "$work/weston.log"; exit 1; }

mkdir -p "$work/run" "$work/home" "$work/big" "$work/sheet" "$work/shots"
chmod 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
export XDG_DATA_HOME="$work/home/.local/share" XDG_CACHE_HOME="$work/home/.cache"
unset DISPLAY

# Pictures whose colours the screenshots are searched for.
convert -size 1200x1600 xc:red xc:blue +append BMP3:"$work/big/halves.bmp"
convert -size 400x300 xc:lime BMP3:"$work/sheet/green.bmp"
convert -size 400x300 xc:magenta BMP3:"$work/sheet/magenta.bmp"

weston --backend=headless-backend.so --use-pixman --width=1280 --height=960 --socket=pix-wayland \
    --idle-time=0 --debug >"$work/weston.log" 2>&1 &
pids=$!
for i in $(seq 100); do [ -S "$work/run/pix-wayland" ] && break; sleep 0.1; done
export WAYLAND_DISPLAY=pix-wayland QT_QPA_PLATFORM=wayland QT_SCALE_FACTOR=$scale

# The pixels of the last screenshot within 10 % of a colour, and the dark
# ones (icons, text) along its top.
count() { convert "$work/shot.png" -fuzz 10% -fill black +opaque "$1" -fill white -opaque "$1" \
    -format '%[fx:round(mean*w*h)]' info:; }
dark_on_top() { convert "$work/shot.png" -crop "1280x$((12 * scale))+0+$((2 * scale))" -colorspace gray \
    -threshold 50% -negate -format '%[fx:round(mean*w*h)]' info:; }

# Takes screenshots until check (a shell condition over the counts) holds,
# for at most 45 s; the last one is kept in PIX_SHOTS.
shoot_until() {
    for try in $(seq 90); do
        rm -f "$work/shots/"*.png
        (cd "$work/shots" && weston-screenshooter >/dev/null 2>&1) && mv "$work/shots/"*.png "$work/shot.png" &&
            red=$(count red) && blue=$(count blue) && green=$(count lime) && magenta=$(count magenta) &&
            eval "$2" && break
        sleep 0.5
    done
    seen="$1: red=$red blue=$blue green=$green magenta=$magenta"
    [ -n "${PIX_SHOTS:-}" ] && mkdir -p "$PIX_SHOTS" && cp "$work/shot.png" "$PIX_SHOTS/wayland-x$scale-$1.png"
    eval "$2" || fail "$seen"
    echo "$seen"
}

red=0 blue=0 green=0 magenta=0
"$program" "$work/big/halves.bmp" >"$work/viewer.log" 2>&1 &
viewer=$!; pids="$pids $viewer"
# Fitted: both halves, neither much larger than the other.
shoot_until fitted '[ "$red" -gt 40000 ] && [ "$blue" -gt 40000 ] &&
    [ $((red * 10)) -lt $((blue * 11)) ] && [ $((blue * 10)) -lt $((red * 11)) ]'

"$program" "$work/sheet" >"$work/second.log" 2>&1 || fail "the second start failed: $(cat "$work/second.log")"
shoot_until sheet '[ "$green" -gt 400 ] && [ "$magenta" -gt 400 ]'
kill "$viewer"; wait "$viewer" 2>/dev/null

"$program" -s -f "$work/big" >"$work/viewer.log" 2>&1 &
pids="$pids $!"
# 2400 x 1600 fitted to 1280 x 960 covers 1280 x 853 of the screen.
shoot_until slideshow '[ $((red + blue)) -gt 1000000 ] && [ "$(dark_on_top)" -gt 100 ]'
echo "ok"
