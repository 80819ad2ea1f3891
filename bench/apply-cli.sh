#!/usr/bin/env bash
# Times `tintavo apply` end to end on a 6000 x 4000 source with a 1000 x 1000
# template (made with ImageMagick, smooth gradients plus noise), reading and
# writing BMP so that the picture libraries' compression does not dominate,
# and PNG/JPEG for comparison.
#
#   bench/apply-cli.sh [BUILD_DIR]     (default build/native)
set -euo pipefail
bin=${1:-build/native}/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 6000x4000 gradient:navy-orange -attenuate 0.3 +noise Gaussian "$work/src.bmp"
convert -size 1000x1000 plasma:fractal -seed 5 "$work/tpl.bmp"
convert "$work/src.bmp" "$work/src.png"
for case in "bmp bmp" "png jpg"; do
  set -- $case
  start=$(date +%s.%N)
  "$bin/tintavo" apply --template "$work/tpl.bmp" "$work/src.$1" "$work/out.$2"
  end=$(date +%s.%N)
  printf 'tintavo apply, 6000 x 4000 .%s -> .%s: %.2f s wall\n' "$1" "$2" "$(echo "$end - $start" | bc)"
done
