# Shared set-up of the tests that drive Windows programs' windows under Wine
# on a virtual screen.  Sourced with bin (the build's bin folder) and runner
# (cmake/wine-run) set.
#
#   start_screen 1280x1024    Xvfb on a display of its own; sets DISPLAY and xvfb
#   prepare_wine_prefix       sets prefix; see below

# A virtual screen of the given size; its process id lands in xvfb.
start_screen() {
  local display=:$((100 + $$ % 400))
  Xvfb "$display" -screen 0 "${1}x24" >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=$display
  unset TINTAVO_HEADLESS
  sleep 1
}

# The build's Wine prefix, ready for windows on this screen:
# - the prefix's Wine server is stopped first: a server left running by an
#   earlier test (with no screen, or another one) keeps its desktop process,
#   and windows of later programs then do not get the pointer's clicks;
# - Wine draws the window frames itself (there is no window manager on the
#   virtual screen), so captions show and frames and size grips can be
#   dragged.
prepare_wine_prefix() {
  prefix=$(cd "$bin/.." && pwd)/wineprefix
  if [ -d "$prefix" ]; then
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -k >/dev/null 2>&1
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -w >/dev/null 2>&1
  fi
  wine_reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
}

# reg.exe of the build's prefix with the given arguments.
wine_reg() {
  TINTAVO_WINEPREFIX=$prefix $runner "$prefix/drive_c/windows/system32/reg.exe" "$@" >/dev/null 2>&1
}
