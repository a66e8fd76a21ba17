#!/bin/sh
# Regenerates the TIFF fixtures of this folder and their expected pixels.
# Needs ImageMagick, libtiff's tools and a C compiler with libtiff and zlib;
# none of them is needed to run the tests. Run from this folder.
set -e
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
cc -O2 oracle.c -o "$W/oracle" -ltiff -lz
O="$W/oracle"

# Source pictures: a 61 x 37 plasma (odd width, so that rows are padded),
# its grey version, a 16-bit grey ramp with noise, a bilevel page with text
# and lines, a picture with alpha, palettes of 256 and 16 colours.
convert -seed 7 -size 61x37 plasma:fractal -depth 8 "$W/rgb.tif"
convert "$W/rgb.tif" -colorspace Gray -depth 8 "$W/grey.tif"
convert -seed 3 -size 61x37 gradient:black-white +noise Gaussian -colorspace Gray -depth 16 "$W/grey16.tif"
convert -size 203x61 xc:white -fill black -draw "rectangle 3,3 60,20" \
  -draw "line 0,40 202,45" -draw "circle 150,30 170,50" -draw "rectangle 190,0 202,60" \
  -monochrome -depth 1 -negate "$W/bw.tif"
tiffset -s 262 0 "$W/bw.tif" # white is zero, as in fax files
convert "$W/rgb.tif" \( -size 61x37 gradient:white-black \) -alpha off -compose CopyOpacity -composite \
  -depth 8 "$W/rgba.tif"
convert "$W/rgb.tif" -colors 200 -type Palette "$W/pal8.tif"
convert "$W/rgb.tif" -colors 16 -type Palette -depth 4 "$W/pal4.tif"
convert "$W/rgb.tif" -colors 4 -type Palette -depth 2 "$W/pal2.tif"
convert "$W/rgb.tif" -depth 16 "$W/rgb16.tif"

c() { # name source tiffcp-options...
  name=$1; src=$2; shift 2
  tiffcp "$@" "$src" "$name.tif"
}
c rgb-none        "$W/rgb.tif" -c none
c rgb-lzw         "$W/rgb.tif" -c lzw -r 8
c rgb-lzw-pred    "$W/rgb.tif" -c lzw:2 -r 5
c rgb-zip-pred    "$W/rgb.tif" -c zip:2
c rgb-packbits    "$W/rgb.tif" -c packbits -r 16
c rgb-jpeg        "$W/rgb.tif" -c jpeg -r 16
c rgb-jpeg-rgb    "$W/rgb.tif" -c jpeg:r -r 8
c rgb-planar-lzw  "$W/rgb.tif" -c lzw -p separate -r 10
c rgb-mm-lzw      "$W/rgb.tif" -c lzw:2 -B -r 9
c rgb-lsb-lzw     "$W/rgb.tif" -c lzw -f lsb2msb
c rgba-lzw        "$W/rgba.tif" -c lzw:2
c grey-lzw-pred   "$W/grey.tif" -c lzw:2 -r 7
c grey-zip        "$W/grey.tif" -c zip
c grey-jpeg       "$W/grey.tif" -c jpeg -r 16
c grey16-lzw-pred "$W/grey16.tif" -c lzw:2 -r 11
c grey16-mm       "$W/grey16.tif" -c none -B
c pal8-lzw        "$W/pal8.tif" -c lzw
c pal4-packbits   "$W/pal4.tif" -c packbits
c pal2-none       "$W/pal2.tif" -c none
c rgb16-lzw-pred  "$W/rgb16.tif" -c lzw:2 -r 6
c rgb16-mm-zip    "$W/rgb16.tif" -c zip -B
c bw-none         "$W/bw.tif" -c none
c bw-g3           "$W/bw.tif" -c g3 -r 20
c bw-g3-2d        "$W/bw.tif" -c g3:2d -r 20
c bw-g3-2d-fill   "$W/bw.tif" -c g3:2d:fill -f lsb2msb
c bw-g4           "$W/bw.tif" -c g4 -r 25
c bw-lzw          "$W/bw.tif" -c lzw
"$O" mh bw-g3.tif bw-mh.tif
convert "$W/grey.tif" -depth 4 "$W/grey4.tif"; c grey4-lzw "$W/grey4.tif" -c lzw
convert "$W/grey.tif" -depth 2 "$W/grey2.tif"; c grey2-none "$W/grey2.tif" -c none
convert "$W/rgb.tif" -colorspace CMYK "$W/cmyk.tif"; c cmyk-lzw "$W/cmyk.tif" -c lzw
convert "$W/rgb.tif" -colorspace Lab "$W/lab.tif"; c lab-none "$W/lab.tif" -c none
"$O" ycbcr "$W/rgb.tif" ycbcr22-none.tif 2 2 1
"$O" ycbcr "$W/rgb.tif" ycbcr21-lzw.tif 2 1 5
"$O" ycbcr "$W/rgb.tif" ycbcr11-packbits.tif 1 1 32773
c rgb-tiled       "$W/rgb.tif" -c none -t -w 16 -l 16

