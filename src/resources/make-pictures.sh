#!/bin/sh
# Draws the splash photograph (704 x 338, and 1408 x 676 for screens at twice the density) and the
# button picture (107 x 27, and 214 x 54) with ImageMagick. The pictures are committed; run this
# again only to change them. In formats Qt reads without a plugin (a JPEG or a GIF on the way to the
# first window would load every image plugin and its libraries first): the button in PNG, the
# photograph as raw PPM, which Qt reads in a sixth of the time of a PNG (the resources and git
# compress it as well).
set -eu
cd "$(dirname "$0")"
IM=/usr/bin/convert

# n S: n scaled by S, rounded.
s() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%d", n * s + 0.5 }'; }

# Splash: an oscilloscope screen with a grid, a sine trace, a logic trace and a caption.
splash() {
    k=$1 out=$2
    wave="" back="" x=20
    while [ $x -le 684 ]; do
        y=$(awk -v x=$x -v k=$k 'BEGIN { printf "%d", (100 - 55 * sin((x - 20) / 52.0)) * k }')
        px=$(s $x $k)
        if [ -z "$wave" ]; then wave="M $px,$y"; else wave="$wave L $px,$y"; back="L $px,$y $back"; fi
        x=$((x + 4))
    done
    # ImageMagick closes an open path with a straight stroke: walk back along it so that stroke is empty.
    wave="$wave $back"
    grid=""
    for gy in 20 60 100 140 180 220; do grid="$grid line $(s 20 $k),$(s $gy $k) $(s 684 $k),$(s $gy $k)"; done
    for gx in 20 103 186 269 352 435 518 601 684; do grid="$grid line $(s $gx $k),$(s 20 $k) $(s $gx $k),$(s 220 $k)"; done
    logic=""
    for step in "M 20,210" "H 100" "V 175" "H 230" "V 210" "H 360" "V 175" "H 520" "V 210" "H 684" \
                "H 520" "V 175" "H 360" "V 210" "H 230" "V 175" "H 100" "V 210"; do
        set -- $step
        case $1 in
            M) logic="M $(s ${2%,*} $k),$(s ${2#*,} $k)" ;;
            *) logic="$logic $1 $(s $2 $k)" ;;
        esac
    done
    $IM -size "$(s 704 $k)x$(s 338 $k)" gradient:'#06182f'-'#123e6e' \
        -fill none -stroke '#2b5d8f' -strokewidth "$k" -draw "$grid" \
        -stroke '#7CFC9A' -strokewidth "$(s 3 $k)" -draw "fill-opacity 0 path '$wave'" \
        -stroke '#ffd34d' -strokewidth "$(s 2 $k)" -draw "stroke-linejoin round fill-opacity 0 path '$logic Z'" \
        -stroke none -fill '#ffffff' -font DejaVu-Sans-Bold -pointsize "$(s 28 $k)" \
        -annotate "+$(s 24 $k)+$(s 256 $k)" 'Tensiova' \
        -fill '#a9c7ec' -font DejaVu-Sans -pointsize "$(s 13 $k)" \
        -annotate "+$(s 26 $k)+$(s 278 $k)" '8 voies analogiques  -  8 voies logiques' \
        "$out"
}

# Button: a soft raised plate light enough for a black caption.
button() {
    k=$1 out=$2
    $IM -size "$(s 107 $k)x$(s 27 $k)" gradient:'#f4f8fd'-'#c9d9ee' \
        -fill none -stroke '#7f9cc4' -strokewidth "$k" \
        -draw "roundrectangle 0,0 $(s 106 $k),$(s 26 $k) $(s 4 $k),$(s 4 $k)" \
        -stroke '#ffffff' -draw "line $(s 3 $k),$(s 2 $k) $(s 103 $k),$(s 2 $k)" \
        "$out"
}

splash 1 splash.ppm
splash 2 splash@2x.ppm
button 1 button.png
button 2 button@2x.png
