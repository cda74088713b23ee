#!/bin/sh
# Draws tensiova.ico (16 to 256 pixels) from the menu entry's SVG icon, with rsvg-convert and
# ImageMagick. The icon is committed; run this again only when the SVG changes.
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 16 24 32 48 64 256; do
    rsvg-convert -w $size -h $size ../org.tensiova.Tensiova.svg -o "$work/$size.png"
done
/usr/bin/convert "$work/16.png" "$work/24.png" "$work/32.png" "$work/48.png" "$work/64.png" \
    "$work/256.png" tensiova.ico
