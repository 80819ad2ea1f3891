#!/usr/bin/env bash
# End-to-end tests of the command-line tools, run as a user runs them.
#
#   cli_test.sh BIN_DIR [RUNNER]
#
# BIN_DIR holds tintavo, tintavo-host and the plug-in; RUNNER (for example
# the Wine runner) starts the Windows programs.  Fixture pictures are made
# with ImageMagick.  Prints one line per check and "N passed, M failed".
set -u

bin=$1
runner=${2:-}
exe=""
plugin=$bin/Tintavo.so
if [ -f "$bin/tintavo.exe" ]; then
  exe=.exe
  plugin=$bin/Tintavo.8bf
fi

if ! command -v convert >/dev/null; then
  echo "ImageMagick's convert is needed to make the fixtures"
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"; rm -rf "$bin/Presets"' EXIT
cd "$work" || exit 1
export XDG_CONFIG_HOME=$work/config
export TINTAVO_HEADLESS=1
# Presets live beside the plug-in on Windows, in the configuration folder
# elsewhere (made when the first one is saved).
presets_dir=$XDG_CONFIG_HOME/tintavo/presets
[ -n "$exe" ] && presets_dir=$bin/Presets

passed=0
failed=0
check() {  # check "what" command...
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok   $what"
  else
    failed=$((failed + 1))
    echo "FAIL $what"
  fi
}

tintavo() { $runner "$bin/tintavo$exe" "$@"; }
host() { $runner "$bin/tintavo-host$exe" "$@"; }

# Runs tintavo, keeping its exit code and stderr.
# Windows programs end their lines with CR LF: the checks see plain lines.
run() {
  tintavo "$@" >out.raw 2>err.raw
  code=$?
  tr -d '\r' <out.raw >out.txt
  tr -d '\r' <err.raw >err.txt
}

exits() { [ "$code" = "$1" ] || { echo "     exit code $code, expected $1; stderr: $(cat err.txt)"; return 1; }; }
says() { grep -q -- "$1" err.txt || { echo "     stderr lacks '$1': $(cat err.txt)"; return 1; }; }
same() { cmp -s "$1" "$2"; }
differ() { ! cmp -s "$1" "$2"; }
# Pixels of two pictures equal inside a WxH+X+Y region.
same_region() {
  local a b
  a=$(convert "$1" -crop "$3" +repage -depth 8 rgb:- | md5sum)
  b=$(convert "$2" -crop "$3" +repage -depth 8 rgb:- | md5sum)
  [ "$a" = "$b" ]
}

convert -size 160x120 gradient:navy-orange -swirl 60 src.bmp
convert -size 80x60 plasma:fractal -seed 7 tpl.bmp
convert -size 160x120 xc:black -fill white -draw "rectangle 40,30 119,89" mask.bmp
convert -size 160x120 xc:black zero.bmp
convert -size 10x10 xc:white small.bmp
printf 'not a picture' > noise.png

# ---- apply ------------------------------------------------------------------
run apply --template tpl.bmp src.bmp out.bmp
check "apply writes a repainted picture" exits 0
check "the result differs from the source" differ src.bmp out.bmp
run info out.bmp
check "the result decodes" exits 0

for option in "--brightness 20" "--color -30" "--fade 40" "--mode brightness" "--mode color" "--brightness=-100 --color=100 --fade=100"; do
  # shellcheck disable=SC2086
  run apply --template tpl.bmp src.bmp opt.bmp $option
  check "apply $option" exits 0
  check "apply $option changes the result" differ out.bmp opt.bmp
done
run apply --template tpl.bmp src.bmp src-faded.bmp --fade 100
check "fade 100 gives the source back" same_region src.bmp src-faded.bmp 160x120+0+0

for format in png jpg tif bmp; do
  run apply --template tpl.bmp src.bmp "out-format.$format" --quality 80
  check "apply writes .$format" exits 0
  run info "out-format.$format"
  check "the .$format result decodes" exits 0
done

run apply --template tpl.bmp --mask mask.bmp src.bmp masked.bmp
check "apply with a mask" exits 0
check "outside the mask nothing changes (top band)" same_region src.bmp masked.bmp 160x30+0+0
check "outside the mask nothing changes (left band)" same_region src.bmp masked.bmp 40x120+0+0
check "inside the mask the picture changes" differ src.bmp masked.bmp

