#!/bin/sh
# Draws the about box's pictures with ImageMagick: the banner (505 x 57, JPEG, decoded by the
# program with libjpeg) and the icon (64 x 64, PNG, also the windows' icon). Run once by
# hand after a change; the pictures are committed, so the build does not need ImageMagick.
set -eu
cd "$(dirname "$0")"
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf
SANS=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf

# The banner: a night-blue band with a strip of calendar squares, the name and a line.
squares=""
for i in 0 1 2 3 4 5 6; do
    x=$((12 + i * 15))
    for j in 0 1 2; do
        y=$((10 + j * 13))
        fill="#3b6ea8"
        [ $(( (i + j * 7) % 5 )) -eq 2 ] && fill="#f2b134"
        squares="$squares fill '$fill' rectangle $x,$y $((x + 11)),$((y + 9))"
    done
done
convert -size 57x505 gradient:'#1f4f7a'-'#0d1b33' -rotate 90 \
    -draw "$squares" \
    -font "$FONT" -pointsize 30 -fill '#ffffff' -annotate +130+38 "Mondeliar" \
    -font "$SANS" -pointsize 13 -fill '#c9d8ea' -annotate +322+36 "your calendar on the web" \
    -quality 90 -sampling-factor 2x2 -strip banner.jpg

# The icon: a calendar page with a red top and one marked date.
convert -size 64x64 xc:none \
    -fill '#ffffff' -stroke '#2a3f5f' -strokewidth 2 -draw "roundrectangle 5,8 58,58 6,6" \
    -fill '#c23b22' -stroke '#2a3f5f' -draw "roundrectangle 5,8 58,22 6,6" \
    -stroke none -fill '#c23b22' -draw "rectangle 6,16 57,22" \
    -fill '#2a3f5f' -draw "rectangle 17,3 21,13" -draw "rectangle 42,3 46,13" \
    -fill '#9fb3cc' -draw "rectangle 12,28 19,34" -draw "rectangle 24,28 31,34" \
    -draw "rectangle 36,28 43,34" -draw "rectangle 48,28 53,34" \
    -draw "rectangle 12,39 19,45" -draw "rectangle 36,39 43,45" -draw "rectangle 48,39 53,45" \
    -draw "rectangle 12,50 19,54" -draw "rectangle 24,50 31,54" \
    -fill '#f2b134' -draw "rectangle 24,39 31,45" \
    -depth 8 -strip PNG32:icon.png
