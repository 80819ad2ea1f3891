#!/usr/bin/env bash
# Choosing the template in the plug-in's dialog on a virtual screen:
# tintavo-host opens the dialog, xdotool clicks "Select Template", moves
# through the thumbnails with the arrow keys and presses Enter; the run
# that follows must use that file, and OK must write exactly what
# `tintavo apply` makes with it.  Then the folder bar's "Change Folder"
# switches to another folder (typed into the folder chooser), whose first
# picture becomes the template; a resting pointer shows a tooltip.
#
#   template_choice_test.sh BIN_DIR RUNNER [SCREENSHOT_PREFIX]
#
# Prints one line per check and "N passed, M failed".
set -u
bin=$1
runner=$2
shots=${3:-}
for tool in Xvfb xdotool convert compare import; do
  command -v "$tool" >/dev/null || { echo "$tool is needed"; exit 1; }
done

work=$(mktemp -d)
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine_screen.sh
. "$here/wine_screen.sh"
start_screen 1280x1024
trap 'kill $xvfb 2>/dev/null; [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
cd "$work" || exit 1

passed=0
failed=0
check() {
  if "${@:2}"; then passed=$((passed + 1)); echo "ok   $1"; else failed=$((failed + 1)); echo "FAIL $1"; fi
}
tintavo() { TINTAVO_HEADLESS=1 $runner "$bin/tintavo.exe" "$@"; }
winpath() { echo "Z:$(cd "$1" && pwd -P | tr / '\\')"; }

# Fixtures: a source; a folder of six templates, one of them damaged; a
# second folder.
convert -size 240x180 gradient:'#2050c0'-'#f0d080' -swirl 120 -depth 8 src.png
mkdir -p templates other
convert -size 160x120 gradient:'#803010'-'#30a060' templates/a.png
convert -size 120x160 gradient:'#102080'-'#e0c040' templates/b.jpg
printf '\377\330\377\340not a picture, only words after the marker' >templates/c.jpg
convert -size 100x100 plasma:fractal -seed 5 templates/d.bmp 2>/dev/null || convert -size 100x100 xc:teal templates/d.bmp
convert -size 200x100 gradient:'#f02020'-'#20f0f0' templates/e.tif
convert -size 150x150 radial-gradient:'#ffe000'-'#300060' templates/f.png
convert -size 90x90 gradient:'#00a000'-'#ffffff' templates/g.gif
convert -size 160x120 gradient:'#ffffff'-'#4000a0' other/x-first.png
convert -size 160x120 gradient:'#000000'-'#ff8000' other/y-second.jpg
folder=$(winpath templates)
other=$(winpath other)

prepare_wine_prefix
tintavo settings reset >/dev/null 2>&1
tintavo settings set Path "$folder" >/dev/null 2>&1
tintavo settings set Filename "$folder\\a.png" >/dev/null 2>&1
tintavo settings set ImageSelected 0 >/dev/null 2>&1

log=$work/ui.log
wait_for() {
  for _ in $(seq 1 $(($2 * 4))); do
    t="$1" awk 'index($0, ENVIRON["t"]) == 1 { found = 1 } END { exit !found }' "$log" 2>/dev/null && return 0
    sleep 0.25
  done
  return 1
}
control() { grep "^control $1 " "$log" | tail -n 1 | cut -d' ' -f3-; }
centre() { control "$1" | awk '{ printf "%d %d", $1 + $3 / 2, $2 + $4 / 2 }'; }
same_pixels() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = "0" ]; }

TINTAVO_UI_LOG=$log $runner "$bin/tintavo-host.exe" "$bin/Tintavo.8bf" src.png out.png >host.txt 2>&1 &
host=$!
wait_for "control 3006" 120
sleep 2

# ---- keys: from the stored index 0, Right and Down (four columns) ----------------
# shellcheck disable=SC2046
xdotool mousemove $(centre 3006) click 1
check "Select Template opens the browser on the stored folder" wait_for "popup open" 30
check "the damaged file leaves the grid" wait_for "grid items 6" 30
sleep 2
[ -n "$shots" ] && import -window root "$shots-grid.png"
xdotool key Right Down Return
# Sorted, without c.jpg: a b d e f g; index 0 + 1 + 4 = 5.
check "Enter runs with the file the keys chose" wait_for "run start brightness=0 color=0 fade=0 mode=0 template=$folder\\g.gif" 30
check "the run ends" wait_for "run done" 120
sleep 1

# ---- the tooltip ------------------------------------------------------------------
# shellcheck disable=SC2046
xdotool mousemove $(centre 3006) click 1
wait_for "popup open" 30
sleep 1
read -r gx gy _ _ <<<"$(control 888)"
xdotool mousemove $((gx + 95 + 47)) $((gy + 47))
sleep 0.2
xdotool mousemove_relative 1 1
check "a resting pointer shows the tooltip of the thumbnail under it" wait_for "tooltip 1" 10
sleep 0.5
[ -n "$shots" ] && import -window root "$shots-tooltip.png"
xdotool key Escape
check "Escape closes the browser" wait_for "popup closed" 10
sleep 0.5

# OK writes the result of the chosen template.
tintavo apply --template templates/g.gif --brightness 0 --color 0 --fade 0 --mode normal src.png expected.png >/dev/null 2>&1
# shellcheck disable=SC2046
xdotool mousemove $(centre 1) click 1
check "OK ends the dialog" wait_for "end ok" 30
for _ in $(seq 1 120); do kill -0 "$host" 2>/dev/null || break; sleep 0.25; done
wait "$host"
check "the host's continue step succeeds" grep -q "continue: 0" host.txt
check "OK writes exactly what tintavo apply makes with the chosen file" same_pixels out.png expected.png

# ---- changing the folder ------------------------------------------------------------
: >"$log"
TINTAVO_UI_LOG=$log $runner "$bin/tintavo-host.exe" "$bin/Tintavo.8bf" src.png out2.png >host2.txt 2>&1 &
host=$!
wait_for "control 3006" 120
sleep 2
# shellcheck disable=SC2046
xdotool mousemove $(centre 3006) click 1
wait_for "popup open" 30
sleep 1
# shellcheck disable=SC2046
xdotool mousemove $(centre 3105) click 1
check "Change Folder opens the folder chooser" wait_for "folder browser" 30
sleep 2
# Through the chooser's folder tree as a keyboard user goes: from the drive,
# each folder's name typed to select it and Right to open it, then OK.
IFS=/ read -r -a parts <<<"$(cd other && pwd -P)"
for part in "${parts[@]}"; do
  [ -n "$part" ] || continue
  xdotool type --delay 40 "$part"
  sleep 0.3
  [ "$part" = other ] || xdotool key Right
  sleep 0.3
done
xdotool key Return
check "the new folder's first picture becomes the template" \
  wait_for "run start brightness=0 color=0 fade=0 mode=0 template=$other\\x-first.png" 30
check "the browser opens again on the new folder" wait_for "grid items 2" 30
check "the run ends" wait_for "run done" 120
xdotool key Escape
sleep 0.5
xdotool key Escape
for _ in $(seq 1 120); do kill -0 "$host" 2>/dev/null || break; sleep 0.25; done
kill "$host" 2>/dev/null
tintavo settings show >settings.txt 2>&1
check "the chosen folder is kept in the settings" grep -F -q "$other" settings.txt

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
