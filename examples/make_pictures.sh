#!/usr/bin/env bash
# Draws the sample catalog's product pictures: one JPEG per product, a plain package in its brand's
# colour with the description and part number on it, at 8 pixels per centimetre of the product.
# Usage: make_pictures.sh <catalog.ctf> <output folder>
set -euo pipefail
catalog=$1
out=$2
mkdir -p "$out"
convert=/usr/bin/convert

colour_of() {
    case "$1" in
    Sunkern) echo '#d35400' ;;
    Meadowbrook) echo '#27ae60' ;;
    "Harvest Table") echo '#c0392b' ;;
    "Orchard Cove") echo '#f1c40f' ;;
    Brookside) echo '#2980b9' ;;
    Crunchwell) echo '#8e44ad' ;;
    *) echo '#16a085' ;;
    esac
}

# Product lines are "r<n>=" followed by tab-separated fields: number, part, description, picture,
# width, height, depth, cost, sale, peg x, peg y, category, brand, units sold, inventory, minimum inventory.
tr -d '\r' <"$catalog" | grep -E '^r[0-9]+=' | while IFS=$'\t' read -r number part description picture width height depth _ _ _ _ category brand _; do
    w=$((width * 8))
    h=$((height * 8))
    colour=$(colour_of "$brand")
    size=$(( (w < h ? w : h) / 7 ))
    [ "$size" -lt 8 ] && size=8
    "$convert" -size "${w}x${h}" "xc:$colour" \
        -fill white -draw "roundrectangle $((w / 12)),$((h * 3 / 10)) $((w - w / 12)),$((h * 7 / 10)) $((w / 16)),$((w / 16))" \
        -fill '#222222' -font Liberation-Sans-Bold -pointsize "$size" -gravity center \
        -annotate "+0-$((size / 2 + 1))" "${description%% [0-9]*}" \
        -fill "$colour" -annotate "+0+$((size * 3 / 4))" "$part" \
        -fill white -font Liberation-Sans -pointsize "$size" -gravity north -annotate "+0+$((h / 14))" "$brand" \
        -fill '#00000030' -draw "rectangle 0,$((h - h / 10)) $w,$h" \
        -quality 85 "$out/$picture"
done
