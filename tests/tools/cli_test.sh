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
  # Under a busy Wine a program now and then ends with an error before its
  # own code runs, printing nothing: such a start is tried once more (every
  # failure of the tool itself prints its reason).
  if [ -n "$runner" ] && [ "$code" != 0 ] && [ ! -s out.raw ] && [ ! -s err.raw ]; then
    tintavo "$@" >out.raw 2>err.raw
    code=$?
  fi
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
# ImageMagick's plasma is random whatever the seed: the PNG is the JPEG's
# picture, so that repainting one with the other never clips enough to warn.
convert -size 320x240 plasma:fractal -seed 11 -quality 90 whole.jpg
convert whole.jpg whole.png
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

# ---- photographs: orientation, metadata, transparency, JPEG options ------------
be16() { printf "$(printf '\\x%02x\\x%02x' $(($1 >> 8 & 255)) $(($1 & 255)))"; }
be32() { be16 $(($1 >> 16 & 65535)); be16 $(($1 & 65535)); }
# exif_block ORIENTATION THUMB.jpg: a big-endian EXIF structure as a camera
# writes it: IFD0 with Make and Orientation, the EXIF directory with the date
# taken, IFD1 with a JPEG thumbnail.
exif_block() {
  printf 'Exif\0\0MM\0*'; be32 8
  be16 3                                                  # IFD0 at 8
  be16 0x010F; be16 2; be32 8; be32 50                    # Make
  be16 0x0112; be16 3; be32 1; be16 "$1"; be16 0          # Orientation
  be16 0x8769; be16 4; be32 1; be32 58                    # EXIF directory
  be32 96                                                 # IFD1
  printf 'Velmora\0'                                      # 50
  be16 1                                                  # EXIF directory at 58
  be16 0x9003; be16 2; be32 20; be32 76                   # DateTimeOriginal
  be32 0
  printf '2026:12:10 09:30:00\0'                          # 76
  be16 2                                                  # IFD1 at 96
  be16 0x0201; be16 4; be32 1; be32 126                   # the thumbnail at 126
  be16 0x0202; be16 4; be32 1; be32 "$(wc -c <"$2")"
  be32 0
  cat "$2"
}
# An RGB display profile: the header, a white point and a copyright text.
icc_profile() {
  be32 604; be32 0; be32 0x02100000; printf 'mntrRGB XYZ '; printf '\0%.0s' $(seq 12); printf 'acsp'
  printf '\0%.0s' $(seq 28); be32 0xF6D6; be32 0x10000; be32 0xD32D; printf '\0%.0s' $(seq 48)
  be32 2; be32 0x77747074; be32 156; be32 20; be32 0x63707274; be32 176; be32 428
  printf 'XYZ \0\0\0\0'; be32 0xF6D6; be32 0x10000; be32 0xD32D
  printf 'text\0\0\0\0'; head -c 420 /dev/zero | tr '\0' c
}
xmp_packet() {
  printf 'http://ns.adobe.com/xap/1.0/\0<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf='
  printf '"http://www.w3.org/1999/02/22-rdf-syntax-ns#"><rdf:Description xmlns:tiff='
  printf '"http://ns.adobe.com/tiff/1.0/" tiff:Orientation="%s"/></rdf:RDF></x:xmpmeta>' "$1"
}
# with_app1 JPEG PAYLOAD...: the JPEG with an APP1 segment per payload after its start.
with_app1() {
  local jpeg=$1 p
  shift
  printf '\xff\xd8'
  for p in "$@"; do printf '\xff\xe1'; be16 $(($(wc -c <"$p") + 2)); cat "$p"; done
  tail -c +3 "$jpeg"
}
# Pixels of two pictures equal to within a few levels (JPEG's rounding).
close_to() {
  local d
  d=$(compare -metric AE -fuzz 4% "$1" "$2" null: 2>&1)
  [ "$d" = 0 ] || { echo "     $1 and $2 differ in $d pixels"; return 1; }
}
info_says() { tintavo info "$1" 2>/dev/null | tr -d '\r' | grep -q "^$2" || { echo "     info $1 lacks '$2'"; return 1; }; }
im() { identify -format "$2" "$1" 2>/dev/null; }

