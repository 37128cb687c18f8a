#!/usr/bin/env bash
# Draws the toolbar button glyphs as white-on-transparent PNGs at the sizes the window
# picks from (16 px at 100 % DPI up to 48 px at 300 %), and writes resources/ui/ui.rc
# listing them. The window tints them to the theme's text colour when it draws them.
# Shapes are vectors on a 16 x 16 grid, so every size is drawn, not scaled from another.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$here/resources/ui
mkdir -p "$out"
rm -f "$out"/*.png

sizes=(16 20 24 32 40 48)
# name|resource base id|layers separated by ";": "fill:PRIMITIVES" draws filled shapes,
# "stroke W:PRIMITIVES" outlines of width W (grid units).
glyphs=(
  "play|1000|fill:polygon 4,2 14,8 4,14"
  "pause|1100|fill:rectangle 3.5,2.5 6.5,13.5 rectangle 9.5,2.5 12.5,13.5"
  "volume|1200|fill:polygon 1.5,5.5 4.5,5.5 8.5,2 8.5,14 4.5,10.5 1.5,10.5;stroke 1.4:path 'M 10.5,5.5 A 3.5,3.5 0 0 1 10.5,10.5' path 'M 12.5,3 A 6.5,6.5 0 0 1 12.5,13'"
  "rewind|1300|fill:polygon 8,3 1,8 8,13 polygon 15,3 8,8 15,13"
  "fastforward|1400|fill:polygon 1,3 8,8 1,13 polygon 8,3 15,8 8,13"
  "repeat|1500|stroke 1.6:path 'M 3,8 A 5,5 0 0 1 11.2,4.2' path 'M 13,8 A 5,5 0 0 1 4.8,11.8';fill:polygon 13.6,2.2 13.4,7 9,5.2 polygon 2.4,13.8 2.6,9 7,10.8"
  "fullscreen|1600|stroke 1.6:polyline 2,6 2,2 6,2 polyline 10,2 14,2 14,6 polyline 14,10 14,14 10,14 polyline 6,14 2,14 2,10"
  "menu|1700|fill:roundrectangle 2,3 14,4.8 0.8,0.8 roundrectangle 2,7.1 14,8.9 0.8,0.8 roundrectangle 2,11.2 14,13 0.8,0.8"
  "back|1800|stroke 1.8:polyline 8,3 3,8 8,13 line 3.5,8 13.5,8"
  "forward|1900|stroke 1.8:polyline 8,3 13,8 8,13 line 2.5,8 12.5,8"
)

rc=$out/ui.rc
{
  echo "// Made by scripts/make-button-images.sh: toolbar glyphs, id = base + size index."
  for g in "${glyphs[@]}"; do
    IFS='|' read -r name base layers <<<"$g"
    for i in "${!sizes[@]}"; do
      s=${sizes[$i]}
      scale=$(awk "BEGIN{print $s/16}")
      args=()
      IFS=';' read -ra parts <<<"$layers"
      for part in "${parts[@]}"; do
        mode=${part%%:*}
        prims=${part#*:}
        if [ "$mode" = fill ]; then
          args+=(-fill white -stroke none)
        else
          args+=(-fill none -stroke white -strokewidth "${mode#stroke }")
        fi
        args+=(-draw "affine $scale,0,0,$scale,0,0 stroke-linecap round stroke-linejoin round $prims")
      done
      convert -size "${s}x${s}" xc:none "${args[@]}" \
        -define png:exclude-chunks=date,time +set date:create +set date:modify \
        "PNG32:$out/${name}_${s}.png"
      echo "$((base + i)) RCDATA \"${name}_${s}.png\""
    done
  done
} >"$rc"
echo "wrote $(ls "$out"/*.png | wc -l) images and $rc"
