#!/usr/bin/env bash
# The real program on Wayland: weston nested in a virtual X server, the
# program with no X display, driven by keys and clicks on weston's window
# (weston hands them to its client) and seen through weston's screenshots.
#   scale1  the scene in a 512 x 384 client area, key 1 turns the background
#           white, the camera button acts, Alt+Enter fills the output and
#           gives the window back, the title bar's close button ends the
#           program with status 0 and the settings saved
#   scale2  the same on an output of scale 2: a 1024 x 768 client area under
#           a strip of 42 pixels, and key 3's frame magnified with nearest
#           sampling
#   run_wayland.sh <program> <work folder> <scenario> <media folder>
set -euo pipefail

program=$1
work=$2
scenario=$3
media=$4

command -v weston >/dev/null || { echo "weston is not installed"; exit 77; }
# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
xvfb_screen="-screen 0 1280x1024x24"
enter_xvfb 230 "$work" "$0" "$@"
program=("$program")
trap 'stop_weston' EXIT
case $scenario in
  scale1) s=1 ;;
  scale2) s=2 ;;
  *) echo "unknown scenario $scenario" >&2; exit 2 ;;
esac

start_word=20 # the full view with the buttons, black
make_run_folder "$start_word"

# The share in percent of the pixels of shot $1's rectangle w h x y within
# 10 % of colour $6.
share() {
  convert "$1" -crop "${2}x${3}+${4}+${5}" +repage -fuzz 10% -fill white -opaque "$6" -fill black +opaque white \
    -format '%[fx:int(100*mean)]' info:
}

# Waits until the client area is mostly of colour $1 (more than 60 %).
wait_background() {
  local n=0
  for _ in $(seq 1 50); do
    wl_shot "$work/background.png"
    # White is looked for as itself, black by what is not near black.
    n=$(share "$work/background.png" $((512 * s)) $((384 * s)) "$wx" "$wy" "$1")
    [ "$n" -gt 60 ] && return 0
    sleep 0.2
  done
  fail "the client area is $n % $1, not mostly"
}

# Alt held in a press of its own: weston takes the modifiers from the X key
# events, and one sent with Return at once can come too late.
alt_enter() {
  xdotool keydown alt
  xdotool key Return
  xdotool keyup alt
}

start_weston "$s"
wl_start_program
mark_settings

# Only Wayland is there to draw on: the X server holds weston's window alone,
# and the window layer names the driver, the scale and the drawable's size.
windows=$(xwininfo -root -children | grep -c '^ *0x' || true)
[ "$windows" -eq 1 ] || fail "the X server holds $windows windows, not weston's alone"
line="Window: wayland, scale $s, 512 x 405 points on $((512 * s)) x $((405 * s)) pixels"
wait_line "^$line" "no debug line '$line'"
echo "$line"

wl_find_client "$work/start.png" $((512 * s)) $((21 * s))
n=$(coloured_pixels "$work/start.png" "$wy" $((512 * s)) $((384 * s)) "$wx" 0)
[ "$n" -ge $((3000 * s * s)) ] || fail "no scene under the menu strip ($n coloured pixels)"
echo "start: the scene ($n coloured pixels) in the client area at ($wx, $wy) under a $((21 * s))-pixel strip"
# The buttons grow to their size over the first frames.
for _ in $(seq 1 50); do
  n=$(buttons_at "$work/start.png" "$wx" "$wy" "$s") && break
  sleep 0.2
  wl_shot "$work/start.png"
done
buttons_at "$work/start.png" "$wx" "$wy" "$s" >/dev/null || fail "the corner buttons are not at their places ($n of their pixels)"
echo "the corner buttons at their places ($n of their pixels)"

hold_key 1 'a key changed the settings word'
wait_background white
echo "key 1: the background is white"

press $((77 * s)) $((322 * s))
wait_line 'the camera button switched the view' "the camera button did not act"
echo "the camera button switched the view"

# Full screen: the program's picture reaches the output's corners and the
# middles of its edges, where weston's background was, and its white fills
# most of the output.
alt_enter
xdotool mousemove 1279 1023
ow=$((640 * s)) oh=$((480 * s)) edges=""
for _ in $(seq 1 50); do
  wl_shot "$work/full.png"
  edges=$(pixels "$work/full.png" 0 0 $((ow / 2)) 0 $((ow - 1)) 0 0 $((oh / 2)) $((ow - 1)) $((oh / 2)) \
    0 $((oh - 1)) $((ow / 2)) $((oh - 1)) $((ow - 1)) $((oh - 1)) | awk '($1 - 32) ^ 2 + ($2 - 64) ^ 2 + ($3 - 96) ^ 2 < 100' | wc -l)
  [ "$edges" -eq 0 ] && [ "$(share "$work/full.png" "$ow" "$oh" 0 0 white)" -gt 60 ] && break
  sleep 0.2
done
n=$(share "$work/full.png" "$ow" "$oh" 0 0 white)
[ "$n" -gt 60 ] || fail "Alt+Enter: the output is $n % white, the picture does not fill it"
[ "$edges" -eq 0 ] || fail "Alt+Enter: weston's background at $edges of the output's corners and edge middles"
echo "Alt+Enter: the picture fills the output"
alt_enter
wl_find_client "$work/back.png" $((512 * s)) $((21 * s))
wait_background white
n=$(buttons_at "$work/background.png" "$wx" "$wy" "$s") ||
  fail "back from full screen, the corner buttons are not at their places ($n of their pixels)"
echo "Alt+Enter again: the window is back, its client area at ($wx, $wy)"

# Key 3, the framed view: at scale 2 its frame's texture is magnified three
# times, with nearest sampling.
saved_word=$((start_word | 2 | 1))
if [ "$s" -eq 2 ]; then
  hold_key 3 'a key changed the settings word'
  saved_word=$((saved_word | 8))
  for _ in $(seq 1 50); do
    wl_shot "$work/framed.png"
    n=$(frame_lone_pixels "$work/framed.png" "$wx" "$wy" "$s") && break
    sleep 0.2
  done
  [ "$n" = 0 ] || fail "the frame's band has $n pixels of no like neighbour across or down: smoothed, not nearest sampling"
  echo "key 3: the frame's band in blocks of nearest sampling"
fi

# The close button libdecor draws at the title bar's right end: 32 x 24
# points over the strip.
xdotool mousemove $((wx + (512 - 16) * s)) $((wy - (21 + 12) * s))
xdotool click 1
expect_exit "the title bar's close button"
expect_saved "the close button" "$saved_word"
echo "close button: status 0, the settings word $saved_word saved"
