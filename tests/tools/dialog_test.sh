#!/usr/bin/env bash
# The plug-in's main dialog on a virtual screen, driven as a user drives it:
# tintavo-host opens it on a picture, xdotool double-clicks the preview,
# types into the control pane's fields, turns the wheel, drags a field's
# slider, clicks the mode buttons, the display list and Help, presses OK or
# Escape and drags the size grip; the dialog's test log (TINTAVO_UI_LOG)
# tells where its controls are and when a run has ended.
#
#   dialog_test.sh BIN_DIR RUNNER [SCREENSHOT]
#
# SCREENSHOT, when given, receives a picture of the open dialog showing a
# result; pictures of the pane's other states land beside it
# (SCREENSHOT-opening.png, -slider.png, -original.png).  Prints one line per
# check and "N passed, M failed".
set -u
bin=$1
runner=$2
shot=${3:-}
for tool in Xvfb xdotool convert compare import; do
  command -v "$tool" >/dev/null || { echo "$tool is needed"; exit 1; }
done

# shellcheck source=wine_screen.sh
. "$(dirname "$0")/wine_screen.sh"
start_screen 1280x1024
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
# The shell opens the help page with the desktop's browser: here a stand-in
# that notes what it was asked to open.
mkdir -p "$work/fakebin"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >> "%s/opened.txt"\n' "$work" > "$work/fakebin/xdg-open"
chmod +x "$work/fakebin/xdg-open"
export PATH=$work/fakebin:$PATH
cd "$work" || exit 1

passed=0
failed=0
check() {
  if "${@:2}"; then passed=$((passed + 1)); echo "ok   $1"; else failed=$((failed + 1)); echo "FAIL $1"; fi
}

tintavo() { TINTAVO_HEADLESS=1 $runner "$bin/tintavo.exe" "$@"; }

# Fixtures: a source, a template, a selection and a large source.
convert -size 320x240 gradient:'#2050c0'-'#f0d080' -swirl 120 -depth 8 src.png
convert -size 160x120 gradient:'#803010'-'#30a060' -depth 8 tpl.png
convert -size 320x240 xc:black -fill white -draw "circle 160,120 160,40" -depth 8 -type Grayscale mask.png
convert -size 4000x3000 gradient:'#2050c0'-'#f0d080' -depth 8 big.png
template="Z:$(pwd -P | tr / '\\')\\tpl.png"
tintavo settings reset >/dev/null 2>&1
prepare_wine_prefix
# Web pages open with Wine's browser bridge, which hands them to xdg-open
# (the stand-in above).
wine_reg add 'HKCR\.html' /ve /d htmlfile /f
wine_reg add 'HKCR\htmlfile\shell\open\command' /ve /d 'C:\windows\system32\winebrowser.exe "%1"' /f
for s in "Filename $template" "Radius 20" "Color -10" "Blend 15" "ALTERNATIVEMODE 0"; do  # "--": -10 is a value
  # shellcheck disable=SC2086
  tintavo settings set -- $s >/dev/null 2>&1
done

dialogs=0
log=""
host_pid=""
# Opens the dialog on the given host arguments and waits for its layout.
open_dialog() {
  dialogs=$((dialogs + 1))
  log=$work/ui-$dialogs.log
  TINTAVO_UI_LOG=$log $runner "$bin/tintavo-host.exe" "$bin/Tintavo.8bf" "$@" >host.txt 2>&1 &
  host_pid=$!
  wait_for "control 3002" 120
  sleep 2  # the window maps and paints
}
# Waits (at most $2 seconds) for a line starting with the text $1 in the log.
wait_for() {
  for _ in $(seq 1 $(($2 * 4))); do
    # (The text goes through the environment: awk -v would read its backslashes.)
    t="$1" awk 'index($0, ENVIRON["t"]) == 1 { found = 1 } END { exit !found }' "$log" 2>/dev/null && return 0
    sleep 0.25
  done
  return 1
}
# The centre of a control by the log's last "control ID X Y W H" line.
centre() {
  grep "^control $1 " "$log" | tail -n 1 | awk '{ printf "%d %d", $3 + $5 / 2, $4 + $6 / 2 }'
}
control() { grep "^control $1 " "$log" | tail -n 1 | cut -d' ' -f3-; }
# Whether the host ended within 60 s; its exit code lands in host_code.
host_ended() {
  for _ in $(seq 1 240); do
    if ! kill -0 "$host_pid" 2>/dev/null; then
      wait "$host_pid"
      host_code=$?
      return 0
    fi
    sleep 0.25
  done
  kill "$host_pid" 2>/dev/null
  return 1
}
same_pixels() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = "0" ]; }
double_click() {
  # shellcheck disable=SC2046
  xdotool mousemove $(centre 3002) click --repeat 2 --delay 60 1
}

