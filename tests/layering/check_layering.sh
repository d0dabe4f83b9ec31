#!/bin/sh
# Fails when a folder of src/ includes from a folder it may not use, when a
# core folder includes a Qt header, or when code outside the user-interface
# folders includes a widgets or print-support header.
#
# Dependencies point down: core (common → image → processing, database →
# sheets), then render, platform, cli; the user interface above them. Each
# kind of window (image, contact sheet, and those to come) has its folder
# and reaches the application only through uiservices; no window folder
# includes another's, and none includes the application.
set -eu
src="$1/src"
qtinc="${2:-/usr/include/x86_64-linux-gnu/qt6}"
status=0

core="common image processing database sheets"
lower="$core render platform"
windows="imageui sheetsui slideui dbui scanui reviewui"

# The folders each folder may include from (besides itself).
allowed() {
    case "$1" in
    common) echo "" ;;
    image) echo "common" ;;
    processing) echo "common image" ;;
    database) echo "common image" ;;
    sheets) echo "common image database" ;;
    render) echo "$core" ;;
    platform) echo "$core render" ;;
    cli) echo "$lower" ;;
    uiservices) echo "$lower" ;;
    imageui | sheetsui | slideui | dbui | scanui | reviewui) echo "$lower uiservices" ;;
    app) echo "$lower uiservices $windows" ;;
    main) echo "app cli" ;;
    *) echo "?" ;;
    esac
}

for dir in "$src"/*/; do
    name=$(basename "$dir")
    ok=$(allowed "$name")
    if [ "$ok" = "?" ]; then
        echo "error: src/$name has no place in the layering; add it to $0" >&2
        status=1
        continue
    fi
    for used in $(grep -rhoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z]+/' "$dir" |
                  sed -E 's/.*"([a-z]+)\/$/\1/' | sort -u); do
        [ "$used" = "$name" ] && continue
        case " $ok " in *" $used "*) continue ;; esac
        grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"$used/" "$dir" >&2
        echo "error: src/$name may not include from src/$used" >&2
        status=1
    done
done

for dir in $core; do
    [ -d "$src/$dir" ] || continue
    if grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]Q' "$src/$dir"; then
        echo "error: Qt header included in core folder src/$dir" >&2
        status=1
    fi
done

# Header names of the widget and print-support modules.
names=$(ls "$qtinc/QtWidgets" "$qtinc/QtPrintSupport" 2>/dev/null | grep -E '^Q' | sort -u | tr '\n' '|' | sed 's/|$//')
if [ -z "$names" ]; then
    echo "error: Qt widget headers not found under $qtinc" >&2
    exit 1
fi
ui="app uiservices $windows"
for dir in "$src"/*/; do
    name=$(basename "$dir")
    case " $ui " in *" $name "*) continue ;; esac
    if grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"](QtWidgets/|QtPrintSupport/)?($names)(\.h)?[>\"]" "$dir"; then
        echo "error: widgets header included outside the user-interface layer in src/$name" >&2
        status=1
    fi
done
exit $status
