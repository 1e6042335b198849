#!/usr/bin/env bash
# Draws the program's icon at 256, 32 and 16 pixels with ImageMagick: a red-orange film tile
# with a play sign and a small downward arrow for what it harvests. The small sizes are drawn
# afresh, not shrunk, so their lines stay sharp.
set -euo pipefail
cd "$(dirname "$0")"

draw() {
    local size=$1 out=$2
    local s=$size
    local r=$((s * 20 / 100)) m=$((s * 3 / 100))
    local holes=""
    if [ "$s" -ge 24 ]; then
        local h=$((s * 8 / 100)) i y
        for i in 0 1 2 3; do
            y=$((s * (20 + 18 * i) / 100))
            holes+=" roundrectangle $((s * 10 / 100)),$y $((s * 10 / 100 + h)),$((y + h)) 2,2"
            holes+=" roundrectangle $((s * 82 / 100)),$y $((s * 82 / 100 + h)),$((y + h)) 2,2"
        done
    fi
    convert -size "${s}x${s}" xc:none \
        \( -size "${s}x${s}" gradient:'#FF9A3C-#B0101E' \) \
        \( -size "${s}x${s}" xc:none -fill white \
           -draw "roundrectangle $m,$m $((s - m - 1)),$((s - m - 1)) $r,$r" \) \
        -compose over -delete 0 -compose copy_opacity -composite \
        -fill 'rgba(58,5,10,0.8)' -draw "${holes:-point -1,-1}" \
        -fill white -draw "polygon $((s * 34 / 100)),$((s * 22 / 100)) $((s * 70 / 100)),$((s * 45 / 100)) $((s * 34 / 100)),$((s * 68 / 100))" \
        -fill '#FFE08A' -draw "polygon $((s * 40 / 100)),$((s * 74 / 100)) $((s * 60 / 100)),$((s * 74 / 100)) $((s * 50 / 100)),$((s * 92 / 100))" \
        -depth 8 -strip "$out"
}

draw 256 clipharvester-256.png
draw 32 clipharvester-32.png
draw 16 clipharvester-16.png