# The predictor on subsampled YCbCr, differenced by libtiff's encoder; 2 x 1
# and 4 x 2 blocks only where libtiff can difference them (a width of 60).
"$O" ycbcr "$W/rgb.tif" ycbcr22-lzw-pred.tif 2 2 5 2
"$O" ycbcr "$W/rgb.tif" ycbcr22-zip-pred.tif 2 2 8 2
convert "$W/rgb.tif" -crop 60x37+0+0 +repage -depth 8 "$W/rgb60.tif"
"$O" ycbcr "$W/rgb60.tif" ycbcr21-lzw-pred.tif 2 1 5 2
"$O" ycbcr "$W/rgb60.tif" ycbcr42-zip-pred.tif 4 2 8 2

# Tiled pictures, made from the strip fixtures above: tiles of 16 to 64
# pixels, so that the tiles at the right and bottom edges reach beyond the
# 61 x 37 (203 x 61) picture.
t() { # name source tiffcp-options...
  name=$1; src=$2; shift 2
  tiffcp -t "$@" "$src.tif" "$name.tif"
}
t tile-rgb-lzw-pred       rgb-none -c lzw:2 -w 32 -l 16
t tile-rgb-zip-pred       rgb-none -c zip:2 -w 16 -l 32
t tile-rgb-packbits       rgb-none -c packbits -w 16 -l 16
t tile-rgb-jpeg           rgb-none -c jpeg -w 16 -l 16
t tile-rgb-planar-lzw     rgb-none -c lzw:2 -p separate -w 16 -l 16
t tile-rgb-mm-lzw         rgb-none -c lzw:2 -B -w 16 -l 16
t tile-rgb-lsb-lzw        rgb-lsb-lzw -w 16 -l 16
t tile-rgba-lzw-pred      rgba-lzw -c lzw:2 -w 16 -l 16
t tile-grey-lzw-pred      grey-zip -c lzw:2 -w 16 -l 16
t tile-grey-jpeg          grey-zip -c jpeg -w 16 -l 16
t tile-grey16-mm-zip-pred grey16-mm -c zip:2 -B -w 16 -l 16
t tile-grey4-lzw          grey4-lzw -w 16 -l 16
t tile-grey2-none         grey2-none -w 16 -l 16
t tile-pal8-lzw-pred      pal8-lzw -c lzw:2 -w 16 -l 16
t tile-pal4-packbits      pal4-packbits -w 16 -l 16
t tile-pal2-none          pal2-none -w 16 -l 16
t tile-rgb16-lzw-pred     rgb16-lzw-pred -w 16 -l 16
t tile-bw-none            bw-none -w 16 -l 16
t tile-bw-mh              bw-mh -w 32 -l 16
t tile-bw-g3-2d           bw-g3-2d -w 16 -l 16
t tile-bw-g4              bw-g4 -w 64 -l 32
t tile-cmyk-lzw-pred      cmyk-lzw -c lzw:2 -w 16 -l 16
t tile-lab-none           lab-none -w 16 -l 16
"$O" ycbcr "$W/rgb.tif" tile-ycbcr22-lzw-pred.tif 2 2 5 2 16
"$O" ycbcr "$W/rgb.tif" tile-ycbcr21-none.tif 2 1 1 1 16

# Blank pages, the most that libtiff's encoders make of few bytes: the reader
# must not take them for decompression bombs.
convert -size 4096x4096 xc:black -depth 8 -colorspace Gray -compress none "$W/black.tif"
convert -size 2048x2048 xc:white -depth 1 -type bilevel -compress none "$W/white.tif"
c blank-lzw   "$W/black.tif" -c lzw -r 4096
c blank-zip   "$W/black.tif" -c zip -r 4096
c blank-g4    "$W/white.tif" -c g4 -r 2048
c blank-g3-2d "$W/white.tif" -c g3:2d -r 2048
"$O" mh "$W/white.tif" blank-mh.tif

# Real-world pictures of libtiff's test set (see COPYRIGHT-NOTE).
P=/work/shared/testdata/libtiffpic
for f in jello fax2d g3test oxford quad-jpeg quad-lzw quad-tile strike text ycbcr-cat smallliz \
  zackthecat ladoga; do
  cp "$P/$f.tif" "lib-$f.tif"
done
cp "$P/COPYRIGHT-NOTE" COPYRIGHT-NOTE

for f in *.tif; do
  b=${f%.tif}
  case $b in *smallliz|*zackthecat|blank-*) continue;; esac
  if tiffinfo "$f" 2>/dev/null | grep -q "Tile Width"; then
    "$O" tiles "$f" "$b.strips.z"
  else
    "$O" strips "$f" "$b.strips.z"
  fi
  case $b in
  tile-grey16*)
    # libtiff's RGBA reader garbles the right edge tiles of 16-bit grey; its
    # own strip copy of the file gives the picture.
    tiffcp -s -c none "$f" "$W/strips.tif"
    "$O" rgba "$W/strips.tif" "$b.rgba.z";;
  *) "$O" rgba "$f" "$b.rgba.z";;
  esac
done
