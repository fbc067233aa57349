#!/usr/bin/env bash
# Starts the real program in a fresh run folder under Xvfb and checks what a
# user would see: the window, its client area, the scene and the statistics
# text, a resize, the keys 1 to 4, the device dialog, mouse clicks on the
# corner buttons and the timer panel, and Esc ending it with the settings
# saved.
#   run_e2e.sh <program> <work folder> resize|keys|dialog|clicks <media folder>
set -euo pipefail

program=$1
work=$2
scenario=$3
media=$4

# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
enter_xvfb 220 "$work" "$0" "$@"
program=("$program")

# The run folder: a copy of the generated media, and a settings file asking
# for the framed view so the statistics stay visible in the white margin (the
# keys scenario starts from the default word instead).
start_word=8
[ "$scenario" = keys ] && start_word=0
# The clicks scenario shows the corner buttons in the full view.
[ "$scenario" = clicks ] && start_word=4
make_run_folder "$start_word"

if [ "$scenario" = keys ]; then
  # The default view: full, black, following the bird. The clocks and the
  # bird must be in it within a few seconds of flight.
  start_program
  read -r ww wh <<<"$(window_size)"
  top=$((wh - 384))
  best=0
  blue=0
  for _ in $(seq 1 80); do
    xwd -silent -id "$wid" | convert xwd:- "$work/default.png" 2>/dev/null || true
    if [ -s "$work/default.png" ]; then
      n=$(coloured_pixels "$work/default.png" "$top") || n=0
      [ "$n" -gt "$best" ] && best=$n && cp "$work/default.png" "$work/default-best.png"
      b=$(blue_pixels "$work/default.png" "$top") || b=0
      [ "$b" -gt "$blue" ] && blue=$b && cp "$work/default.png" "$work/bird.png"
      [ "$n" -ge 3000 ] && [ "$blue" -ge 60 ] && break
    fi
    sleep 0.25
  done
  [ "$best" -ge 3000 ] || fail "the default view shows no scene ($best coloured pixels)"
  [ "$blue" -ge 60 ] || fail "the bird is not in the default view ($blue blue pixels)"
  echo "default view: $best coloured pixels, the bird in $blue blue pixels"
  stop_with_escape

  # Each digit key toggles at its first press after a start; one press per
  # run, so the repeat time (which runs only while a key is held) never
  # decides the outcome. Each choice must survive the restart.
  word=$(settings_word)
  for key in 1 2 3 4; do
    start_program
    # Frames must be running before the key goes down (slow under the
    # sanitizers and a loaded machine).
    for _ in $(seq 1 60); do
      xwd -silent -id "$wid" | convert xwd:- "$work/running.png" 2>/dev/null || true
      n=$(coloured_pixels "$work/running.png" "$top" 2>/dev/null) || n=0
      [ "$n" -ge 3000 ] && break
      sleep 0.25
    done
    focus_window
    # The program samples the keyboard once a frame, and a loaded machine may
    # take half a second for one, so the key stays down until the program
    # reports the change in its debug output, and is let go at once: a
    # repeat would need another half second of frame steps.
    changes=$(grep -c 'a key changed the settings word' "$work/program.log" || true)
    xdotool keydown --window "$wid" "$key"
    for _ in $(seq 1 200); do
      [ "$(grep -c 'a key changed the settings word' "$work/program.log" || true)" -gt "$changes" ] && break
      sleep 0.05
    done
    xdotool keyup --window "$wid" "$key"
    stop_with_escape
    case $key in
      1) want=$((word ^ 2)) ;;
      2) want=$((word ^ 4)) ;;
      3) want=$((word ^ 8)); if [ $((want & 8)) -ne 0 ]; then want=$((want | 4)); else want=$((want & ~4)); fi ;;
      4) want=$((word ^ 16)) ;;
    esac
    got=$(settings_word)
    [ "$got" -eq "$want" ] || fail "after key $key the settings word is $got, expected $want (was $word)"
    echo "key $key: settings word $word -> $got"
    word=$got
  done
  exit 0