# ---- a run, then OK -----------------------------------------------------------
# The pane opens with its three settings at 0 (the stored ones are not
# used), the stored template and mode 0.
tintavo apply --template tpl.png --brightness 0 --color 0 --fade 0 --mode normal src.png expected.png >/dev/null 2>&1
open_dialog src.png out.png
check "the dialog opens with its preview" [ -n "$(control 3002)" ]
check "the dialog opens with the control pane" [ -n "$(control 3025)" ]
check "the caption shows the zoom" grep -q "^zoom [0-9]" "$log"
check "the stored template's picture is on the button" grep -q "^template picture [0-9]*x[0-9]*" "$log"
sleep 1
[ -n "$shot" ] && import -window root "${shot%.png}-opening.png"
check "opening the dialog starts no run" bash -c "[ -s '$log' ] && ! grep -q '^run start' '$log'"
double_click
check "a double-click on the preview runs the pane's settings, all 0" \
  wait_for "run start brightness=0 color=0 fade=0 mode=0 template=$template" 30
check "the run ends" wait_for "run done" 120
sleep 1
[ -n "$shot" ] && import -window root "$shot"
# shellcheck disable=SC2046
xdotool mousemove $(centre 1) click 1
check "OK ends the dialog" wait_for "end ok" 30
ended_ok() { host_ended && [ "$host_code" = 0 ] && grep -q "continue: 0" host.txt; }
check "the host's continue step succeeds" ended_ok
check "OK writes exactly what tintavo apply makes" same_pixels out.png expected.png

# ---- the pane's fields and modes -------------------------------------------------
runs_of() { grep -c "^run start $1 " "$log"; }
# Opens the dialog, gets a first result (the fields are enabled with it),
# clicks mode button $2 (none for "-"), types $3 into field $1 (Ctrl+A, the
# text, Tab), waits for the run of $4 and presses OK; the output must equal
# `tintavo apply` with the options $5.
field_case() {
  local field=$1 mode_button=$2 text=$3 settings=$4 options=$5 name=$6
  # shellcheck disable=SC2086
  tintavo apply --template tpl.png $options src.png "expected-$name.png" >/dev/null 2>&1
  open_dialog src.png "out-$name.png"
  double_click
  wait_for "run done" 120
  local before
  before=$(grep -c "^run start" "$log")
  if [ "$mode_button" != "-" ]; then
    # shellcheck disable=SC2046
    xdotool mousemove $(centre "$mode_button") click 1
    sleep 1
    check "$name: a mode click before any template starts no run" test "$(grep -c '^run start' "$log")" = "$before"
  fi
  # shellcheck disable=SC2046
  xdotool mousemove $(centre "$field") click 1
  sleep 0.3
  xdotool key ctrl+a
  xdotool type --delay 5 -- "$text"
  xdotool key Tab
  check "$name: one run with the typed value" wait_for "run start $settings template=$template" 30
  check "$name: the run ends" wait_for "run done" 120
  sleep 1
  check "$name: exactly one such run" test "$(runs_of "$settings")" = 1
  # shellcheck disable=SC2046
  xdotool mousemove $(centre 1) click 1
  wait_for "end ok" 30
  host_ended
  check "$name: OK writes exactly what tintavo apply $options makes" same_pixels "out-$name.png" "expected-$name.png"
}
field_case 3025 - -25 "brightness=-25 color=0 fade=0 mode=0" "--brightness -25" brightness
field_case 3031 - 40 "brightness=0 color=40 fade=0 mode=0" "--color 40" color
field_case 3032 - 30 "brightness=0 color=0 fade=30 mode=0" "--fade 30" fade
field_case 3031 3021 -60 "brightness=0 color=-60 fade=0 mode=1" "--color -60 --mode brightness" only-brightness
field_case 3025 3023 15 "brightness=15 color=0 fade=0 mode=2" "--brightness 15 --mode color" only-color
field_case 3032 3022 150 "brightness=0 color=0 fade=100 mode=0" "--fade 100 --mode normal" clamped

