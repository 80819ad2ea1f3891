#!/usr/bin/env bash
# The plug-in's main dialog on a virtual screen, driven as a user drives it:
# tintavo-host opens it on a picture, xdotool double-clicks the preview,
# presses OK or Escape and drags the size grip, and the dialog's test log
# (TINTAVO_UI_LOG) tells where its controls are and when a run has ended.
#
#   dialog_test.sh BIN_DIR RUNNER [SCREENSHOT]
#
# SCREENSHOT, when given, receives a picture of the open dialog showing a
# result.  Prints one line per check and "N passed, M failed".
set -u
bin=$1
runner=$2
shot=${3:-}
for tool in Xvfb xdotool convert compare import; do
  command -v "$tool" >/dev/null || { echo "$tool is needed"; exit 1; }
done

display=:$((100 + $$ % 400))
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
export DISPLAY=$display
unset TINTAVO_HEADLESS
cd "$work" || exit 1
sleep 1

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
# Wine draws the window frames itself (there is no window manager on the
# virtual screen), so the caption shows and the size grip can be dragged.
prefix=$(cd "$bin/.." && pwd)/wineprefix
TINTAVO_WINEPREFIX=$prefix $runner "$prefix/drive_c/windows/system32/reg.exe" \
  add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
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
tintavo apply --template tpl.png --brightness 20 --color -10 --fade 15 --mode normal src.png expected.png >/dev/null 2>&1
open_dialog src.png out.png
check "the dialog opens with its preview" [ -n "$(control 3002)" ]
check "the caption shows the zoom" grep -q "^zoom [0-9]" "$log"
double_click
check "a double-click on the preview runs the stored settings" \
  wait_for "run start brightness=20 color=-10 fade=15 mode=0 template=$template" 30
check "the run ends" wait_for "run done" 120
sleep 1
[ -n "$shot" ] && import -window root "$shot"
# shellcheck disable=SC2046
xdotool mousemove $(centre 1) click 1
check "OK ends the dialog" wait_for "end ok" 30
ended_ok() { host_ended && [ "$host_code" = 0 ] && grep -q "continue: 0" host.txt; }
check "the host's continue step succeeds" ended_ok
check "OK writes exactly what tintavo apply makes" same_pixels out.png expected.png

# ---- with a selection ------------------------------------------------------------
tintavo apply --template tpl.png --brightness 20 --color -10 --fade 15 --mode normal --mask mask.png src.png \
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