fi

if [ "$scenario" = clicks ]; then
  # Buttons at 512 x 384: timer at (76.8, 61.44), exit at (435.2, 61.44);
  # in the panel, reset at (307.2, 115.2) and -1 min at (215.04, 249.6).
  # The read-out's minutes fill about 35-50 % across, 44-56 % down.
  start_program
  mark_settings
  read -r ww wh <<<"$(window_size)"
  top=$((wh - 384))
  mouse_setup
  shot "$work/closed.png"
  press 77 61
  opened=$(wait_change "$work/closed.png" "$work/open.png" 150 179 169 154 46)
  [ "$opened" -ge 150 ] || fail "the timer button did not open the panel ($opened read-out pixels changed)"
  press 215 250
  minutes=$(wait_change "$work/open.png" "$work/minus.png" 30 179 169 77 46)
  seconds=$(mask_change "$work/open.png" "$work/minus.png" "$top" 266 169 67 46)
  [ "$minutes" -ge 30 ] || fail "-1 min did not change the minutes ($minutes pixels)"
  [ "$seconds" -lt $((minutes / 3)) ] || fail "-1 min changed the seconds ($seconds against $minutes pixels)"
  press 307 115
  again=$(wait_change "$work/minus.png" "$work/reset.png" 30 179 169 77 46)
  back=$(mask_change "$work/open.png" "$work/reset.png" "$top" 179 169 77 46)
  [ "$again" -ge 30 ] && [ "$back" -lt $((again / 3)) ] ||
    fail "reset did not bring back 03 00 ($back pixels from the opened read-out, $again from 02 00)"
  echo "panel: opened ($opened), -1 min ($minutes minutes, $seconds seconds pixels), reset ($back from 03 00)"

  # The exit button ends the program as Esc would.
  press 435 61
  wait_exit
  [ -n "$code" ] || fail "the exit button did not end the program"
  pid=""
  [ "$code" -eq 0 ] || fail "exit code $code after the exit button"
  expect_saved "the exit button"
  echo "exit button: code 0, settings saved"
  exit 0
fi

start_program
mark_settings
read -r ww wh <<<"$(window_size)"
[ "$ww" -eq 512 ] || fail "window width $ww, expected a 512-pixel client area"
[ "$wh" -ge 384 ] || fail "window height $wh is less than the 384-pixel client area"

read -r top green <<<"$(wait_green 512 384 "$work/start.png")" || fail "no framed 512 x 384 scene on the screen"
[ -n "$top" ] || fail "no framed 512 x 384 scene on the screen"
[ "$green" -ge 20 ] || fail "no statistics text in the top-left corner ($green green pixels)"
scene=$(expect_scene "$work/start.png" "$top" 512 384 start)
echo "start: client 512 x 384 under a ${top}-pixel menu strip, the scene in $scene coloured pixels, statistics drawn ($green green pixels)"

if [ "$scenario" = resize ]; then
  xdotool windowsize "$wid" 640 $((480 + top))
  read -r top green <<<"$(wait_green 640 480 "$work/resized.png")" || fail "the scene did not follow the window to 640 x 480"
  [ -n "$top" ] || fail "the scene did not follow the window to 640 x 480"
  [ "$green" -ge 20 ] || fail "no statistics text after the resize"
  scene=$(expect_scene "$work/resized.png" "$top" 640 480 resize)
  echo "resize: the framed scene follows the 640 x 480 client area ($scene coloured pixels)"
fi

