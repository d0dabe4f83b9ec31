#!/bin/sh
# Fails when a core folder includes a Qt header, or when code outside the
# user-interface folders includes a widgets or print-support header.
set -eu
src="$1/src"
qtinc="${2:-/usr/include/x86_64-linux-gnu/qt6}"
status=0

core="common image processing database sheets"
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
ui="app view sheetsui dbui"
for dir in "$src"/*/; do
    name=$(basename "$dir")
    case " $ui " in *" $name "*) continue ;; esac
    if grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"](QtWidgets/|QtPrintSupport/)?($names)(\.h)?[>\"]" "$dir"; then
        echo "error: widgets header included outside the user-interface layer in src/$name" >&2
        status=1
    fi
done
exit $status