# ---- apply --timings: each step's wall time on stderr, the same picture --------
has_step() {  # has_step NAME: a line "  NAME   <seconds>" on stderr
  grep -Eq "^ +$1 +[0-9]+\.[0-9]{3}\$" err.txt || { echo "     no '$1' time in: $(cat err.txt)"; return 1; }
}
run apply --timings --template tpl.bmp src.bmp timed.bmp
check "apply --timings" exits 0
check "apply --timings writes the same picture" same out.bmp timed.bmp
for step in "decode source" "run" "source pass" "template pass" "statistics" "output pass" "encode" "total"; do
  check "apply --timings reports '$step'" has_step "$step"
done
check "apply --timings names the threads and loops" says "transfer ([0-9]* threads, "
check "apply --timings prints nothing on stdout" [ ! -s out.txt ]
run apply --template tpl.bmp --mask mask.bmp src.bmp masked-timed.bmp --timings
check "apply --mask --timings writes the masked picture" same masked.bmp masked-timed.bmp
check "apply --mask --timings reports the mask mix" has_step "mask mix"
run apply --template tpl.bmp src.bmp quiet.bmp
check "apply without --timings prints no times" [ ! -s err.txt ]

# ---- failures: a clear line, a non-zero exit, OUT as it was -------------------
cp src.bmp keep.bmp
cp keep.bmp before.bmp
fail_case() {  # fail_case CODE MESSAGE args...
  local want=$1 message=$2
  shift 2
  run "$@"
  check "$* -> exit $want" exits "$want"
  check "$* -> says '$message'" says "$message"
  check "$* -> OUT untouched" same keep.bmp before.bmp
}
fail_case 1 "missing.bmp" apply --template tpl.bmp missing.bmp keep.bmp
fail_case 1 "noise.png" apply --template noise.png src.bmp keep.bmp
fail_case 1 "missing-template.bmp" apply --template missing-template.bmp src.bmp keep.bmp
fail_case 1 "selects nothing" apply --template tpl.bmp --mask zero.bmp src.bmp keep.bmp
fail_case 1 "the mask is" apply --template tpl.bmp --mask small.bmp src.bmp keep.bmp
fail_case 2 "unknown option" apply --template tpl.bmp --bogus 1 src.bmp keep.bmp
fail_case 2 "from -100 to 100" apply --template tpl.bmp --brightness 101 src.bmp keep.bmp
fail_case 2 "from 0 to 100" apply --template tpl.bmp --fade -1 src.bmp keep.bmp
fail_case 2 "normal, brightness or color" apply --template tpl.bmp --mode loud src.bmp keep.bmp
fail_case 2 "from 1 to 100" apply --template tpl.bmp --quality 0 src.bmp keep.bmp
fail_case 2 "is required" apply src.bmp keep.bmp
fail_case 2 "OUT must end" apply --template tpl.bmp src.bmp keep.xyz
fail_case 2 "unknown command" bogus
ls -a | grep -q '\.tmp$' && leftovers=yes || leftovers=no
check "no temporary files are left behind" [ "$leftovers" = no ]

# ---- an interrupted run leaves OUT as it was (or complete) ---------------------
if [ -z "$runner" ]; then
  convert -size 3000x2000 gradient:red-blue -swirl 90 big.bmp
  cp keep.bmp big-out.bmp
  "$bin/tintavo" apply --template tpl.bmp big.bmp big-out.bmp 2>/dev/null &
  pid=$!
  sleep 0.3
  kill -TERM "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  if same keep.bmp big-out.bmp; then whole=yes; else
    tintavo info big-out.bmp >/dev/null 2>&1 && whole=yes || whole=no
  fi
  check "an interrupted run leaves the previous OUT or a complete one" [ "$whole" = yes ]
  ls -a | grep -q '\.tmp$' && leftovers=yes || leftovers=no
  check "an interrupted run leaves no temporary file" [ "$leftovers" = no ]
fi

# ---- convert and info --------------------------------------------------------
run convert src.bmp src-copy.png
check "convert writes PNG" exits 0
run convert src-copy.png src-copy.bmp
check "convert round trip keeps every pixel" same_region src.bmp src-copy.bmp 160x120+0+0
run info src.bmp
check "info names the type" grep -q "type by content:   BMP" out.txt
check "info gives the size" grep -q "160 x 120" out.txt
cp src.bmp renamed.gif
run info renamed.gif
check "info tells content from extension" grep -q "type by extension: GIF" out.txt
run info noise.png
check "info on a non-picture fails" exits 1

