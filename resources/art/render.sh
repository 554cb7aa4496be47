#!/bin/sh
# Regenerate the toolbar button PNGs in resources/ from the SVGs beside this script.
set -e
here=$(cd "$(dirname "$0")" && pwd)
out="$here/.."
render() { # name width height
    rsvg-convert -w "$2" -h "$3" -f png -o "$out/$1.png" "$here/$1.svg"
}
render NavBackButton               27 23
render NavBackButtonPushed2        27 23
render NavForwardButton2           27 23
render NavForwardButtonPushed2     27 23
render ToolbarHomepageButton       28 23
render ToolbarHomepageButtonPushed 28 23
