#!/bin/sh
# Refreshes the desktop's caches of file types, menu entries and icons
# under PREFIX/share, with whichever of the tools is installed.
# Usage: desktop-caches.sh PREFIX
set -u
share="$1/share"
if command -v update-mime-database >/dev/null && [ -d "$share/mime" ]; then
    update-mime-database "$share/mime"
fi
if command -v update-desktop-database >/dev/null && [ -d "$share/applications" ]; then
    update-desktop-database -q "$share/applications"
fi
if command -v gtk-update-icon-cache >/dev/null && [ -f "$share/icons/hicolor/index.theme" ]; then
    gtk-update-icon-cache -q -t -f "$share/icons/hicolor"
fi
exit 0