# ---- damaged pictures: decoded as far as they go, with a warning -------------
convert -size 320x240 plasma:fractal -seed 11 -quality 90 whole.jpg
convert -size 320x240 plasma:fractal -seed 11 whole.png
head -c $(($(wc -c <whole.jpg) * 2 / 5)) whole.jpg >cut.jpg
head -c $(($(wc -c <whole.png) / 2)) whole.png >cut.png
jpeg_cut="cut.jpg is damaged or truncated: JPEG: Premature end of JPEG file"
run apply --template cut.jpg src.bmp cut-template.bmp
check "a cut template is used" exits 0
check "a cut template is named in a warning" says "tintavo: warning: $jpeg_cut"
run apply --template tpl.bmp cut.jpg cut-source.bmp
check "a cut source is used" exits 0
check "a cut source is named in a warning" says "tintavo: warning: $jpeg_cut"
run convert cut.png cut-copy.bmp
check "convert of a cut picture" exits 0
check "convert warns about a cut picture" says "cut.png is damaged or truncated: PNG: the file ends early;"
run info cut.jpg
check "info on a cut picture decodes it" exits 0
check "info says the data is cut" grep -q "damaged or truncated: JPEG: Premature end of JPEG file" out.txt
run info whole.jpg
check "info calls a whole picture complete" grep -q "data:              complete" out.txt
run apply --template whole.jpg whole.png whole-out.bmp
check "whole pictures give no warning" bash -c '! grep -q warning err.txt'

# ---- settings and presets ----------------------------------------------------
run settings reset
run settings show
check "settings show marks values not stored" grep -q "(not stored)" out.txt
run settings set Filename "$work/tpl.bmp"
check "settings set Filename" exits 0
run settings set Radius 12
run settings show
check "settings show lists the stored value" grep -q "Radius           12" out.txt
run settings set Radius twelve
check "settings set refuses a non-number" exits 2
run settings set radius 1
check "settings names are case-sensitive" exits 2

run presets save warm
check "presets save" exits 0
run presets save warm
check "presets save refuses to overwrite" exits 1
run settings set Radius 50
run presets load warm
check "presets load" exits 0
run settings show
check "presets load restores the stored settings" grep -q "Radius           12" out.txt
run presets list
check "presets list" grep -qx "warm" out.txt
run presets delete warm
check "presets delete" exits 0
run presets list
check "a deleted preset is gone" bash -c "! grep -qx warm out.txt && grep -qx Default out.txt"
run presets load warm
check "loading a missing preset fails" says "Can't load the selected preset"

# ---- the plug-in driven by tintavo-host --------------------------------------
run settings reset
for s in "Filename $work/tpl.bmp" "Radius 0" "Color 0" "Blend 0" "Path x" "ALTERNATIVEMODE 0" "ImageSelected 0"; do
  # shellcheck disable=SC2086
  run settings set $s
done
host --headless "$plugin" src.bmp hosted.bmp >host.txt 2>&1
code=$?
check "tintavo-host runs the plug-in" exits 0
check "tintavo-host shows the continue step" grep -q "continue: 0" host.txt
run apply --template tpl.bmp src.bmp applied.bmp
check "the plug-in's result equals tintavo apply's, byte for byte" same hosted.bmp applied.bmp
host --headless --mask mask.bmp "$plugin" src.bmp hosted-masked.bmp >host.txt 2>&1
code=$?
check "tintavo-host with a selection" exits 0
check "the plug-in's selection equals tintavo apply --mask" same hosted-masked.bmp masked.bmp
host --headless --alpha --extra-planes 2 "$plugin" src.bmp hosted-planes.bmp >host.txt 2>&1
code=$?
check "tintavo-host with transparency and extra planes" exits 0
check "the colour planes are repainted as without them" same hosted-planes.bmp applied.bmp
host --headless --mode grey "$plugin" src.bmp hosted-grey.bmp >host.txt 2>&1
code=$?
check "a grey document is refused" exits 1
check "the refusal names the reason" grep -q "Program requires RGB image" host.txt
check "the refusal answers -128" grep -q "continue: -128" host.txt
host --headless --about "$plugin" >host.txt 2>&1
code=$?
check "the about selector" exits 0
check "the about box reads the version record" grep -q "Tintavo plug-in Version 1.1" host.txt
run settings reset

# ---- the stored settings: kept whole, by every process; preset names ----------
stored() {  # stored NAME VALUE: `settings show` lists NAME (either name) with VALUE as stored
  grep -Eq "(^| )$1 +$2\$" out.txt || { echo "     $1 is not $2: $(grep -E "(^| )$1 " out.txt)"; return 1; }
}
run settings reset
run settings set Filename "$work/tpl.bmp"
run settings show
check "one value set on a fresh store stores the whole set" bash -c "! grep -q 'not stored' out.txt"
host --headless "$plugin" src.bmp fresh-hosted.bmp >host.txt 2>&1
code=$?
check "a filter run after setting only the template finds it" exits 0
check "... and says nothing of a missing template" bash -c "! grep -q 'No template picture' host.txt"
run settings show
check "... and leaves the template stored" stored Filename "\"$work/tpl.bmp\""