# A picture whose every side differs, as a viewer shows it.
convert -size 48x32 gradient:navy-gold -fill red -draw 'rectangle 0,0 11,7' -fill white -draw 'rectangle 40,24 47,31' upright.png
convert -size 16x12 xc:gray thumb.jpg
icc_profile >profile.icc
# Stored pixels for each orientation: what a camera writes so that a viewer
# turning them as the tag says shows `upright.png`.
stored_op=("" "" "-flop" "-rotate 180" "-flip" "-transpose" "-rotate -90" "-transverse" "-rotate 90")
for o in 1 2 3 4 5 6 7 8; do
  # shellcheck disable=SC2086
  convert upright.png ${stored_op[$o]} -quality 100 -sampling-factor 1x1 "stored$o.jpg"
  exif_block "$o" thumb.jpg >"exif$o.bin"
  with_app1 "stored$o.jpg" "exif$o.bin" >"oriented$o.jpg"
  run apply --template tpl.bmp --fade 100 "oriented$o.jpg" "upright$o.png"
  check "orientation $o: apply" exits 0
  check "orientation $o: the result stands upright" close_to "upright$o.png" upright.png
  check "orientation $o: the result says orientation 1" info_says "upright$o.png" "orientation: *1\$"
  run apply --template tpl.bmp --fade 100 "oriented$o.jpg" "upright$o.jpg"
  check "orientation $o: a JPEG result is tagged 1" [ "$(im "upright$o.jpg" '%[EXIF:Orientation]')" = 1 ]
done

# Metadata: carried into JPEG, PNG and TIFF, updated where the repaint changes it.
convert stored6.jpg -profile profile.icc -density 300 -units PixelsPerInch -set comment "Harbour at dawn" meta-base.jpg
xmp_packet 6 >xmp.bin
with_app1 meta-base.jpg exif6.bin xmp.bin >photo.jpg
for f in jpg png tif; do
  run apply --template tpl.bmp photo.jpg "photo-out.$f"
  check "metadata: apply to .$f" exits 0
  check "metadata: .$f keeps the colour profile" info_says "photo-out.$f" "colour profile: *604 bytes"
  check "metadata: .$f keeps the comment" info_says "photo-out.$f" "comment: *Harbour at dawn"
  check "metadata: .$f keeps 300 dpi" info_says "photo-out.$f" "resolution: *300 x 300 per inch"
  check "metadata: .$f keeps the XMP" info_says "photo-out.$f" "XMP: *[0-9]* bytes"
  check "metadata: .$f keeps EXIF" info_says "photo-out.$f" "EXIF: *[0-9]* [bt]"
  check "metadata: .$f is upright" info_says "photo-out.$f" "orientation: *1\$"
  check "metadata: .$f XMP orientation is 1" grep -q 'tiff:Orientation="1"' "photo-out.$f"
  run apply --strip --template tpl.bmp photo.jpg "stripped.$f"
  check "--strip: .$f has no profile" info_says "stripped.$f" "colour profile: *none"
  check "--strip: .$f has no comment" info_says "stripped.$f" "comment: *none"
done
check "metadata: the camera survives (JPEG)" [ "$(im photo-out.jpg '%[EXIF:Make]|%[EXIF:DateTimeOriginal]')" = "Velmora|2026:12:10 09:30:00" ]
check "metadata: the software is Tintavo (JPEG)" bash -c "identify -format '%[EXIF:Software]' photo-out.jpg | grep -q '^Tintavo'"
check "metadata: the old thumbnail is dropped" info_says photo-out.jpg "thumbnail: *none"
check "metadata: the size is the output's" [ "$(im photo-out.jpg '%wx%h|%[EXIF:Orientation]')" = "48x32|1" ]
check "metadata: identify sees the profile, XMP and comment" \
  bash -c "identify -verbose photo-out.jpg | grep -q 'Profile-icc: 604 bytes' && identify -verbose photo-out.jpg | grep -q 'Profile-xmp' && identify -verbose photo-out.jpg | grep -q 'comment: Harbour at dawn'"
