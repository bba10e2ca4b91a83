#!/usr/bin/env bash
# The stand-in images in firmware/ are exactly what tarvik-make-stand-in-images writes, so anyone
# can regenerate them. Skipped (77) once the manifest lists other images, such as real ones.
# Usage: stand_in_images_match.sh <tarvik-make-stand-in-images> <firmware folder>
set -euo pipefail
maker=$1
firmware=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$maker" "$work"
if ! cmp -s "$work/images.txt" "$firmware/images.txt"; then
  echo "firmware/images.txt lists other images than the stand-ins: nothing to compare"
  exit 77
fi
for f in "$work"/*.hex; do
  cmp "$f" "$firmware/$(basename "$f")"
done
echo "the twelve stand-in images match the program that made them"
