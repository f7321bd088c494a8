#!/usr/bin/env bash
# picdump against each format's reference decoder, pixel for pixel: every
# PNG kind (pngtopam), WebP lossless, lossy and with alpha (dwebp), HEIC
# (heif-convert), AVIF (avifdec), BMP V4/V5 with alpha and 16-bit BMPs
# (ImageMagick), and JPEGs of every EXIF orientation (djpeg's pixels turned
# as the tag says by pamflip). Lossless data must be equal; lossy data decoded
# by another library within rounding (at most 2 of 255 in a channel).
#
#   tests/imaging/reference_decode_test.sh BUILD_DIR
set -euo pipefail
build=$(realpath "${1:?usage: reference_decode_test.sh BUILD_DIR}")
picdump=$build/picdump
for tool in convert compare pngtopam dwebp cwebp heif-enc heif-convert avifenc avifdec djpeg pamflip; do
  command -v "$tool" > /dev/null || { echo "reference_decode_test: $tool missing (scripts/setup)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
checked=0

# compare FILE REFERENCE_PAM_OR_PNG LIMIT: picdump's pixels against the
# reference's; LIMIT is the largest difference allowed in 1/255 steps.
check() {
  local file=$1 reference=$2 limit=$3 peak
  if ! "$picdump" "$file" ours.pam > /dev/null; then
    echo "FAIL $file: picdump failed"; failures=$((failures + 1)); return
  fi
  # Peak absolute error, as a fraction of the full range.
  peak=$( (compare -metric PAE ours.pam "$reference" null: 2>&1 || true) | sed -n 's/.*(\(.*\)).*/\1/p')
  if [ -z "$peak" ] || awk -v p="$peak" -v l="$limit" 'BEGIN { exit !(p * 255 > l + 0.001) }'; then
    echo "FAIL $file: peak difference ${peak:-?} (limit $limit/255)"; failures=$((failures + 1))
  fi
  checked=$((checked + 1))
}

convert -size 61x43 gradient:'#f04010'-'#1060e0' -fill '#40c050' -draw 'circle 20,20 30,28' \
  -fill '#ffffff' -draw 'rectangle 0,0 9,5' base.png
convert base.png \( -size 61x43 gradient:white-'#ffffff10' -rotate 90 -resize 61x43\! \) \
  -compose copy-opacity -composite alpha.png

# PNG: gray 1 to 16 bits, gray with alpha, palette with and without tRNS, RGB
# and RGBA of 8 and 16 bits, interlaced.
# (pngtopam's -alphapam only for files with alpha: on gray files of fewer than
# 8 bits it writes an alpha of 0.) 16-bit samples come to 8 bits rounded: one
# step of 255 at most.
for depth in 1 2 4 8 16; do
  convert base.png -colorspace gray -depth $depth -define png:bit-depth=$depth -define png:color-type=0 gray$depth.png
  pngtopam gray$depth.png > ref.pam; check gray$depth.png ref.pam $((depth / 16))
done
convert alpha.png -colorspace gray -define png:color-type=4 gray-alpha.png
convert base.png -colors 16 PNG8:palette.png
convert alpha.png -channel A -threshold 50% +channel -colors 32 PNG8:palette-trns.png
convert base.png PNG24:rgb8.png
convert base.png -depth 16 PNG48:rgb16.png
convert alpha.png PNG32:rgba8.png
convert alpha.png -depth 16 PNG64:rgba16.png
convert alpha.png -interlace PNG PNG32:interlaced.png
for f in palette rgb8; do pngtopam $f.png > ref.pam; check $f.png ref.pam 0; done
pngtopam rgb16.png > ref.pam; check rgb16.png ref.pam 1
for f in palette-trns rgba8 interlaced; do pngtopam -alphapam $f.png > ref.pam; check $f.png ref.pam 0; done
for f in gray-alpha rgba16; do pngtopam -alphapam $f.png > ref.pam; check $f.png ref.pam 1; done

# WebP: the same library on both sides, so equal pixels.
cwebp -quiet -lossless alpha.png -o lossless.webp
cwebp -quiet -q 75 base.png -o lossy.webp
cwebp -quiet -q 75 alpha.png -o lossy-alpha.webp
for f in lossless lossy lossy-alpha; do dwebp -quiet -pam $f.webp -o ref.pam; check $f.webp ref.pam 0; done

# HEIC and AVIF through libheif on both sides (heif-convert asks libheif
# for interleaved RGB, the viewer for RGB planes: the same conversion but
# for rounding); 4:4:4 AVIF decoded by libavif as well. 4:4:4 is avifenc's
# choice for a PNG; phones write 4:2:0, whose chroma libheif 1.15 takes
# from the nearest sample where libavif interpolates (up to 56 levels
# apart at strong colour edges), so that one is checked against libheif.
heif-enc -q 80 base.png -o plain.heic > /dev/null
heif-enc -q 80 alpha.png -o alpha.heic > /dev/null
for f in plain alpha; do heif-convert $f.heic ref.png > /dev/null; check $f.heic ref.png 2; done
avifenc -s 8 base.png plain.avif > /dev/null
avifenc -s 8 -y 420 base.png plain420.avif > /dev/null
avifenc -s 8 alpha.png alpha.avif > /dev/null
for f in plain plain420 alpha; do heif-convert $f.avif ref.png > /dev/null; check $f.avif ref.png 2; done
for f in plain alpha; do avifdec $f.avif ref.png > /dev/null; check $f.avif ref.png 2; done

# BMP of today's editors: V5 with alpha (bit fields), V4 without, 16 bits.
convert alpha.png -define bmp:format=bmp4 BMP:v4-alpha.bmp
convert alpha.png BMP3:old.bmp
convert alpha.png -define bmp:format=bmp5 v5-alpha.bmp 2> /dev/null || convert alpha.png v5-alpha.bmp
convert base.png -define bmp:subtype=RGB565 v5-565.bmp
convert base.png -define bmp:subtype=RGB555 v5-555.bmp
for f in v4-alpha v5-alpha old; do convert $f.bmp ref.pam; check $f.bmp ref.pam 0; done
for f in v5-565 v5-555; do convert $f.bmp ref.pam; check $f.bmp ref.pam 0; done

# JPEG: orientation 1 to 8 in an EXIF block; djpeg's pixels turned by pamflip.
cjpeg_of() { convert base.png -quality 90 -sampling-factor 2x2 "$1"; }
cjpeg_of plain.jpg
flips=("" "-null" "-lr" "-r180" "-tb" "-xy" "-r270" "-xform=transpose,leftright,topbottom" "-r90")
for o in 1 2 3 4 5 6 7 8; do
  # SOI, then an APP1 "Exif" block of one IFD entry (orientation), then the rest.
  { printf '\377\330\377\341\000\042Exif\000\000II\052\000\010\000\000\000\001\000\022\001\003\000\001\000\000\000'
    printf "\\$(printf '%03o' $o)"
    printf '\000\000\000\000\000\000\000'
    tail -c +3 plain.jpg; } > o$o.jpg
  djpeg -dct float -nosmooth -pnm plain.jpg | pamflip ${flips[$o]} > ref.ppm
  check o$o.jpg ref.ppm 0
done

echo "reference_decode_test: $checked files compared, $failures failed"
[ "$failures" -eq 0 ]
