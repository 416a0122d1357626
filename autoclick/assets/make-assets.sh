#!/bin/sh
# Regenerates the program's artwork (committed next to this script) and the
# control's toolbox bitmap. Needs ImageMagick (convert) and python3.
#   background.jpg  645x294 JPEG, dark blue so the white labels stay readable
#   tapvane.ico     one 64x64 image, 24 bits per pixel, with a 1-bit mask
#   toolbox.bmp     16x15, 24 bits per pixel, uncompressed BMP3 (clock glyph)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert -size 645x294 gradient:'#0a1f4d'-'#1d5cb0' \
  \( -size 645x294 xc:none \
     -fill 'rgba(90,160,255,0.35)' -draw 'circle 520,60 520,190' \
     -fill 'rgba(120,190,255,0.25)' -draw 'circle 110,250 110,390' \
     -fill 'rgba(60,120,230,0.30)' -draw 'circle 330,120 330,200' \
     -fill 'rgba(200,230,255,0.18)' -draw 'circle 200,40 200,85' \
     -blur 0x28 \) -composite \
  \( -size 645x294 xc:none -fill none \
     -stroke 'rgba(180,215,255,0.22)' -strokewidth 3 \
     -draw 'bezier 0,210 160,120 330,260 645,140' \
     -stroke 'rgba(180,215,255,0.14)' -strokewidth 2 \
     -draw 'bezier 0,240 200,160 360,290 645,175' -blur 0x1.5 \) -composite \
  -alpha off -strip -quality 90 -sampling-factor 4:2:0 "JPEG:$here/background.jpg"

# Icon: a blue rounded tile, a white clock face and a pointer arrow.
convert -size 64x64 xc:none \
  -fill '#1d5cb0' -stroke '#0a1f4d' -strokewidth 2 -draw 'roundrectangle 1,1 62,62 12,12' \
  -fill white -stroke '#0a1f4d' -strokewidth 2 -draw 'circle 28,28 28,8' \
  -stroke '#0a1f4d' -strokewidth 3 -draw 'line 28,28 28,14' -draw 'line 28,28 38,28' \
  -fill '#e03030' -stroke none -draw 'circle 28,28 28,25' \
  -fill white -stroke black -strokewidth 1.5 \
  -draw 'polygon 36,34 36,60 42,54 47,63 52,61 47,52 55,52' \
  -depth 8 "RGBA:$work/icon.rgba"

python3 - "$work/icon.rgba" "$here/tapvane.ico" <<'PY'
import struct, sys
size = 64
rgba = open(sys.argv[1], "rb").read()
assert len(rgba) == size * size * 4
# BMP rows run bottom-up; a pixel is B, G, R. The AND mask marks pixels whose
# alpha is below half as transparent (its colour bits are then black).
xor, mask = bytearray(), bytearray()
for y in reversed(range(size)):
    bits = 0
    row = bytearray()
    for x in range(size):
        r, g, b, a = rgba[(y * size + x) * 4:(y * size + x) * 4 + 4]
        transparent = a < 128
        bits = (bits << 1) | transparent
        row += bytes((0, 0, 0)) if transparent else bytes((b, g, r))
    xor += row
    mask += bits.to_bytes(size // 8, "big")
header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0,
                     len(xor) + len(mask), 0, 0, 0, 0)
image = header + xor + mask
icondir = struct.pack("<HHH", 0, 1, 1)
entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 24, len(image), 6 + 16)
open(sys.argv[2], "wb").write(icondir + entry + image)
PY

# Toolbox glyph on the classic toolbox grey (the host treats the lower-left
# pixel's colour as transparent).
convert -size 16x15 xc:'#c0c0c0' +antialias \
  -fill white -stroke black -draw 'circle 7,7 7,1' \
  -stroke '#000080' -draw 'line 7,7 7,3' -draw 'line 7,7 10,7' \
  -fill red -stroke red -draw 'point 7,7' \
  -alpha off -type TrueColor "BMP3:$root/timer-control/activex/assets/toolbox.bmp"
