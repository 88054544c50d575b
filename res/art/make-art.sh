#!/usr/bin/env bash
# Draws the wizard's artwork with ImageMagick (shapes and gradients only, no
# fonts, so the output depends on nothing but ImageMagick itself):
#   side.bmp       160 x 280, left picture of the welcome and finish pages
#   header.bmp      48 x 48,  picture at the right of the header band
#   setup.ico       the setup program's icon (48, 32, 16)
#   folder.ico      destination folder page (32 only: the page shows it at
#                   the standard icon size, the wizard knows no other DPI)
#   startmenu.ico   Start Menu folder page (the same)
# The two pictures are 256-colour bitmaps, run-length compressed (a format
# every Windows loads), without dithering, whose noise would break the runs:
# the side picture's gradient runs from top to bottom, so that each row is
# a handful of runs; it is 7 KB instead of 46 KB in the setup.
# Run from anywhere; the files are written beside this script and committed.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Deterministic output: no time stamps, no comments.
im() { convert "$@"; }
strip_opts=(-strip -define bmp:format=bmp3 +set date:create +set date:modify)
picture_opts=(+dither -colors 256 -type Palette -compress RLE "${strip_opts[@]}")

# The product's emblem: a rounded tile with a deep-blue to teal gradient and a
# white "V" chevron over two faint rings, drawn at 192 px.
im -size 300x300 gradient:'#1f3a68'-'#22a39a' -background '#1f3a68' -rotate -35 +repage -gravity center -crop 192x192+0+0 +repage \
   "$work/tile-fill.miff"
im -size 192x192 xc:none -fill white -draw "roundrectangle 8,8 183,183 36,36" "$work/tile-mask.miff"
im "$work/tile-fill.miff" "$work/tile-mask.miff" -alpha off -compose CopyOpacity -composite \
   -fill none -stroke 'rgba(255,255,255,0.22)' -strokewidth 6 \
   -draw "circle 96,104 96,40" -draw "circle 96,104 96,62" \
   -stroke none -fill white \
   -draw "polygon 44,52 76,52 96,118 116,52 148,52 108,152 84,152" \
   "$work/emblem.miff"

# Setup icon.
for s in 48 32 16; do
  im "$work/emblem.miff" -filter Lanczos -resize ${s}x${s} "$work/setup-$s.miff"
done
im "$work/setup-48.miff" "$work/setup-32.miff" "$work/setup-16.miff" -strip setup.ico

# Header picture: the emblem on the header band's white, inset a little.
im -size 48x48 xc:white \( "$work/emblem.miff" -filter Lanczos -resize 40x40 \) \
   -gravity center -composite -alpha off "${picture_opts[@]}" BMP3:header.bmp

# A folder drawn at 192 px: back flap, front body, with an overlay mark.
folder() {  # folder <output> <overlay draw arguments...>
  local out=$1
  shift
  im -size 192x192 xc:none \
     -fill '#c98a1b' -draw "roundrectangle 14,40 90,80 10,10" \
     -fill '#e0a53a' -draw "roundrectangle 14,58 178,170 12,12" \
     -fill '#f2c45f' -draw "roundrectangle 14,76 178,170 12,12" \
     "$@" "$out"
}
# Destination: the emblem's chevron on the folder.
folder "$work/folder.miff" \
   -fill '#1f3a68' -draw "polygon 64,92 86,92 96,130 106,92 128,92 104,156 88,156"
# Start Menu: a grid of four program tiles on the folder.
folder "$work/startmenu.miff" \
   -fill '#1f3a68' -draw "roundrectangle 62,92 92,120 5,5" -draw "roundrectangle 100,92 130,120 5,5" \
   -fill '#22a39a' -draw "roundrectangle 62,128 92,156 5,5" -draw "roundrectangle 100,128 130,156 5,5"
for name in folder startmenu; do
  im "$work/$name.miff" -filter Lanczos -resize 32x32 -strip $name.ico
done

# Side picture: the tall gradient, teal at the top to deep blue at the
# bottom, with large faint rings and the chevron low, leaving the upper part
# calm.
im -size 160x280 gradient:'#1f8f88'-'#17305a' "$work/side-fill.miff"
im "$work/side-fill.miff" \
   -fill none -stroke 'rgba(255,255,255,0.10)' -strokewidth 10 \
   -draw "circle 80,190 80,90" -draw "circle 80,190 80,130" \
   -stroke 'rgba(255,255,255,0.18)' -strokewidth 4 -draw "circle 80,190 80,160" \
   -stroke none -fill 'rgba(255,255,255,0.92)' \
   -draw "polygon 46,160 66,160 80,206 94,160 114,160 88,232 72,232" \
   -fill 'rgba(255,255,255,0.35)' -draw "rectangle 0,264 160,266" \
   -alpha off "${picture_opts[@]}" BMP3:side.bmp
