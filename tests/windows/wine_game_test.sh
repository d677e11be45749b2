#!/usr/bin/env bash
# farlight.exe under Wine on the X server in DISPLAY, played with xdotool. WINEPREFIX names a
# prepared prefix whose windows are unmanaged (no window manager runs).
# Usage: wine_game_test.sh play|scaled|junk|folder FARLIGHT_EXE PICTURES_FOLDER
#   play:   the window (title, 1024 x 768), frames flowing, a right click freezes, a left click
#           on the frozen scene draws its pick pass and the scene shown after it, Alt+F4 ends it;
#   scaled: the same on a screen scaled to 150 % (144 dpi, which Wine takes from the registry, read
#           when a program starts): the window opens scaled, 1536 x 1152, and plays alike;
#   junk:   eleven files that are not bitmaps: one "Error" box per body, then the game plays;
#   folder: a folder under each picture's name: the open-failure box per body at once, no hang.
# Frames are counted by Mesa's heads-up display, kept invisible, which writes a line per swap:
# Wine's swaps pass nothing a preloaded library could hook. The boxes' texts come from Wine's
# message box trace.
set -uo pipefail
case=$1 exe=$2 pictures=$3
title='Farlight : Solar System'
dpi=96 width=1024 height=768
[ "$case" != scaled ] || dpi=144 width=1536 height=1152
names=(Sun Mercury Venus Earth Moon Mars Jupiter Saturn Uranus Neptune Pluto)
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  [ $dpi -eq 96 ] || wine reg delete "$desktopKey" /v LogPixels /f >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL ($case): $*"
  echo "--- game's standard error:"
  grep -v 'trace:msgbox' "$work/stderr.txt" 2>/dev/null | tail -n 20
  exit 1
}

frames() {
  if [ -f "$work/fps" ]; then wc -l <"$work/fps"; else echo 0; fi
}

boxTexts() {
  sed -n 's/.*trace:msgbox:MSGBOX_OnInit L"\(.*\)"$/\1/p' "$work/stderr.txt"
}

# until SECONDS_BOUND COMMAND...: polls COMMAND every 0.1 s; false once the bound has passed.
until_true() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.1
  done
}

# The prefix's screen scale, for the programs started after it; removed again at the end (the
# prefix's default is 96 dpi).
desktopKey='HKCU\Control Panel\Desktop'
setDpi() {
  wine reg add "$desktopKey" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

start() {
  (cd "$work" && exec env GALLIUM_HUD=fps GALLIUM_HUD_VISIBLE=false GALLIUM_HUD_PERIOD=0 \
    GALLIUM_HUD_DUMP_DIR="$work" WINEDEBUG=-all,trace+msgbox wine "$exe" >"$work/stderr.txt" 2>&1) &
  pid=$!
}

findWindow() {
  window=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1)
  [ -n "$window" ]
}

framesAtLeast() {
  [ "$(frames)" -ge "$1" ]
}

# Presses Return on every box showing; true once COUNT boxes have shown and the game draws.
dismissBoxes() {
  local box
  for box in $(xdotool search --onlyvisible --name '^Error$' 2>/dev/null); do
    xdotool windowfocus "$box" key Return 2>/dev/null
  done
  [ "$(boxTexts | wc -l)" -ge "$1" ] && framesAtLeast 1
}

# In the middle of the drawing area (the frame Wine draws is a few pixels at the top left).
click() {
  xdotool mousemove --window "$window" $((width / 2)) $((height / 2)) click "$1"
}

# The frame count once it has stood still for a second (within 15 s).
settled() {
  local before after=-1 end=$((SECONDS + 15))
  while [ $SECONDS -lt $end ]; do
    before=$(frames)
    sleep 1
    after=$(frames)
    [ "$after" -eq "$before" ] && break
  done
  echo "$after"
}

closeGame() {
  xdotool windowfocus "$window" key alt+F4
  until_true 15 bash -c "! kill -0 $pid 2>/dev/null" || fail "Alt+F4 did not end the game"
  wait "$pid"
  local status=$?
  pid=
  [ $status -eq 0 ] || fail "the game exited with $status"
}

case $case in
  play | scaled) for n in "${names[@]}"; do ln -s "$pictures/$n.bmp" "$work/$n.bmp"; done ;;
  junk) for n in "${names[@]}"; do echo "not a bitmap" >"$work/$n.bmp"; done ;;
  folder) for n in "${names[@]}"; do mkdir "$work/$n.bmp"; done ;;
  *) echo "unknown case $case"; exit 2 ;;
esac

if [ $dpi -ne 96 ]; then
  read -r screen < <(xdpyinfo | sed -n 's/^ *dimensions: *\([0-9]*x[0-9]*\) pixels.*/\1/p')
  [ "${screen%x*}" -gt $((width + 20)) ] && [ "${screen#*x}" -gt $((height + 50)) ] ||
    fail "a screen of $screen is too small for the scaled window (it would be made to fit)"
  setDpi $dpi || fail "could not set the scale to $dpi dpi"
fi
start
if [ "$case" = junk ] || [ "$case" = folder ]; then
  # Thirty bodies, each drawing one of the eleven bad names.
  until_true 60 dismissBoxes 30 || fail "$(boxTexts | wc -l) boxes shown, 30 expected"
  if [ "$case" = junk ]; then
    expected='^Unknown DIB file format\.$'
  else
    expected="^Failed to open DIB file ($(IFS='|'; echo "${names[*]}"))\\.bmp\\.\\\\n\$"
  fi
  wrong=$(boxTexts | grep -Ecv "$expected")
  [ "$wrong" -eq 0 ] || fail "$wrong box texts differ from $expected: $(boxTexts | sort -u)"
fi
until_true 60 findWindow || fail "no window titled '$title'"
# Unmanaged, Wine draws the frame itself: the drawing area is the window's child.
xwininfo -tree -id "$window" | grep -q " ${width}x${height}+" ||
  fail "no $width x $height drawing area at $dpi dpi:" \
    "$(xwininfo -tree -id "$window" | grep -E '[0-9]+x[0-9]+\+')"
until_true 30 framesAtLeast 10 || fail "frames do not flow: $(frames) drawn"
[ "$case" = junk ] || [ "$case" = folder ] || [ "$(boxTexts | wc -l)" -eq 0 ] ||
  fail "boxes on good pictures: $(boxTexts)"

# Under Wine every click also repaints the window once or so; the pick pass and the frozen scene
# shown after it are the two frames a left click draws beyond what a right click does.
if [ "$case" = play ] || [ "$case" = scaled ]; then
  click 3
  frozen=$(settled)
  sleep 1
  [ "$(frames)" -eq "$frozen" ] ||
    fail "a right click did not freeze: $frozen, then $(frames) frames"
  click 3
  repaint=$(($(settled) - frozen))
  click 1
  picked=$(($(settled) - frozen - repaint))
  [ "$picked" -eq $((repaint + 2)) ] ||
    fail "a right click drew $repaint frames, a left click $picked: not a pick pass and a showing"
fi
closeGame
echo "PASS ($case)"