check "metadata: the camera survives (TIFF)" bash -c "identify -verbose photo-out.tif | grep -q 'make: Velmora' && identify -verbose photo-out.tif | grep -q 'DateTimeOriginal: 2026:12:10 09:30:00'"

# Transparency: kept in PNG and TIFF outputs, dropped from JPEG.
convert -size 48x32 gradient:navy-gold \( -size 48x32 gradient:white-black -rotate 90 -resize 48x32\! \) -alpha off -compose copy-opacity -composite png32:alpha.png
convert alpha.png -alpha extract alpha-src.pgm
for f in png tif; do
  run apply --template tpl.bmp alpha.png "alpha-out.$f"
  check "alpha: apply to .$f" exits 0
  convert "alpha-out.$f" -alpha extract "alpha-out-$f.pgm"
  check "alpha: .$f keeps the source's transparency" same_region alpha-src.pgm "alpha-out-$f.pgm" 48x32+0+0
done
run apply --template tpl.bmp alpha.png alpha-out.jpg
check "alpha: a JPEG output of a transparent source is written" exits 0

# JPEG sampling and progressive.
for case in "90 - 1x1,1x1,1x1" "89 - 2x2,1x1,1x1" "75 444 1x1,1x1,1x1" "95 422 2x1,1x1,1x1" "95 420 2x2,1x1,1x1"; do
  read -r q s want <<<"$case"
  opt=""; [ "$s" != - ] && opt="--subsampling $s"
  # shellcheck disable=SC2086
  run apply --template tpl.bmp src.bmp sampled.jpg --quality "$q" $opt
  check "quality $q ${opt:-(default)} samples $want" [ "$(im sampled.jpg '%[jpeg:sampling-factor]')" = "$want" ]
done
for case in "92 1x1,1x1,1x1" "85 2x2,1x1,1x1"; do
  read -r q want <<<"$case"
  run convert src.bmp converted.jpg --quality "$q"
  check "convert at quality $q samples $want, as apply" [ "$(im converted.jpg '%[jpeg:sampling-factor]')" = "$want" ]
done
run apply --template tpl.bmp src.bmp progressive.jpg --progressive
check "--progressive writes a progressive JPEG" [ "$(im progressive.jpg '%[interlace]')" = JPEG ]
check "without --progressive a baseline JPEG" [ "$(im sampled.jpg '%[interlace]')" = None ]
fail_case 2 "444, 422 or 420" apply --template tpl.bmp --subsampling 411 src.bmp keep.bmp

# ---- batches: one template, many pictures, a summary -------------------------
mkdir -p batch-in
for i in $(seq -w 1 19); do convert -size 40x30 plasma:fractal -seed "$i" "batch-in/p$i.jpg"; done
head -c 300 batch-in/p01.jpg >batch-in/p20.jpg   # a JPEG header and nothing else
printf 'not a picture' >batch-in/p20.jpg
run apply --template tpl.bmp batch-in --output-dir batch-out --suffix -warm
check "a batch with one bad picture exits 1" exits 1
check "a batch writes every good picture" [ "$(ls batch-out | grep -c '^p[0-9]*-warm\.jpg$')" = 19 ]
check "a batch writes nothing for the bad one" [ ! -e batch-out/p20-warm.jpg ]
check "a batch names the bad picture once" [ "$(grep -c 'p20.jpg' err.txt)" = 1 ]
check "a batch sums up" says "19 of 20 pictures done, 1 failed"
check "a batch leaves no temporary file" bash -c "! ls -a batch-out | grep -q '\.tmp\$'"
run apply --template tpl.bmp batch-in/p01.jpg batch-out/one.jpg
check "a batch's picture equals a single run's" same batch-out/one.jpg batch-out/p01-warm.jpg
run apply --template tpl.bmp batch-in/p01.jpg batch-in/p02.jpg --output-dir batch-png --format png
check "a batch --format png" bash -c "[ -s batch-png/p01.png ] && [ -s batch-png/p02.png ] && [ \$(identify -format %m batch-png/p02.png) = PNG ]"
check "a batch of good pictures exits 0" exits 0
run apply --template tpl.bmp batch-in/p01.jpg --output-dir batch-in
check "a batch never replaces its source" exits 1
check "... and says why" says "would replace a source"
cp src.bmp keep.bmp
fail_case 2 "need --output-dir" apply --template tpl.bmp src.bmp src.bmp keep.bmp

