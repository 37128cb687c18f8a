#!/usr/bin/env bash
# Draws resources/lumo.ico (a note on a blue rounded square) with ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/../resources"
convert -size 256x256 xc:none -fill '#2E6BE6' -draw 'roundrectangle 8,8 248,248 48,48' \
  -fill white -draw 'circle 100,180 100,214' -draw 'rectangle 122,52 140,180' \
  -draw 'polygon 140,52 200,72 200,104 140,84' \
  \( -clone 0 -resize 16x16 \) \( -clone 0 -resize 32x32 \) \( -clone 0 -resize 48x48 \) \
  \( -clone 0 -resize 64x64 \) lumo.ico