run settings reset
run settings set ALTERNATIVEMODE 2
run settings set Path "$work"
run presets save whole
check "presets save after single settings" exits 0
run settings reset
run presets load whole
check "presets load" exits 0
run settings show
check "a preset keeps the mode that was set" stored ALTERNATIVEMODE 2
check "a preset keeps the folder that was set" stored Path "\"$work\""
check "a loaded preset stores the whole set" bash -c "! grep -q 'not stored' out.txt"
run presets delete whole

if [ -z "$runner" ]; then
  # A store written in part, as the one-value writes of an older tool left it.
  run settings reset
  mkdir -p "$XDG_CONFIG_HOME/tintavo"
  printf '[Software]\n[Software\\Velmora]\n[Software\\Velmora\\Hueloom]\n"ALTERNATIVEMODE"=dword:00000002\n"Filename"=sz:"%s"\n' \
    "$work/tpl.bmp" >"$XDG_CONFIG_HOME/tintavo/registry.txt"
  run presets save partial
  run settings set Radius 9
  run settings show
  check "a store written in part keeps its mode" stored ALTERNATIVEMODE 2
  check "a store written in part keeps its template" stored Filename "\"$work/tpl.bmp\""
  run settings reset
  run presets load partial
  run settings show
  check "a preset saved from a store written in part keeps its values" stored ALTERNATIVEMODE 2
  run presets delete partial

  # A store that exists but cannot be read (here a folder) is reported, and left as it is.
  rm -f "$XDG_CONFIG_HOME/tintavo/registry.txt"
  mkdir -p "$XDG_CONFIG_HOME/tintavo/registry.txt"
  for args in "settings show" "settings set Radius 1" "presets save unreadable" "presets load Default"; do
    # shellcheck disable=SC2086
    run $args
    check "$args on an unreadable store -> exit 1" exits 1
    check "$args on an unreadable store names it" says "registry.txt"
  done
  check "an unreadable store stays as it was" [ -d "$XDG_CONFIG_HOME/tintavo/registry.txt" ]
  rmdir "$XDG_CONFIG_HOME/tintavo/registry.txt"

  # A damaged store: one line on stderr, its bytes kept aside, the readable values kept.
  printf '[Software]\n[Software\\Velmora]\n[Software\\Velmora\\Hueloom]\n"Radius"=dword:00000011\nno value here\n' \
    >"$XDG_CONFIG_HOME/tintavo/registry.txt"
  cp "$XDG_CONFIG_HOME/tintavo/registry.txt" damaged.txt
  run settings show
  check "a damaged store is reported in one line" [ "$(wc -l <err.txt)" = 1 ]
  check "the report names the copy" says "registry.txt.damaged"
  check "the copy holds the damaged store" same damaged.txt "$XDG_CONFIG_HOME/tintavo/registry.txt.damaged"
  check "the readable value stays" stored Radius 17
  run settings show
  check "a damaged store is reported once" [ ! -s err.txt ]
  rm -f "$XDG_CONFIG_HOME/tintavo/registry.txt.damaged"
fi

# Several tools setting values at once: each keeps the others' values.
rounds=15
[ -n "$runner" ] && rounds=3
lost=0
for round in $(seq "$rounds"); do
  tintavo settings reset
  tintavo settings set Radius "$round" &
  tintavo settings set Color "$((round + 1))" &
  tintavo settings set Blend "$((round + 2))" &
  tintavo settings set ImageSelected "$((round + 3))" &
  tintavo settings set Path "p$round" &
  wait
  run settings show
  stored Radius "$round" >/dev/null && stored Color "$((round + 1))" >/dev/null &&
    stored Blend "$((round + 2))" >/dev/null && stored ImageSelected "$((round + 3))" >/dev/null &&
    stored Path "\"p$round\"" >/dev/null || lost=$((lost + 1))
done
check "settings set commands run at once lose no value ($lost of $rounds rounds lost some)" [ "$lost" = 0 ]

# Preset names are plain file names in the presets folder.
run settings reset
for name in "../escape" "sub/x" "" ".hidden" "$(printf 'two\nlines')" "Default" "$(printf 'n%.0s' $(seq 201))"; do
  label=$(printf '%s' "$name" | tr '\n' '~' | cut -c1-20)
  run presets save "$name"
  check "presets save '$label' is refused" exits 2
  check "presets save '$label' says why" says "preset"
