#!/usr/bin/env bash
# The real program on X11 at 192 dots per inch (the server's and Xft.dpi):
# a window of twice the size, 1024 x 768 under a strip of 42 pixels, with
# the scene, the corner buttons at their doubled places, the camera button
# acting there and key 3's frame magnified with nearest sampling; started
# with --scale=1, the 512 x 384 window of a 96 dpi screen.
#   run_scale.sh <program> <work folder> <media folder>
set -euo pipefail

program=$1
work=$2
media=$3

# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
xvfb_screen="-screen 0 1280x1024x24 -dpi 192"
enter_xvfb 230 "$work" "$0" "$@"
program=("$program")

start_word=20 # the full view with the buttons, black
make_run_folder "$start_word"
echo 'Xft.dpi: 192' | xrdb -merge

# Waits for a window of width x (height + its strip) and the scene in its
# client area; sets top to the strip's height.
#   expect_window <width> <height> <strip height> <what>
expect_window() {
  local n=0 need=$((3000 * $1 * $1 / 512 / 512))
  for _ in $(seq 1 50); do
    read -r ww wh <<<"$(window_size)"
    top=$((wh - $2))
    if [ "$ww" -eq "$1" ] && [ "$top" -eq "$3" ]; then
      shot "$work/window.png"
      n=$(coloured_pixels "$work/window.png" "$top" "$1" "$2")
      [ "$n" -ge "$need" ] && break
    fi
    sleep 0.2
  done
  if [ "$ww" -ne "$1" ] || [ "$top" -ne "$3" ]; then
    fail "$4: a window of $ww x $wh, not $1 x $2 under a $3-pixel strip"
  fi
  [ "$n" -ge "$need" ] || fail "$4: no scene in the client area ($n coloured pixels)"
  echo "$4: a $1 x $2 client area under a $3-pixel strip, the scene in it ($n coloured pixels)"
}

start_program
mark_settings
expect_window 1024 768 42 "192 dpi"
# The buttons grow to their size over the first frames.
for _ in $(seq 1 50); do
  n=$(buttons_at "$work/window.png" 0 "$top" 2) && break
  sleep 0.2
  shot "$work/window.png"
done
buttons_at "$work/window.png" 0 "$top" 2 >/dev/null || fail "the corner buttons are not at their places ($n of their pixels)"
echo "the corner buttons at their places ($n of their pixels)"
mouse_setup
press $((2 * 77)) $((2 * 322))
wait_line 'the camera button switched the view' "the camera button did not act at (154, 644)"
echo "the camera button at (154, 644) switched the view"
# Key 3, the framed view: its frame's texture magnified three times, with
# nearest sampling.
focus_window
hold_key 3 'a key changed the settings word'
for _ in $(seq 1 50); do
  shot "$work/framed.png"
  n=$(frame_lone_pixels "$work/framed.png" 0 "$top" 2) && break
  sleep 0.2
done
[ "$n" = 0 ] || fail "the frame's band has $n pixels of no like neighbour across or down: smoothed, not nearest sampling"
echo "key 3: the frame's band in blocks of nearest sampling"
stop_with_escape
expect_saved Esc $((start_word | 1 | 8))

program+=(--scale=1)
start_program
expect_window 512 384 21 "--scale=1"
stop_with_escape
