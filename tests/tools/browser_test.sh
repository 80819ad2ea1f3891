#!/usr/bin/env bash
# The template browser on a virtual screen, driven as a user drives it: a
# small program opens the browser on a folder of pictures (one of them
# damaged) the way the control pane does, and xdotool presses keys, clicks
# and rests the pointer on a thumbnail.  The test log (TINTAVO_UI_LOG) says
# where the windows are and what was chosen.
#
#   browser_test.sh BIN_DIR RUNNER [SCREENSHOT_PREFIX]
#
# With SCREENSHOT_PREFIX, PREFIX-grid.png shows the open browser and
# PREFIX-tooltip.png a thumbnail's tooltip.  Prints one line per check and
# "N passed, M failed".
set -u
bin=$1
runner=$2
shots=${3:-}
for tool in Xvfb xdotool convert import; do
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
winpath() { echo "Z:$(cd "$1" && pwd -P | tr / '\\')"; }

# Fixtures: eleven pictures of six kinds, one damaged JPEG; a second folder.
mkdir -p pictures other
convert -size 400x300 gradient:'#2050c0'-'#f0d080' -swirl 90 pictures/a-swirl.png
convert -size 300x400 plasma:fractal -seed 3 pictures/b-plasma.jpg 2>/dev/null ||
  convert -size 300x400 gradient:red-blue pictures/b-plasma.jpg
printf '\377\330\377\340not a picture at all, only words after the marker' >pictures/c-damaged.jpg
convert -size 120x90 pattern:checkerboard pictures/d-checker.gif
convert -size 640x200 gradient:'#10a040'-'#e0e0ff' -rotate 0 pictures/e-wide.tif
convert -size 64x64 xc:'#c03070' pictures/f-small.bmp
convert -size 200x200 xc:none -fill '#3060ff' -draw "circle 100,100 100,20" pictures/g-transparent.png
convert -size 500x500 radial-gradient:yellow-'#402000' pictures/h-radial.jpg
convert -size 90x300 gradient:white-black pictures/i-tall.png
convert -size 256x256 gradient:'#ff8000'-'#0080ff' -swirl 200 pictures/j-swirl.tif
convert -size 300x300 xc:white -fill black -draw "rectangle 50,50 250,250" pictures/k-square.png
convert -size 200x150 gradient:'#ffffff'-'#000080' other/x-first.png
convert -size 200x150 gradient:'#ff0000'-'#00ff00' other/y-second.jpg
prepare_wine_prefix
folder=$(winpath pictures)
other=$(winpath other)

log=""
probe_pid=""
runs=0
start_probe() {
  runs=$((runs + 1))
  log=$work/ui-$runs.log
  TINTAVO_UI_LOG=$log $runner "$bin/tintavo_browser_probe.exe" "$@" >probe.txt 2>&1 &
  probe_pid=$!
  wait_for "popup open" 120
  sleep 2  # the window maps, paints and makes its thumbnails
}
wait_for() {
  for _ in $(seq 1 $(($2 * 4))); do
    t="$1" awk 'index($0, ENVIRON["t"]) == 1 { found = 1 } END { exit !found }' "$log" 2>/dev/null && return 0
    sleep 0.25
  done
  return 1
}
control() { grep "^control $1 " "$log" | tail -n 1 | cut -d' ' -f3-; }
centre() { control "$1" | awk '{ printf "%d %d", $1 + $3 / 2, $2 + $4 / 2 }'; }
# Whether the program ended by itself within 30 s, successfully, after its
# last line.
probe_ended() {
  for _ in $(seq 1 120); do
    if ! kill -0 "$probe_pid" 2>/dev/null; then
      wait "$probe_pid" && grep -q '^probe end' "$log"
      return
    fi
    sleep 0.25
  done
  kill "$probe_pid" 2>/dev/null
  return 1
}
last_items() { grep '^grid items ' "$log" | tail -n 1 | cut -d' ' -f3; }
# Share of the pixels of a screen rectangle "X Y W H" that are of one
# colour: distinct colours in it, and the count of the commonest.
distinct_colours() {
  read -r x y w h <<<"$1"
  convert "$2" -crop "${w}x${h}+${x}+${y}" +repage -format %k info:
}

