#!/bin/sh
# Makes the animation that gif_bench decodes, with ImageMagick:
#   make_gif_bench.sh OUT.gif
#
# What the file holds: 304 frames on a 480 by 270 screen, one global colour
# table of 256 entries, a delay of 4/100 s and an endless loop. Three scenes
# of 101 frames, each over its own blurred plasma background (smooth areas:
# long codes) with a ball sprite moving across it and, along the bottom, a
# band of a grainy picture (short codes) that scrolls by 6 pixels in every
# frame. ImageMagick's frame optimisation turns the scenes into what
# animations on the web hold: a full first frame, then partial frames of the
# changed rectangle only, with transparency for the unchanged pixels inside
# it and the disposal methods that ImageMagick picks. A scene change is a
# full frame. One more frame, full screen and interlaced, is put
# in after frame 150: ImageMagick writes either every frame of a file
# interlaced or none, so that frame is made as a GIF of its own and its
# image block (descriptor, its colour table made local, the LZW data) is
# copied into the animation behind a graphic control block of its own
# (disposal: restore to previous, so the frames after it compose as before).
set -eu
out=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
W=480 H=270 N=100
for s in 1 2 3; do
    convert -seed $s -size ${W}x${H} plasma:fractal -blur 0x2 "$tmp/bg$s.png"
done
convert -size 72x72 xc:none -fill '#f0dc28' -draw 'circle 36,36 36,4' \
    -fill '#141414' -draw 'circle 26,28 26,22' -draw 'circle 46,28 46,22' "$tmp/sprite.png"
convert -seed 4 -size 960x64 plasma:fractal +noise Gaussian -blur 0x0.6 "$tmp/band.png"
for s in 1 2 3; do
    convert "$tmp/bg$s.png" \
        \( "$tmp/sprite.png" -duplicate $((N - 1)) -set dispose Previous \
           -set page "+%[fx:(t*4+40*$s)%($W-72)]+%[fx:99+60*sin(t/8+$s)]" \) \
        -coalesce \
        null: \( "$tmp/band.png" -duplicate $N -virtual-pixel tile \
                  -distort SRT "0,0 1 0 %[fx:t*6+200*$s],0" -crop ${W}x64+0+0 \
                  -repage +0+$((H - 64)) \) \
        -layers composite "$tmp/scene$s.miff"
done
convert "$tmp/bg1.png" "$tmp/bg2.png" "$tmp/bg3.png" "$tmp/sprite.png" +append \
    +dither -colors 255 -unique-colors "$tmp/palette.gif"
convert "$tmp/scene1.miff" "$tmp/scene2.miff" "$tmp/scene3.miff" +dither -remap "$tmp/palette.gif" \
    -layers Optimize -delay 4 -loop 0 "$tmp/anim.gif"
convert -seed 9 -size ${W}x${H} plasma:fractal +dither -colors 200 -interlace GIF "$tmp/interlaced.gif"

python3 - "$tmp/anim.gif" "$tmp/interlaced.gif" "$out.tmp" <<'EOF'
import struct, sys

def blocks(data):
    """The header (signature, screen, global table) and the blocks after it,
    each as (kind, bytes); the trailer is left out."""
    p = 13
    if data[10] & 0x80:
        p += 3 * (2 << (data[10] & 7))
    head, out = data[:p], []
    while p < len(data) and data[p] != 0x3B:
        start = p
        if data[p] == 0x21:
            p += 2
        elif data[p] == 0x2C:
            flags = data[p + 9]
            p += 10
            if flags & 0x80:
                p += 3 * (2 << (flags & 7))
            p += 1
        else:
            raise SystemExit("unexpected block 0x%02x" % data[p])
        while data[p]:
            p += data[p] + 1
        p += 1
        out.append(("image" if data[start] == 0x2C else "extension", data[start:p]))
    return head, out

anim = open(sys.argv[1], "rb").read()
single = open(sys.argv[2], "rb").read()
head, anim_blocks = blocks(anim)
single_head, single_blocks = blocks(single)
image = [b for kind, b in single_blocks if kind == "image"][0]
if not image[9] & 0x40:
    raise SystemExit("ImageMagick did not interlace the single frame")
# The single file's global table becomes the frame's local one.
table_bits = single[10] & 7
local = single[13:13 + 3 * (2 << table_bits)]
frame = image[:9] + bytes([0x80 | 0x40 | table_bits]) + local + image[10:]
# Disposal 3 (restore to previous), so that the frames after it compose as
# they did before; delay 4, no transparency.
control = bytes([0x21, 0xF9, 4, 0x0C, 4, 0, 0, 0])
result, images = [], 0
for kind, b in anim_blocks:
    result.append(b)
    if kind == "image":
        images += 1
        if images == 151:
            result += [control, frame]
open(sys.argv[3], "wb").write(head + b"".join(result) + b";")
EOF
mv "$out.tmp" "$out"