if [ "$scenario" = dialog ]; then
  # A crop well inside the dialog, the same for every dialog shot.
  dialog_crop() {
    convert "$1" -crop "380x200+66+$((top + 92))" +repage "$2"
  }
  differing() {
    compare -metric AE -fuzz 2% "$1" "$2" null: 2>&1 | awk '{ print int($1) }'
  }
  # Shoots the dialog into $2 (and its crop into $2-crop.png) until the crop
  # differs from crop $1 by more than 20 pixels ("differs") or by at most 5
  # ("matches"): each key is checked by the change it makes, however long
  # the program takes to show it.
  wait_dialog_crop() {
    local reference=$1 shot=$2 want=$3 n=0
    for _ in $(seq 1 50); do
      xwd -silent -id "$wid" | convert xwd:- "$shot" 2>/dev/null || true
      if [ -s "$shot" ] && dialog_crop "$shot" "$shot-crop.png" 2>/dev/null; then
        n=$(differing "$reference" "$shot-crop.png")
        if { [ "$want" = differs ] && [ "$n" -gt 20 ]; } || { [ "$want" = matches ] && [ "$n" -le 5 ]; }; then
          return 0
        fi
      fi
      sleep 0.2
    done
    return 1
  }
  key() {
    xdotool key --window "$wid" "$1"
  }

  # The pointer rests in the client's bottom-left corner, off the dialog.
  xdotool mousemove --window "$wid" 5 $((top + 380))
  key F2
  wait_dialog "$work/dialog.png" || fail "F2 showed no dialog over the scene"
  echo "dialog: F2 opens the device dialog over the scene"
  key Escape
  shot_framed 512 384 "$work/closed.png" >/dev/null || fail "the scene did not come back after Escape"
  kill -0 "$pid" 2>/dev/null || fail "the program ended when Escape closed the dialog"
  echo "dialog: Escape closes it, the scene is back"

  # Tab to the device list (its focus frame shows), Down to the reference
  # device, Enter for OK.
  key F2
  wait_dialog "$work/opened.png" || fail "F2 showed no dialog the second time"
  dialog_crop "$work/opened.png" "$work/opened-crop.png"
  key Tab
  wait_dialog_crop "$work/opened-crop.png" "$work/hal.png" differs || fail "Tab did not move to the device list"
  key Down
  wait_dialog_crop "$work/hal.png-crop.png" "$work/ref.png" differs || fail "Down did not choose another device"
  key Return
  read -r top green <<<"$(wait_green 512 384 "$work/rebuilt.png")" || fail "no framed scene on the new device"
  [ "$green" -ge 20 ] || fail "no statistics text on the new device"
  # The new device reloaded the media: the scene is there, and it moves (the
  # statistics' figures change anyway, so only the view is compared).
  scene=$(expect_scene "$work/rebuilt.png" "$top" 512 384 "the new device")
  scene_crop() {
    convert "$1" -crop "384x288+64+$((top + 48))" +repage "$2"
  }
  scene_crop "$work/rebuilt.png" "$work/rebuilt-scene.png"
  moving=""
  for _ in $(seq 1 40); do
    sleep 0.1
    shot_framed 512 384 "$work/later.png" >/dev/null || fail "the framed scene went away on the new device"
    scene_crop "$work/later.png" "$work/later-scene.png"
    if [ "$(differing "$work/rebuilt-scene.png" "$work/later-scene.png")" -gt 0 ]; then moving=1; break; fi
  done
  [ -n "$moving" ] || fail "the scene stands still on the new device"
  echo "dialog: OK on the reference device re-creates it, the scene ($scene coloured pixels) keeps moving"

  # The dialog opens again on the device now in use.
  key F2
  wait_dialog "$work/again.png" || fail "F2 showed no dialog on the new device"
  key Tab
  wait_dialog_crop "$work/ref.png-crop.png" "$work/again.png" matches ||
    fail "the dialog does not show the reference device in use"
  key Escape
  shot_framed 512 384 "$work/closed-again.png" >/dev/null || fail "the scene did not come back after the second Escape"
  echo "dialog: it reopens with the reference device chosen"
fi

stop_with_escape
expect_saved Esc
echo "exit: code 0, settings saved"
