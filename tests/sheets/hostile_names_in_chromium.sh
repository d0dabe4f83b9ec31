#!/bin/sh
# Exports a sheet of pictures whose names hold markup, quotes, a scheme,
# "%", "#", "?", a newline and non-ASCII letters as a web page, opens it in
# headless Chromium (the browser's own parser) and checks that no script
# from a name runs, that every item is one picture and one link, that each
# link leads to its file and that each name shows as text.
# Usage: hostile_names_in_chromium.sh PIXADROME_CLI
# Exit 77 (skipped) without a Chromium that runs here.
set -eu
cli=$1
chromium=$(command -v chromium || command -v chromium-browser || true)
[ -n "$chromium" ] || { echo "chromium is not installed"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/photos" "$work/web"
"$cli" samples "$work/samples" >/dev/null

hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
names_js="$work/web/names.js"
printf 'const PHOTOS = "%s";\nconst NAMES = [' "$(hex "$work/photos/")" >"$names_js"
add() {
    cp "$work/samples/sample.png" "$work/photos/$1"
    printf '"%s",' "$(hex "$1")" >>"$names_js"
}
add '<img src=x onerror=top.pwned=1>.png'
add '<svg onload=top.pwned=2>.png'
add '<img src=x onerror=document.title=String.fromCharCode(112,119,110,101,100)>.png'
add 'javascript:top.pwned=3;.png'
add "a\"b&c'd.png"
add '50% #1?.png'
add "$(printf 'new\nline.png')"
add "$(printf '\303\251t\303\251 \346\227\245.png')"
add 'plain name-1_x.png'
printf '];\n' >>"$names_js"

XDG_CACHE_HOME="$work/cache" "$cli" sheet "$work/photos" -o "$work/web/index.html" --size 1200x900 >/dev/null 2>&1

cat >"$work/web/check.html" <<'PAGE'
<html><head><title>waiting</title><script src="names.js"></script></head><body>
<iframe id="f" src="index.html" width="1200" height="900"></iframe>
<script>
function text(h) {
  const b = new Uint8Array(h.length / 2);
  for (let i = 0; i < b.length; i++) b[i] = parseInt(h.substr(2 * i, 2), 16);
  return new TextDecoder().decode(b);
}
function check() {
  const names = NAMES.map(text), folder = text(PHOTOS), problems = [];
  if (window.pwned) problems.push("a name ran script " + window.pwned);
  const d = document.getElementById("f").contentDocument;
  if (!d) { document.title = "VERDICT no access to the page"; return; }
  if (d.title === "pwned") problems.push("a name changed the page's title");
  const cells = d.querySelectorAll("td"), linked = [];
  if (cells.length !== names.length) problems.push(cells.length + " cells");
  cells.forEach((td, i) => {
    const a = td.querySelectorAll("a"), img = td.querySelectorAll("img");
    if (a.length !== 1 || img.length !== 1) problems.push("cell " + i + ": " + a.length + " links, " + img.length + " pictures");
    if (a.length) {
      const url = new URL(a[0].href);
      if (url.protocol !== "file:") problems.push("a link to " + url.protocol);
      try { linked.push(decodeURIComponent(url.pathname)); } catch (e) { problems.push("a link that is no URL: " + a[0].getAttribute("href")); }
    }
    if (img.length && !(img[0].complete && img[0].naturalWidth > 0)) problems.push("picture " + i + " did not load");
  });
  const shown = d.body.textContent;
  for (const name of names) {
    if (!linked.includes(folder + name)) problems.push("no link to " + JSON.stringify(name));
    for (const part of name.split("\n"))
      if (!shown.includes(part)) problems.push("no text " + JSON.stringify(part));
  }
  document.title = problems.length ? "VERDICT " + problems.join("; ") : "VERDICT OK";
}
document.getElementById("f").onload = () => setTimeout(() => {
  try { check(); } catch (e) { document.title = "VERDICT the page broke the check: " + e; }
}, 300);
</script></body></html>
PAGE

flags="--headless --no-sandbox --disable-gpu --disable-dev-shm-usage --no-first-run --disable-background-networking --disable-component-update --disable-sync --user-data-dir=$work/profile"
# shellcheck disable=SC2086
if ! "$chromium" $flags --dump-dom about:blank 2>/dev/null | grep -qi '<html'; then
    echo "chromium does not run on this machine"
    exit 77
fi
# shellcheck disable=SC2086
dom=$("$chromium" $flags --allow-file-access-from-files --virtual-time-budget=10000 \
      --dump-dom "file://$work/web/check.html" 2>/dev/null)
verdict=$(printf '%s' "$dom" | grep -o '<title>VERDICT[^<]*</title>' || true)
echo "${verdict:-no verdict: the check did not run}"
case "$verdict" in
*"VERDICT OK"*) exit 0 ;;
*) exit 1 ;;
esac