done
check "no preset was written outside the folder" [ ! -e "$presets_dir/../escape.preset" ]
check "no preset was written into a subfolder" [ ! -e "$presets_dir/sub" ]
check "no nameless preset was written" [ ! -e "$presets_dir/.preset" ]
echo "Hueloom" >"$presets_dir/../escape.preset"
run presets delete ../escape
check "presets delete ../escape is refused" exits 2
check "presets delete ../escape leaves the file outside the folder" [ -e "$presets_dir/../escape.preset" ]
run presets load ../escape
check "presets load ../escape is refused" exits 2
rm -f "$presets_dir/../escape.preset"
run presets list
check "presets list holds no empty or broken entry" bash -c "! grep -qx -e '' -e two out.txt"
run settings reset

# ---- tintavo-host: layer masks and hosts that deviate from the request -------
# Both pictures exist and hold the same pixels.
same_picture() { [ -s "$1" ] && [ -s "$2" ] && same_region "$1" "$2" 160x120+0+0; }
run settings reset
for s in "Filename $work/tpl.bmp" "Radius 0" "Color 0" "Blend 0" "Path x" "ALTERNATIVEMODE 0" "ImageSelected 0"; do
  # shellcheck disable=SC2086
  run settings set $s
done
run apply --template tpl.bmp src.bmp deviate-applied.bmp
host --headless --layer-mask --extra-planes 1 "$plugin" src.bmp hosted-layer-mask.bmp >host.txt 2>&1
code=$?
check "tintavo-host with a layer mask" exits 0
check "a layer-mask document gets its colour planes repainted" same_picture hosted-layer-mask.bmp deviate-applied.bmp
host --headless --alpha --extra-planes 2 --send-planes 4 "$plugin" src.bmp hosted-sent4.bmp >host.txt 2>&1
code=$?
check "a host sending 4 of 6 planes" exits 0
check "4 of 6 planes are repainted as the whole document" same_picture hosted-sent4.bmp deviate-applied.bmp
for deviation in "--send-planes 2" "--alpha --send-planes 3" "--clip-mask --mask mask.bmp"; do
  # shellcheck disable=SC2086
  rm -f hosted-refused.bmp
  host --headless $deviation "$plugin" src.bmp hosted-refused.bmp >host.txt 2>&1
  code=$?
  check "tintavo-host $deviation is refused" exits 1
  check "tintavo-host $deviation answers -128" grep -q "continue: -128" host.txt
  check "tintavo-host $deviation leaves the document as it was" same_picture hosted-refused.bmp src.bmp
done
run settings reset

# ---- convert --resize ---------------------------------------------------------
size_is() { [ "$(identify -format '%wx%h' "$1")" = "$2" ] || { echo "     $1 is $(identify -format '%wx%h' "$1"), expected $2"; return 1; }; }
run convert src.bmp thumb.png --resize 85
check "convert --resize N fits into N x N" exits 0
check "the thumbnail keeps the aspect (160 x 120 into 85 x 63)" size_is thumb.png 85x63
run convert src.bmp kept.bmp --resize 1000
check "convert --resize N never enlarges" size_is kept.bmp 160x120
check "a picture that fits keeps its pixels" same_region src.bmp kept.bmp 160x120+0+0
run convert src.bmp doubled.bmp --resize 320x240 --filter nearest
check "convert --resize WxH --filter nearest" exits 0
convert src.bmp -sample 320x240 sampled.bmp
check "nearest at twice the size repeats every pixel" same_region doubled.bmp sampled.bmp 320x240+0+0
convert -size 300x200 xc:'#4080c0' flat.bmp
for filter in nearest bilinear bicubic area auto; do
  run convert flat.bmp "flat-$filter.png" --resize 7x5 --filter "$filter"
  check "--filter $filter keeps a flat picture flat" \
    [ "$(identify -format "%wx%h %k" "flat-$filter.png")" = "7x5 1" ]
  check "--filter $filter keeps its colour" same_region flat.bmp "flat-$filter.png" 7x5+0+0
done
for bad in "--resize 0" "--resize 10x" "--resize x10" "--resize 70000" "--filter area" "--resize 10 --filter lanczos"; do
  # shellcheck disable=SC2086
  run convert src.bmp refused.png $bad
  check "convert $bad is a usage error" exits 2
  check "convert $bad writes nothing" [ ! -e refused.png ]
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
