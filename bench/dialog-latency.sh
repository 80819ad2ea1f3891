#!/usr/bin/env bash
# The dialog's latency on a 12-megapixel document: the win64 plug-in under
# Wine on a virtual screen, opened by tintavo-host on a 4243 x 2828 picture.
# After a first result, Color intensity is stepped with the Up key a few
# times, waiting for each new preview; the dialog's log gives the time from
# each change to its finished preview ("run done N ms", the 50 ms debounce
# included).  Prints each time and their median.
#
#   bench/dialog-latency.sh [BUILD_DIR [PICTURE]]
#
# BUILD_DIR defaults to build/win64 (a Windows build with tintavo-host.exe,
# tintavo.exe and Tintavo.8bf).  Without PICTURE a photo-like one is made
# with ImageMagick.  Needs Xvfb, xdotool and ImageMagick.
set -u
build=$(cd "${1:-build/win64}" && pwd)
bin=$build/bin
runner=$(cd "$(dirname "$0")/.." && pwd)/cmake/wine-run
for tool in Xvfb xdotool convert; do
  command -v "$tool" >/dev/null || { echo "$tool is needed"; exit 1; }
done
# shellcheck source=../tests/tools/wine_screen.sh
. "$(dirname "$0")/../tests/tools/wine_screen.sh"
work=$(mktemp -d)
picture=${2:-}
[ -n "$picture" ] && picture=$(cd "$(dirname "$picture")" && pwd)/$(basename "$picture")
start_screen 1280x1024
trap 'kill $xvfb 2>/dev/null; [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
cd "$work" || exit 1

if [ -n "$picture" ]; then
  convert "$picture" -resize '4243x2828!' doc.png
else
  convert -size 4243x2828 gradient:navy-orange -swirl 120 -attenuate 0.25 +noise Gaussian doc.png
fi
convert -size 1224x816 plasma:fractal tpl.png
tintavo() { TINTAVO_HEADLESS=1 $runner "$bin/tintavo.exe" "$@"; }
prepare_wine_prefix
tintavo settings reset >/dev/null 2>&1
tintavo settings set Filename "Z:$(pwd -P | tr / '\\')\\tpl.png" >/dev/null 2>&1

log=$work/ui.log
wait_for() {
  for _ in $(seq 1 $(($2 * 4))); do
    n=$(grep -c "^$1" "$log" 2>/dev/null)
    [ "${n:-0}" -ge "${3:-1}" ] && return 0
    sleep 0.25
  done
  return 1
}
centre() { grep "^control $1 " "$log" | tail -n 1 | awk '{ printf "%d %d", $3 + $5 / 2, $4 + $6 / 2 }'; }

echo "== machine load: $(uptime)"
TINTAVO_UI_LOG=$log $runner "$bin/tintavo-host.exe" "$bin/Tintavo.8bf" doc.png out.png >host.txt 2>&1 &
host=$!
wait_for "control 3002" 120 || { echo "the dialog did not open"; exit 1; }
sleep 2
# shellcheck disable=SC2046
xdotool mousemove $(centre 3002) click --repeat 2 --delay 60 1
wait_for "run done" 120 || { echo "the first run did not end"; exit 1; }
# shellcheck disable=SC2046
xdotool mousemove $(centre 3031) click 1
sleep 0.5
runs=${TINTAVO_RUNS:-7}
for i in $(seq 1 "$runs"); do
  xdotool key Up
  wait_for "run done" 60 $((i + 1)) || { echo "run $i did not end"; exit 1; }
  sleep 0.5
done
xdotool key Escape
sleep 0.5
xdotool key Escape
wait "$host" 2>/dev/null
echo "== machine load: $(uptime)"
grep "^run done" "$log" | tail -n "$runs" | tr -d '(' | awk '{ print $3, $6 }' | sort -n | awk '
  { t[NR] = $1; printf "change to preview: %s ms (the engine: %s ms)\n", $1, $2 }
  END { printf "median of %d: %s ms (12-megapixel document, 50 ms debounce included)\n", NR, t[int((NR + 1) / 2)] }'
