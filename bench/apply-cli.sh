#!/usr/bin/env bash
# Times `tintavo apply` end to end next to `tintavo convert` of the same
# files (decode and encode only) and, where they are installed, the peer
# scripts of shared/bench (the numpy l-alpha-beta transfer and the OpenCV
# Lab transfer), all in one hyperfine run: the machines here are shared and
# noisy, so only ratios from one run mean anything.  Then the peak memory of
# each tintavo run, the per-step times of `apply --timings`, and the peers'
# compute-only times next to the engine benchmark's one-thread and
# all-thread figures.
#
#   bench/apply-cli.sh [BUILD_DIR [SOURCE.jpg TEMPLATE.jpg]]
#
# BUILD_DIR defaults to build/native.  Without pictures, a 6000 x 4000 JPEG
# source (gradients plus noise) and a 1224 x 816 JPEG template are made with
# ImageMagick.  Needs hyperfine; the peers need /usr/bin/python3 with cv2
# and numpy (Debian: hyperfine python3-opencv python3-numpy).
set -euo pipefail
build=${1:-build/native}
bin=$build/bin
here=$(cd "$(dirname "$0")" && pwd)
peers=${TINTAVO_PEERS:-$here/../../shared/bench}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ $# -ge 3 ]; then
  src=$2
  tpl=$3
else
  src=$work/src.jpg
  tpl=$work/tpl.jpg
  convert -size 6000x4000 gradient:navy-orange -swirl 120 -attenuate 0.25 +noise Gaussian -quality 92 "$src"
  convert -size 1224x816 plasma:fractal -seed 5 -quality 92 "$tpl"
fi

command -v hyperfine >/dev/null || { echo "hyperfine is needed (apt-get install hyperfine)"; exit 1; }

runs=(-n "tintavo apply" "$bin/tintavo apply --template $tpl $src $work/tv.jpg"
      -n "tintavo convert" "$bin/tintavo convert $src $work/cv.jpg")
python=/usr/bin/python3
have_peers=no
if [ -x "$python" ] && "$python" -c "import cv2, numpy" 2>/dev/null && [ -f "$peers/reinhard_lab_numpy.py" ]; then
  have_peers=yes
  numpy="env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE $python $peers/reinhard_lab_numpy.py"
  runs+=(-n "numpy lab script" "$numpy $src $tpl $work/np.jpg"
         -n "OpenCV Lab script" "$python $peers/reinhard_cv.py $src $tpl $work/cv2.jpg")
else
  echo "(no peer scripts: $python with cv2 and numpy, or $peers, is missing)"
fi

echo "== machine load: $(uptime)"
hyperfine -w 1 -r "${TINTAVO_RUNS:-5}" -N "${runs[@]}" 2>/dev/null || hyperfine -w 1 -r "${TINTAVO_RUNS:-5}" "${runs[@]}"
echo "== machine load: $(uptime)"

echo "== peak memory (maximum resident set size)"
decoded=$(identify -format '%w %h' "$src" | awk '{ printf "%.0f", $1 * $2 * 3 / 1024 }')
for what in apply convert; do
  if [ $what = apply ]; then args=(apply --template "$tpl" "$src" "$work/tv.jpg"); else args=(convert "$src" "$work/cv.jpg"); fi
  kb=$( { /usr/bin/time -f '%M' "$bin/tintavo" "${args[@]}" >/dev/null; } 2>&1 | tail -1)
  awk -v kb="$kb" -v d="$decoded" -v w="$what" \
    'BEGIN { printf "tintavo %-8s %7.1f MiB = %.2f x the decoded picture (%.1f MiB)\n", w, kb / 1024, kb / d, d / 1024 }'
done

echo "== tintavo apply --timings"
"$bin/tintavo" apply --timings --template "$tpl" "$src" "$work/tv.jpg"

echo "== compute only: the engine (bench_color_transfer) and the peers"
if [ -x "$bin/bench_color_transfer" ]; then
  "$bin/bench_color_transfer" --benchmark_filter='BM_Apply/mode:0/' --benchmark_min_time=1 2>/dev/null | grep BM_ || true
fi
if [ $have_peers = yes ]; then
  echo "numpy lab script:  $($numpy --compute-only "$src" "$tpl")"
  echo "OpenCV Lab script: $($python "$peers/reinhard_cv.py" --compute-only "$src" "$tpl")"
fi
echo "== machine load: $(uptime)"