# ---- streams: '-' reads standard input, writes standard output -----------------
convert -size 64x48 plasma:fractal -seed 5 -quality 92 piped.jpg
run apply --template tpl.bmp piped.jpg piped-file.jpg
$runner "$bin/tintavo$exe" apply --template tpl.bmp - - <piped.jpg >piped-out.jpg 2>err.raw
code=$?
check "a pipe: exit 0" exits 0
check "a pipe writes the same JPEG as a file run" same piped-out.jpg piped-file.jpg
cat piped.jpg | $runner "$bin/tintavo$exe" apply --template tpl.bmp - - --format png >piped-out.png 2>err.raw
check "a pipe with --format png writes PNG" [ "$(im piped-out.png '%m')" = PNG ]
$runner "$bin/tintavo$exe" apply --template tpl.bmp - - <noise.png >piped-bad.out 2>err.raw
code=$?; tr -d '\r' <err.raw >err.txt
check "a pipe of no picture exits 1" exits 1
check "... names standard input" says "standard input"
check "... and writes nothing" [ ! -s piped-bad.out ]

# ---- settings and presets as photographers use them ----------------------------
run settings reset
run settings set Color -30
check "settings set Color -30 without --" exits 0
run settings set brightness 12
check "settings set by the tool's name" exits 0
run settings set mode color
check "settings set mode by its name" exits 0
run settings show
check "settings show: both names and the value" stored "color *Color" -30
check "settings show: brightness is Radius" stored "brightness *Radius" 12
check "settings show: mode color is 2" stored ALTERNATIVEMODE 2
for bad in "fade 101|from 0 to 100" "Color -101|from -100 to 100" "mode loud|normal, brightness, color" "Blend x|whole number" "loudness 3|no setting"; do
  IFS='|' read -r args message <<<"$bad"
  # shellcheck disable=SC2086
  run settings set $args
  check "settings set $args is refused" exits 2
  check "settings set $args says '$message'" says "$message"
done
run settings set template "$work/tpl.bmp"
run settings set fade 0
run apply --from-settings src.bmp from-settings.png
check "apply --from-settings" exits 0
run apply --template tpl.bmp --color -30 --brightness 12 --mode color src.bmp explicit.png
check "apply --from-settings repaints as the same options do" same from-settings.png explicit.png
run presets save look
check "presets save makes the presets folder" [ -f "$presets_dir/look.preset" ]
run presets show look
check "presets show lists both names" grep -Eq "^color +Color +-30\$" out.txt
run settings reset
run apply --preset look src.bmp from-preset.png
check "apply --preset" exits 0
check "apply --preset repaints as the same options do" same from-preset.png explicit.png
run apply --preset look --color 0 src.bmp preset-override.png
check "an option given beside --preset wins" differ preset-override.png explicit.png
fail_case 1 "no such preset" apply --preset missing-look src.bmp keep.bmp
run presets delete look

if [ -z "$runner" ]; then
  # A store whose folder cannot be made (reading it finds a first start):
  # a change is refused with the reason, exit 1.
  printf 'a file' >not-a-folder
  for args in "settings set color 1" "settings reset" "presets save x"; do
    XDG_CONFIG_HOME=$work/not-a-folder/sub run $args
    check "$args on a store that cannot be made -> exit 1" exits 1
    check "$args on a store that cannot be made says why" says "Not a directory"
  done
fi

