#!/bin/sh
# Rebuilds the GIF test corpus in this folder: a few real GIF files shipped by
# Debian packages, and animations made with ImageMagick that exercise what a
# decoder can get wrong (interlace, local colour tables, every disposal
# method, transparency, odd code sizes, full code tables). For each file the
# frames of the animations as ImageMagick coalesces them are kept as PAM (RGBA) files in
# expected/, so the tests need no ImageMagick.
#
# Files from Debian packages (their licences permit redistribution):
#   libtk8.6        tk8.6/images/tai-ku.gif, logoMed.gif      (Tcl/Tk licence, BSD-style)
#   cmake-data      doc/cmake-data/CMakeLogo.gif               (BSD 3-clause)
#   libxslt1-dev    doc/libxslt1-dev/html/node.gif, redhat.gif (MIT)
#   cscope          doc/cscope/contrib/webcscope/icons/*.gif   (BSD 3-clause)
set -eu
cd "$(dirname "$0")"
command -v convert >/dev/null || { echo "ImageMagick's convert is needed" >&2; exit 1; }

copy() { [ -f "$1" ] && cp "$1" "$2" || echo "missing $1 (package not installed); kept the old copy" >&2; }
copy /usr/share/tcltk/tk8.6/images/tai-ku.gif real-taiku-interlaced.gif
copy /usr/share/tcltk/tk8.6/images/logoMed.gif real-tklogo-87a.gif
copy /usr/share/doc/cmake-data/CMakeLogo.gif real-cmakelogo.gif
copy /usr/share/doc/libxslt1-dev/html/node.gif real-xslt-node-87a.gif
copy /usr/share/doc/libxslt1-dev/html/redhat.gif real-redhat.gif
copy /usr/share/doc/cscope/contrib/webcscope/icons/bomb.gif real-cscope-bomb.gif
copy /usr/share/doc/cscope/contrib/webcscope/icons/folder.open.gif real-cscope-folder.gif

T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

# Every disposal method, frames at offsets with their own colour tables and
# transparency. Frame 0 fills the screen.
convert -size 48x32 xc:'#204080' -fill '#f0e040' -draw 'circle 24,16 24,4' "$T/bg.gif"
convert -size 20x12 xc:none -fill '#e02020' -draw 'rectangle 2,2 17,9' "$T/red.gif"
convert -size 16x16 xc:'#30c030' -fill '#ffffff' -draw 'line 0,0 15,15' "$T/green.gif"
convert -size 24x10 xc:none -fill '#8020c0' -draw 'ellipse 12,5 11,4 0,360' "$T/purple.gif"
convert -size 10x10 xc:'#c0c0c0' -fill '#000000' -draw 'point 5,5' "$T/grey.gif"
convert -loop 3 \
  -dispose None -delay 20 -page 48x32+0+0 "$T/bg.gif" \
  -dispose Background -delay 5 -page +4+3 "$T/red.gif" \
  -dispose Previous -delay 7 -page +20+8 "$T/green.gif" \
  -dispose Undefined -delay 0 -page +10+20 "$T/purple.gif" \
  -dispose None -delay 300 -page +36+0 "$T/grey.gif" \
  -dispose Previous -delay 10 -page +0+0 "$T/red.gif" \
  -dispose Background -delay 10 -page +30+18 "$T/green.gif" \
  anim-disposal.gif

# Interlaced frames of heights that leave passes empty or short.
convert -size 30x5 gradient:'#ff0000-#0000ff' "$T/i5.gif"
convert -size 30x13 gradient:'#00ff00-#ff00ff' "$T/i13.gif"
convert -size 30x1 xc:'#123456' "$T/i1.gif"
convert -interlace GIF -dispose None -delay 10 \
  -page 30x13+0+0 "$T/i13.gif" -page +0+0 "$T/i5.gif" -page +0+7 "$T/i1.gif" \
  anim-interlaced.gif

# Colour tables of 2, 4, 8, 32 and 128 entries: code sizes 2, 2, 3, 5 and 7.
for n in 2 4 8 30 120; do
  convert -seed $n -size 40x20 xc:gray +noise Random +dither -colors $n "$T/c$n.gif"
done
convert -dispose None -delay 10 \
  -page 40x20+0+0 "$T/c2.gif" -page +0+0 "$T/c4.gif" -page +0+0 "$T/c8.gif" \
  -page +0+0 "$T/c30.gif" -page +0+0 "$T/c120.gif" \
  anim-codesizes.gif

# 256 colours of noise: the code table fills up at 12 bits, so the encoder
# has to send clear codes in the middle of the data.
convert -seed 7 -size 96x64 xc:gray +noise Random +dither -colors 256 noise-256.gif

# A full-screen opaque frame that restores the previous picture, followed by
# a small frame: what shows is the picture from before the full-screen frame.
convert -size 24x16 xc:'#ffff00' "$T/y.gif"
convert -size 24x16 xc:'#0000ff' "$T/b.gif"
convert -size 6x6 xc:'#ff00ff' "$T/m.gif"
convert -dispose None -delay 10 -page 24x16+0+0 "$T/y.gif" \
  -dispose Previous -page +0+0 "$T/b.gif" \
  -dispose None -page +9+5 "$T/m.gif" \
  anim-restore-previous.gif

rm -rf expected
mkdir expected
for f in anim-*.gif; do
  convert "$f" -coalesce "expected/${f%.gif}-%d.pam"
done
