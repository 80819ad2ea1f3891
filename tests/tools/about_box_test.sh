#!/usr/bin/env bash
# The Windows about box on a virtual screen: the plug-in shows it for the
# about selector, and a click anywhere on it, or Escape, closes it.
#
#   about_box_test.sh BIN_DIR RUNNER
set -u
bin=$1
runner=$2
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is needed"; exit 1; }
done

# shellcheck source=wine_screen.sh
. "$(dirname "$0")/wine_screen.sh"
start_screen 800x600
trap 'kill $xvfb 2>/dev/null' EXIT
# The prefix exists once any Windows program of the build has run.
TINTAVO_HEADLESS=1 $runner "$bin/tintavo.exe" --version >/dev/null 2>&1
prepare_wine_prefix

passed=0
failed=0
check() {
  if "${@:2}"; then passed=$((passed + 1)); echo "ok   $1"; else failed=$((failed + 1)); echo "FAIL $1"; fi
}

# Starts the about selector and waits for its box; answers the window id.
open_box() {
  $runner "$bin/tintavo-host.exe" --about "$bin/Tintavo.8bf" >about.txt 2>&1 &
  host=$!
  window=""
  for _ in $(seq 1 60); do
    # The box: a visible window smaller than the screen.
    window=""
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
      xdotool getwindowgeometry "$w" | grep -q 'Geometry: 800x600' || window=$w
    done
    [ -n "$window" ] && break
    sleep 0.5
  done
  sleep 3  # let the dialog finish drawing and enter its message loop
}

# Whether the host ended with the about selector's answer 0 after the given
# action (a click or a key).  On a loaded machine the box may still be
# entering its message loop when the first action arrives, so the action is
# repeated up to three times, 20 s apart; a box that never closes fails.
closed_by() {
  for _ in 1 2 3; do
    "$@"
    for _ in $(seq 1 40); do
      if ! kill -0 "$host" 2>/dev/null; then
        wait "$host"
        grep -q "about: 0" about.txt
        return
      fi
      sleep 0.5
    done
  done
  kill "$host" 2>/dev/null
  return 1
}

work=$(mktemp -d)
cd "$work" || exit 1

open_box
check "the about box appears" [ -n "$window" ]
# The box is centred on the screen.
check "a click on the box closes it" closed_by xdotool mousemove 400 300 click 1

open_box
check "the about box appears again" [ -n "$window" ]
check "Escape closes it" closed_by xdotool key Escape

rm -rf "$work"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