# ---- keys ----------------------------------------------------------------------
start_probe "$folder"
check "the browser opens with its grid and folder bar" test -n "$(control 888)" -a -n "$(control 3012)"
check "the damaged file leaves the grid: ten thumbnails" wait_for "grid items 10" 30
sleep 2
grid_shot=$work/grid.png
import -window root "$grid_shot"
[ -n "$shots" ] && cp "$grid_shot" "$shots-grid.png"
check "the grid shows pictures, not an empty area" test "$(distinct_colours "$(control 888)" "$grid_shot")" -gt 200
# From no focus: Right to the first, Right, Down one row of four.
xdotool key Right Right Down Return
check "Enter ends the browser with the item the keys moved to" wait_for "chosen 5 $folder\\g-transparent.png" 30
check "the program ends after the choice" probe_ended

# ---- the tooltip ---------------------------------------------------------------
start_probe "$folder"
read -r gx gy gw gh <<<"$(control 888)"
# The third cell of the first row: sorted, without the damaged file, d-checker.gif.
xdotool mousemove $((gx + 95 * 2 + 47)) $((gy + 47))
sleep 0.3
xdotool mousemove_relative 1 1
check "a resting pointer shows the item's tooltip" wait_for "tooltip 2" 10
sleep 0.5
tip_shot=$work/tooltip.png
import -window root "$tip_shot"
[ -n "$shots" ] && cp "$tip_shot" "$shots-tooltip.png"
tip=$(control 101)
read -r tx ty tw th <<<"$tip"
check "the tooltip window is beside the pointer and sized to its text" test "${tw:-0}" -gt 100 -a "${th:-0}" -gt 50
check "the tooltip draws text on its background" test "$(distinct_colours "$tip" "$tip_shot")" -gt 4
xdotool mousemove $((gx + gw + 200)) $((gy + 20))
check "the tooltip hides when the pointer leaves" wait_for "tooltip hidden" 10
xdotool key Escape
check "Escape ends the browser without a choice" probe_ended
check "no choice was reported" bash -c "! grep -q '^chosen' '$log'"

# ---- dragging and Delete -----------------------------------------------------------
start_probe "$folder"
read -r gx gy gw gh <<<"$(control 888)"
# a-swirl.png (cell 0) dragged onto the right half of cell 2: it moves
# behind d-checker.gif, and stays the selected item.
xdotool mousemove $((gx + 47)) $((gy + 47)) mousedown 1
sleep 0.3
for step in 1 2 3 4 5 6; do
  xdotool mousemove $((gx + 47 + step * 35)) $((gy + 47 + step))
  sleep 0.15
done
xdotool mouseup 1
sleep 0.5
xdotool key Return
check "a dragged thumbnail moves to where it is dropped" wait_for "chosen 2 $folder\\a-swirl.png" 30
probe_ended
start_probe "$folder"
# Delete removes the focus item from the list (not from the disk); the
# item after it takes its place and the focus.
xdotool key Right Right Delete Return
check "Delete removes the item and focuses the one after it" wait_for "chosen 1 $folder\\d-checker.gif" 30
check "the deleted file stays on disk" test -f pictures/b-plasma.jpg
probe_ended

# ---- clicks --------------------------------------------------------------------
start_probe "$folder"
read -r gx gy gw gh <<<"$(control 888)"
xdotool mousemove $((gx + 95 + 47)) $((gy + 95 + 47)) click 1
sleep 0.5
# The empty cells after the last thumbnail: a click there ends with the focus.
xdotool mousemove $((gx + 95 * 3 + 47)) $((gy + 95 * 2 + 47)) click 1
check "a click on the empty area ends with the clicked thumbnail" wait_for "chosen 5 " 30
probe_ended
start_probe "$folder"
# A click outside the popup (on the program's own window) closes it
# without a choice.
xdotool mousemove 60 60 click 1
check "a click outside closes the browser without a choice" wait_for "popup closed" 10
check "...and chooses nothing" bash -c "! grep -q '^chosen' '$log'"
probe_ended

# ---- changing the folder -------------------------------------------------------
start_probe "$folder" --next-folder "$other"
first=$(control 888)
# shellcheck disable=SC2046
xdotool mousemove $(centre 3105) click 1
check "Change Folder rescans the chosen folder" wait_for "folder $other" 30
check "the new folder's first picture becomes the template" wait_for "chosen 0 $other\\x-first.png" 30
check "the browser opens again on the new folder" wait_for "grid items 2" 30
check "...at the place it was" test "$(grep '^control 888 ' "$log" | tail -n 1 | cut -d' ' -f3-4)" = "$(echo "$first" | cut -d' ' -f1-2)"
xdotool key Escape
probe_ended

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
