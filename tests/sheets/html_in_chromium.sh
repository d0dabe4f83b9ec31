#!/bin/sh
# Exports a contact sheet of 20 photographs as a web page, opens it in
# headless Chromium and checks that every picture it links exists, that the
# browser loaded them all, and that the screenshot shows pictures.
# Usage: html_in_chromium.sh PIXADROME_CLI [KEEP_DIR]
# Exit 77 (skipped) without Chromium or photographs.
set -eu
cli=$1
chromium=$(command -v chromium || command -v chromium-browser || true)
[ -n "$chromium" ] || { echo "chromium is not installed"; exit 77; }
work=${2:-$(mktemp -d)}
mkdir -p "$work/photos" "$work/web"
[ -n "${2:-}" ] || trap 'rm -rf "$work"' EXIT

# Twenty photographs: the desktop wallpapers when installed, else pictures
# made from the built-in samples.
i=0
for f in $(find /usr/share/wallpapers /usr/share/backgrounds -name '*.jpg' 2>/dev/null | sort | head -n 20); do
    i=$((i + 1))
    "$cli" convert "$f" "$work/photos/photo$(printf %02d $i).jpg" --hint 800x800 >/dev/null
done
if [ $i -lt 20 ]; then
    "$cli" samples "$work/samples" >/dev/null
    while [ $i -lt 20 ]; do
        i=$((i + 1))
        "$cli" edit "$work/samples/sample.jpg" "$work/photos/photo$(printf %02d $i).jpg" "resize=$((100 + 10 * i))x$((80 + 7 * i))" >/dev/null
    done
fi

# The sheet's thumbnail cache stays in the work folder.
XDG_CACHE_HOME="$work/cache" "$cli" sheet "$work/photos" -o "$work/web/index.html" --size 1200x900 >/dev/null 2>&1

# Every picture the page shows and links exists.
missing=0
for src in $(grep -o 'SRC="[^"]*"' "$work/web/index.html" | sed 's/SRC="//; s/"$//') \
           $(grep -o 'href="[^"]*"' "$work/web/index.html" | sed 's/href="//; s/"$//'); do
    [ -f "$work/web/$src" ] || { echo "missing: $src"; missing=$((missing + 1)); }
done
count=$(grep -c '<IMG ' "$work/web/index.html" || true)
[ "$count" -eq 20 ] || { echo "expected 20 pictures, the page has $count"; exit 1; }
[ $missing -eq 0 ] || exit 1

# A browser that cannot start here (no namespaces, no shared memory) is
# no finding about the page.
flags="--headless --no-sandbox --disable-gpu --disable-dev-shm-usage"
# shellcheck disable=SC2086
if ! "$chromium" $flags --dump-dom about:blank 2>/dev/null | grep -qi '<html'; then
    echo "chromium does not run on this machine"
    exit 77
fi

# The browser loads the page and draws it.
# shellcheck disable=SC2086
dom=$("$chromium" $flags --allow-file-access-from-files --virtual-time-budget=5000 \
      --run-all-compositor-stages-before-draw --dump-dom "file://$work/web/index.html" 2>/dev/null)
echo "$dom" | grep -q 'GENERATOR' || { echo "the browser did not load the page"; exit 1; }
# shellcheck disable=SC2086
"$chromium" $flags --hide-scrollbars --window-size=1280,1400 \
    --screenshot="$work/screenshot.png" "file://$work/web/index.html" >/dev/null 2>&1
[ -s "$work/screenshot.png" ] || { echo "no screenshot"; exit 1; }
colours=$(identify -format '%k' "$work/screenshot.png" 2>/dev/null || echo 0)
echo "screenshot: $work/screenshot.png ($colours colours)"
# Photographs bring thousands of colours; a page of broken images a handful.
[ "$colours" -gt 2000 ] || { echo "the screenshot shows no pictures"; exit 1; }