# ---- clear, early, single messages ------------------------------------------------
cp src.bmp keep.bmp
run apply --template noise.png src.bmp keep.bmp
check "a bad template is reported once" [ "$(wc -l <err.txt)" = 1 ]
check "... without internal prefixes" bash -c "! grep -q -e 'Load:' -e 'Decode:' -e 'Template:' -e PICTURE_MAX err.txt"
run apply --template tpl.bmp src.bmp missing-folder/out.png
check "a missing output folder -> exit 1" exits 1
check "... with the system's reason" says "No such file or directory"
run apply --template tpl.bmp missing.bmp missing-folder/out.png
check "the output folder is checked before the source is read" says "missing-folder"
run apply --template missing-template.bmp src.bmp keep.bmp
check "a missing template says why" says "missing-template.bmp: No such file or directory"
cp tpl.bmp tpl-no-extension
cp tpl.bmp tpl-wrong.jpg
run apply --template tpl-no-extension src.bmp no-extension.bmp
check "a template without extension is known by its content" exits 0
check "... and repaints as with its extension" same no-extension.bmp out.bmp
run apply --template tpl-wrong.jpg src.bmp wrong-extension.bmp
check "a template with a wrong extension repaints as with its own" same wrong-extension.bmp out.bmp

# ---- warnings that help --------------------------------------------------------
convert -size 160x120 xc:black -fill '#ff8000' -draw "rectangle 40,30 119,89" colour-mask.bmp
run apply --template tpl.bmp --mask colour-mask.bmp src.bmp colour-masked.bmp
check "a colour mask works" exits 0
check "a colour mask is named in a warning" says "warning: colour-mask.bmp is in colour"
convert -size 160x120 gradient:gray20-gray80 grey-src.bmp
convert -size 80x60 xc:red -fill lime -draw "rectangle 0,0 39,59" vivid.bmp
run apply --template vivid.bmp --color 100 grey-src.bmp clipped.bmp
check "heavy clipping is a warning with a hint" says "clipped; a lower Color intensity"
run apply --template vivid.bmp --color 100 --quiet grey-src.bmp clipped-quiet.bmp
check "--quiet keeps warnings" says "clipped"
# Only colour from a nearly black template keeps the source's brightness:
# the result's mean colour ends far from the template's.
convert -size 80x60 plasma:fractal -seed 7 -evaluate multiply 0.05 dark.bmp
run apply --template dark.bmp --mode color src.bmp far.bmp
check "a mean colour far from the template's is a note" says "note: src.bmp: the result's mean colour is far"
run apply --template dark.bmp --mode color --quiet src.bmp far.bmp
check "--quiet drops the note" bash -c "! grep -q note err.txt"
run apply --template tpl.bmp src.bmp quiet-check.bmp --quiet
check "--quiet prints nothing for a clean run" [ ! -s err.txt ]

# ---- overwriting: the mode is kept, a symbolic link stays a link ---------------
if [ -z "$runner" ]; then
  cp out.bmp linked-target.bmp
  chmod 640 linked-target.bmp
  ln -s linked-target.bmp link.bmp
  run apply --template tpl.bmp --fade 50 src.bmp link.bmp
  check "writing through a symbolic link" exits 0
  check "the link stays a link" [ -L link.bmp ]
  check "the file it points to is replaced" differ linked-target.bmp out.bmp
  check "the replaced file keeps its mode" [ "$(stat -c %a linked-target.bmp)" = 640 ]
  cp out.bmp private.bmp
  chmod 600 private.bmp
  run apply --template tpl.bmp --fade 50 src.bmp private.bmp
  check "an overwritten file keeps its mode" [ "$(stat -c %a private.bmp)" = 600 ]
  # The progress line on a terminal: from the start, and gone with --quiet.
  if command -v script >/dev/null; then
    script -qec "$bin/tintavo apply --template tpl.bmp src.bmp tty.bmp" /dev/null >tty.txt 2>&1
    check "a terminal sees the progress line from decoding on" grep -q "decoding src.bmp" tty.txt
    script -qec "$bin/tintavo apply --quiet --template tpl.bmp src.bmp tty.bmp" /dev/null >tty.txt 2>&1
    check "--quiet draws no progress line" bash -c "! grep -q '%' tty.txt"
  fi
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
