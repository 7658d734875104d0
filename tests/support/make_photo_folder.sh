#!/usr/bin/env bash
# Makes a folder of small pictures as a photo library has them: subfolders,
# pictures of one name in several formats beside each other, and the same
# names in different folders (so one output folder must tell them apart).
# Usage: make_photo_folder.sh FOLDER [COUNT]   (ImageMagick's convert)
set -euo pipefail
folder=$1
count=${2:-40}
mkdir -p "$folder"
formats=(jpg png tif bmp)
for ((i = 0; i < count; ++i)); do
  sub="$folder/roll$((i % 3))"
  mkdir -p "$sub"
  name="img$((i % 7))"
  ext=${formats[$((i % ${#formats[@]}))]}
  [ -e "$sub/$name.$ext" ] && name="$name-$i"
  convert -size $((48 + i % 5 * 8))x$((32 + i % 3 * 8)) \
    "gradient:rgb($((i * 37 % 256)),$((i * 91 % 256)),80)-rgb(20,$((i * 53 % 256)),$((255 - i * 13 % 256)))" \
    "$sub/$name.$ext"
done
