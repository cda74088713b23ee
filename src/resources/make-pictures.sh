#!/bin/sh
# Draws the splash photograph (704 x 338 JPEG) and the button picture (107 x 27 GIF) with
# ImageMagick. The pictures are committed; run this again only to change them.
set -eu
cd "$(dirname "$0")"
IM=/usr/bin/convert

# Splash: an oscilloscope screen with a grid, a sine trace, a logic trace and a caption.
wave=""
back=""
x=20
while [ $x -le 684 ]; do
    y=$(awk -v x=$x 'BEGIN { printf "%d", 100 - 55 * sin((x - 20) / 52.0) }')
    if [ -z "$wave" ]; then wave="M $x,$y"; else wave="$wave L $x,$y"; back="L $x,$y $back"; fi
    x=$((x + 4))
done
# ImageMagick closes an open path with a straight stroke: walk back along it so that stroke is empty.
wave="$wave $back"
grid=""
for gy in 20 60 100 140 180 220; do grid="$grid line 20,$gy 684,$gy"; done
for gx in 20 103 186 269 352 435 518 601 684; do grid="$grid line $gx,20 $gx,220"; done
$IM -size 704x338 gradient:'#06182f'-'#123e6e' \
    -fill none -stroke '#2b5d8f' -strokewidth 1 -draw "$grid" \
    -stroke '#7CFC9A' -strokewidth 3 -draw "fill-opacity 0 path '$wave'" \
    -stroke '#ffd34d' -strokewidth 2 \
    -draw "fill-opacity 0 path 'M 20,210 H 100 V 175 H 230 V 210 H 360 V 175 H 520 V 210 H 684 H 520 V 175 H 360 V 210 H 230 V 175 H 100 V 210 Z'" \
    -stroke none -fill '#ffffff' -font DejaVu-Sans-Bold -pointsize 28 -annotate +24+256 'Tensiova' \
    -fill '#a9c7ec' -font DejaVu-Sans -pointsize 13 -annotate +26+278 '8 voies analogiques  -  8 voies logiques' \
    -quality 90 splash.jpg

# Button: a soft raised plate light enough for a black caption.
$IM -size 107x27 gradient:'#f4f8fd'-'#c9d9ee' \
    -fill none -stroke '#7f9cc4' -draw "roundrectangle 0,0 106,26 4,4" \
    -stroke '#ffffff' -draw "line 3,2 103,2" \
    button.gif
