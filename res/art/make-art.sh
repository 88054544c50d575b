#!/usr/bin/env bash
# Draws the wizard's artwork with ImageMagick (shapes and gradients only, no
# fonts, so the output depends on nothing but ImageMagick itself):
#   side.bmp       160 x 280, left picture of the welcome and finish pages
#   header.bmp      48 x 48,  picture at the right of the header band
#   setup.ico       the setup program's icon (48, 32, 16)
#   folder.ico      destination folder page (32, the size at 96 DPI)
#   startmenu.ico   Start Menu folder page (the same)
# and for the display scales above 100 % (125, 150 and 200 %), zlib streams
# of bitmaps that the setup unpacks and draws for the page's DPI:
#   side-125.z ...  the side picture at that scale, 48 colours; the picture
#                   is symmetric, so only its left half is kept (the setup
#                   mirrors it)
#   header-125.z    the header picture at that scale, 48 colours
#   folder-64.z     the two folder icons at 64 px with their alpha channel
#   startmenu-64.z  (32-bit); smaller sizes are filtered down from them
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
# A zlib stream of a bitmap file (the setup inflates the art the way it
# inflates its package), its palette cut to the colours the pixels use.
deflate() {
  python3 - "$1" "$2" <<'PY'
import struct, sys, zlib
data = bytearray(open(sys.argv[1], "rb").read())
offset, header, bits = struct.unpack_from("<I", data, 10)[0], struct.unpack_from("<I", data, 14)[0], data[28]
if bits == 8:
    pixels = data[offset:]
    used = max(pixels) + 1
    palette = data[14 + header:14 + header + used * 4]
    data = data[:14 + header] + palette + pixels
    struct.pack_into("<I", data, 2, len(data))
    struct.pack_into("<I", data, 10, 14 + header + len(palette))
    struct.pack_into("<I", data, 46, used)
open(sys.argv[2], "wb").write(zlib.compress(bytes(data), 9))
PY
}
# The scales above 100 %, in per cent.
scales=(125 150 200)
# <value> scaled to <per cent>, for drawing coordinates.
at() { awk -v v="$1" -v p="$2" 'BEGIN { printf "%g", v * p / 100 }'; }
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
scaled_opts=(+dither -colors 48 -type Palette -compress None "${strip_opts[@]}")
for p in "${scales[@]}"; do
  s=$((48 * p / 100)) e=$((40 * p / 100))
  im -size ${s}x${s} xc:white \( "$work/emblem.miff" -filter Lanczos -resize ${e}x${e} \) \
     -gravity center -composite -alpha off "${scaled_opts[@]}" "BMP3:$work/header-$p.bmp"
  deflate "$work/header-$p.bmp" header-$p.z
done

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
  im "$work/$name.miff" -filter Lanczos -resize 64x64 "${strip_opts[@]}" -define bmp:format=bmp4 \
     "BMP:$work/$name-64.bmp"
  deflate "$work/$name-64.bmp" $name-64.z
done

# Side picture: the tall gradient, teal at the top to deep blue at the
# bottom, with large faint rings and the chevron low, leaving the upper part
# calm. side <per cent> <output> <options...>
side() {
  local p=$1 out=$2
  shift 2
  im -size "$(at 160 $p)x$(at 280 $p)" gradient:'#1f8f88'-'#17305a' "$work/side-fill.miff"
  im "$work/side-fill.miff" \
     -fill none -stroke 'rgba(255,255,255,0.10)' -strokewidth "$(at 10 $p)" \
     -draw "circle $(at 80 $p),$(at 190 $p) $(at 80 $p),$(at 90 $p)" \
     -draw "circle $(at 80 $p),$(at 190 $p) $(at 80 $p),$(at 130 $p)" \
     -stroke 'rgba(255,255,255,0.18)' -strokewidth "$(at 4 $p)" \
     -draw "circle $(at 80 $p),$(at 190 $p) $(at 80 $p),$(at 160 $p)" \
     -stroke none -fill 'rgba(255,255,255,0.92)' \
     -draw "polygon $(at 46 $p),$(at 160 $p) $(at 66 $p),$(at 160 $p) $(at 80 $p),$(at 206 $p) $(at 94 $p),$(at 160 $p) $(at 114 $p),$(at 160 $p) $(at 88 $p),$(at 232 $p) $(at 72 $p),$(at 232 $p)" \
     -fill 'rgba(255,255,255,0.35)' -draw "rectangle 0,$(at 264 $p) $(at 160 $p),$(at 266 $p)" \
     -alpha off "$@" "$out"
}
side 100 BMP3:side.bmp "${picture_opts[@]}"
for p in "${scales[@]}"; do
  side $p "$work/side-$p.miff"
  im "$work/side-$p.miff" -crop "$(at 80 $p)x$(at 280 $p)+0+0" +repage "${scaled_opts[@]}" "BMP3:$work/side-$p.bmp"
  deflate "$work/side-$p.bmp" side-$p.z
done