# ---- wheel, arrow keys, slider, display list, hints and help ---------------------
tintavo apply --template tpl.png --color 3 --fade 100 src.png expected-mouse.png >/dev/null 2>&1
open_dialog src.png out-mouse.png
double_click
wait_for "run done" 120
# Two wheel notches up over Color intensity, then one arrow key up.
# shellcheck disable=SC2046
xdotool mousemove $(centre 3031) click 1
sleep 0.3
xdotool click 4
sleep 0.2
xdotool click 4
check "the wheel steps a field by whole notches" wait_for "run start brightness=0 color=2 fade=0" 30
wait_for "run done" 120
xdotool key Up
check "the arrow key steps a field" wait_for "run start brightness=0 color=3 fade=0" 30
wait_for "run done" 120
# Fade's drop-down button, held and dragged far to the right.
read -r bx by bw bh <<<"$(control 30321)"
xdotool mousemove $((bx + bw / 2)) $((by + bh / 2)) mousedown 1
sleep 0.5
xdotool mousemove_relative -- 20 0
sleep 0.5
[ -n "$shot" ] && import -window root "${shot%.png}-slider.png"
xdotool mousemove_relative -- 300 0
sleep 0.3
xdotool mouseup 1
check "dragging the slider to its end sets the maximum" wait_for "run start brightness=0 color=3 fade=100" 30
check "the slider's run ends" wait_for "run done" 120
sleep 1
# "Original" in the display list, then "Result" again: no run either way.
runs=$(grep -c "^run start" "$log")
read -r lx ly lw lh <<<"$(control 3060)"
xdotool mousemove $((lx + lw / 2)) $((ly + 6)) click 1
check "choosing Original shows the original" wait_for "display original" 10
sleep 1
[ -n "$shot" ] && import -window root "${shot%.png}-original.png"
xdotool mousemove $((lx + lw / 2)) $((ly + 19)) click 1
check "choosing Result shows the result again" wait_for "display result" 10
check "the display choice starts no run" test "$(grep -c '^run start' "$log")" = "$runs"
# The zoom tool's hint.
read -r tx ty _ _ <<<"$(control 3003)"
xdotool mousemove $((tx + 10)) $((ty + 10)) click 1
check "the zoom tool shows its hint" wait_for "hint Click to zoom in. Right-click to zoom out." 10
# shellcheck disable=SC2046
xdotool mousemove $(centre 32651) click 1
check "Help names the page beside the plug-in" wait_for 'help Z:' 10
check "the help page is there" test -s "$bin/Help/tintavo.html" -a -s "$bin/Help/after.png"
check "the shell opens the help page" bash -c "for _ in \$(seq 1 40); do grep -q 'tintavo.html' '$work/opened.txt' 2>/dev/null && exit 0; sleep 0.25; done; exit 1"
# shellcheck disable=SC2046
xdotool mousemove $(centre 1) click 1
wait_for "end ok" 30
host_ended
check "wheel, arrow key and slider give exactly what tintavo apply makes" \
  same_pixels out-mouse.png expected-mouse.png

# ---- with a selection ------------------------------------------------------------
tintavo apply --template tpl.png --brightness 0 --color 0 --fade 0 --mode normal --mask mask.png src.png \
  expected-masked.png >/dev/null 2>&1
open_dialog --mask mask.png src.png out-masked.png
double_click
check "a run with a selection ends" wait_for "run done" 120
# shellcheck disable=SC2046
xdotool mousemove $(centre 1) click 1
check "the host ends after OK" host_ended
check "the selection's result equals tintavo apply --mask" same_pixels out-masked.png expected-masked.png

# ---- Escape during a run, then Escape again ----------------------------------
open_dialog big.png out-big.png
double_click
wait_for "run start" 30
xdotool key Escape
check "Escape during a run stops it and keeps the dialog open" wait_for "run stopped" 30
check "the stopped run hands nothing over" bash -c "! grep -q '^run done' '$log'"
xdotool key Escape
check "a second Escape ends the dialog" wait_for "end cancel" 30
check "the host ends" host_ended
check "the host reports the cancel" grep -q "continue: -128" host.txt
check "the host's image is untouched" same_pixels out-big.png big.png

# ---- resizing -------------------------------------------------------------------
open_dialog src.png out-resized.png
read -r wx wy ww wh <<<"$(control 0)"
read -r px py pw ph <<<"$(control 3002)"
read -r ox oy ow oh <<<"$(control 1)"
read -r zx zy zw zh <<<"$(control 1001)"
# Drags from ($1, $2) by ($3, $4) in six steps, as a hand does.
drag() {
  xdotool mousemove "$1" "$2" mousedown 1
  sleep 0.5
  for _ in 1 2 3 4 5 6; do
    xdotool mousemove_relative -- $(($3 / 6)) $(($4 / 6))
    sleep 0.2
  done
  xdotool mouseup 1
  sleep 2
}
# The size grip in the client area's bottom-right corner, dragged 120 right
# and 90 down.
drag $((wx + ww - 6)) $((wy + wh - 6)) 120 90
read -r _ _ nw nh <<<"$(control 0)"
read -r _ _ npw nph <<<"$(control 3002)"
read -r nox noy _ _ <<<"$(control 1)"
read -r nzx nzy _ _ <<<"$(control 1001)"
dw=$((nw - ww)) dh=$((nh - wh))
check "dragging the grip enlarges the dialog" test "$dw" -gt 60 -a "$dh" -gt 40
check "the preview stretches with the window" test "$npw" = $((pw + dw)) -a "$nph" = $((ph + dh))
check "the buttons follow the right edge only" test "$nox" = $((ox + dw)) -a "$noy" = "$oy"
check "the zoom text follows the bottom edge only" test "$nzx" = "$zx" -a "$nzy" = $((zy + dh))
drag $((wx + nw - 6)) $((wy + nh - 6)) -300 -300
read -r _ _ sw sh <<<"$(control 0)"
check "the dialog cannot be made smaller than it opened" test "$sw" = "$ww" -a "$sh" = "$wh"
xdotool key Escape
host_ended

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
