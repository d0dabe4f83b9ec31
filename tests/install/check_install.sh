#!/bin/sh
# Installs the build into a temporary prefix and checks what the desktop
# sees: a valid menu entry, and the file types of our files (and of the
# files whose extensions we share) as GIO resolves them with our types.
# Usage: check_install.sh BUILD_DIR
set -eu
build="$1"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
share="$tmp/prefix/share"
status=0

out=$(desktop-file-validate "$share/applications/pixadrome.desktop" 2>&1) || status=1
[ -z "$out" ] || { echo "desktop-file-validate: $out"; status=1; }
for size in 16x16 32x32 256x256 scalable; do
    ls "$share/icons/hicolor/$size/apps/pixadrome."* >/dev/null || status=1
done

update-mime-database "$share/mime" 2>/dev/null
cd "$tmp"
printf 'sheet\000\001' > a.pxc
printf 'pxf\000\001' > a.pxf
printf '\374\377\377\377\000\000' > ours.tfm       # a thumbnail format
printf '\000\021\000\006\000\000' > cmr10.tfm      # TeX font metrics
printf '\377\330\377\340\000\020JFIF\000' > a.jif
for pair in a.pxc=application/x-pixadrome-contactsheet a.pxf=image/x-pixadrome-pxf \
            ours.tfm=application/x-pixadrome-thumbnail-format cmr10.tfm=application/x-font-tex-tfm a.jif=image/jpeg; do
    file=${pair%%=*}
    want=${pair#*=}
    got=$(XDG_DATA_HOME="$tmp/none" XDG_DATA_DIRS="$share:/usr/share" gio info -a standard::content-type "$file" |
          sed -n 's/.*content-type: //p')
    [ "$got" = "$want" ] || { echo "$file: $got, expected $want"; status=1; }
done

# The installed front finds its two helpers, which stay off the PATH.
bin="$tmp/prefix/bin"
helpers=$(ls "$bin" | grep -c -- '-cli-' || true)
[ "$helpers" -eq 0 ] || { echo "helper programs installed on the PATH:" $(ls "$bin"); status=1; }
"$bin/pixadrome-cli" samples made >/dev/null || status=1
info=$("$bin/pixadrome-cli" info made/sample.png) || status=1
case $info in *"480	320"*) ;; *) echo "installed pixadrome-cli info: $info"; status=1 ;; esac
exit $status
