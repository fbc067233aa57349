#!/usr/bin/env bash
# The real program on broken media: one kind of media file in turn cut to
# half, replaced by random bytes, emptied, replaced by a folder and by a FIFO.
# Each start must open its window in the usual time, report the failing
# loader (its message box, answered with the keyboard as a user would, and
# its trace on stderr), keep drawing what did load (the scene moves; the
# statistics alone do not count), and end on Esc with exit status 0 and the
# settings file intact.
#   run_broken_media.sh <program> <work folder> <kind> <media folder>
# kind: model vine bird scene_texture overlay_texture vps bps fpp settings sound
set -euo pipefail

program=$1
work=$2
kind=$3
media=$4

# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
enter_xvfb 290 "$work" "$0" "$@"
program=("$program")

# The file of each kind, and what its loader says when the file will not do.
case $kind in
  model) file=Model/VelmoranBase07.x report='Model([0-9]*): failed to load xfile' ;;
  vine) file=Model/VelmoranTuru04.x report='Model([0-9]*): failed to load xfile' ;;
  bird) file=Model/BlueBird01.x report='mload([0-9]*): skinnedmesh loading failed' ;;
  scene_texture) file=Texture/VelmoranPetal01.dds report='TexList([0-9]*): failed to load texture' ;;
  overlay_texture) file=Texture/Bottun.dds report='Sprite([0-9]*): failed to load texture' ;;
  vps) file=Misc/Clock.vps report='Velmoran([0-9]*): failed to' ;;
  bps) file=Misc/Clock.bps report='BackGroundObj([0-9]*): failed to' ;;
  fpp) file=Misc/Clock.fpp report='Ferguson([0-9]*): failed to' ;;
  settings) file=Misc/VelmoranFlags.vmf report='Flags([0-9]*): Failed to' ;;
  sound) file=Sound/AlarmSound.wav report='failed to load sound for alarm' ;;
  *) echo "unknown kind $kind" >&2; exit 2 ;;
esac

# Answers a loader box if one is up: focused, as a window manager would
# focus it, then a real Return. The boxes carry no window class, which
# xdotool's search passes over, so they are found by their title.
answer_box() {
  local box
  box=$(xwininfo -root -children 2>/dev/null | awk '/"Unexpected error encountered"/ { print $1; exit }' || true)
  [ -n "$box" ] || return 1
  xdotool windowfocus "$box" 2>/dev/null || true
  sleep 0.1
  xdotool key Return 2>/dev/null || true
  boxes=$((boxes + 1))
  [ "$boxes" -lt 200 ] || fail "more than 200 boxes"
  sleep 0.2
}

# Answers every box until the first frame has been shown with no box up:
# the loads that report are over by then (a box that comes later is answered
# on the way by keeps_drawing and at the exit).
answer_boxes() {
  local deadline=$((SECONDS + 120))
  while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
    if answer_box; then continue; fi
    grep -q 'the first frame is shown' "$work/program.log" && return 0
    sleep 0.1
  done
}

# Starts the program and waits for its window, answering the boxes that a
# load before the window (the settings file) puts up.
start_answering() {
  (cd "$run" && exec "${program[@]}") >>"$work/program.log" 2>&1 &
  pid=$!
  wid=""
  for _ in $(seq 1 300); do
    answer_box || true
    wid=$(xdotool search --all --pid "$pid" --name '^Velmoran no Horlo$' 2>/dev/null | head -n 1 || true)
    [ -n "$wid" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the program ended before its window appeared"
    sleep 0.1
  done
  [ -n "$wid" ] || fail "no window titled 'Velmoran no Horlo'"
}

# Waits until two screenshots of the framed view's scene differ: frames are
# being drawn and something in them moves (the statistics' figures in the
# margin change in any case, so they are left out). A box that comes late (a
# loaded machine loads slowly) is answered on the way and the comparison
# starts again after it.
scene_shot() {
  shot "$1.png"
  convert "$1.png" -crop "384x288+64+$((top + 48))" +repage "$1-scene.png"
}
keeps_drawing() {
  local deadline=$((SECONDS + 120))
  scene_shot "$work/a"
  while [ "$SECONDS" -lt "$deadline" ]; do
    if answer_box; then
      scene_shot "$work/a"
      continue
    fi
    sleep 0.25
    scene_shot "$work/b"
    if [ "$(compare -metric AE "$work/a-scene.png" "$work/b-scene.png" null: 2>&1 | awk '{ print int($1) }')" -gt 0 ]; then
      return 0
    fi
  done
  return 1
}

# Answers boxes until the program has ended (a settings file that cannot be
# written says so at exit), then takes its status as wait_exit does.
answer_until_exit() {
  local deadline=$((SECONDS + 120))
  while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
    answer_box || sleep 0.2
  done
  wait_exit
}

# Deterministic "random" bytes (perl is always there on Debian).
random_bytes() {
  perl -e 'srand($ARGV[1]); print map { chr(int(rand(256))) } 1 .. $ARGV[0]' "$1" "$2"
}

for damage in half random empty folder fifo; do
  run="$work/$damage"
  rm -rf "$run"
  mkdir -p "$run"
  copy_media "$run"
  settings="$run/Misc/VelmoranFlags.vmf"
  # The framed view, so the statistics show in the white margin.
  [ "$kind" = settings ] || printf '\x0c\x00\x00\x00' >"$settings"
  target="$run/$file"
  size=$(stat -c %s "$target")
  case $damage in
    half) head -c $((size / 2)) "$media/$file" >"$target" ;;
    random) random_bytes "$size" 7 >"$target" ;;
    empty) : >"$target" ;;
    folder) rm -f "$target"; mkdir "$target" ;;
    fifo) rm -f "$target"; mkfifo "$target" ;;
  esac
  before=""
  [ "$kind" = settings ] || before=$(od -An -tx1 "$settings")
  : >"$work/program.log"

  started=$(date +%s%N)
  boxes=0
  start_answering
  answer_boxes
  kill -0 "$pid" 2>/dev/null || fail "$damage $file: the program ended"
  read -r ww wh <<<"$(window_size)"
  top=$((wh - 384))
  # The path is the first of the scene's media: without it none of the rest
  # is loaded and the view stays black, but the program goes on answering.
  [ "$kind" = fpp ] || keeps_drawing || fail "$damage $file: the window stands still"
  reported=$(grep -c "$report" "$work/program.log" || true)

  # Esc ends it; a settings file that is a folder cannot be written, and says so.
  window_position
  point 200 200
  xdotool key --window "$wid" Escape
  answer_until_exit
  [ -n "$code" ] || fail "$damage $file: Esc did not end the program"
  [ "$code" -eq 0 ] || fail "$damage $file: exit status $code"
  pid=""
  if [ "$kind" = settings ]; then
    if [ "$damage" = folder ]; then
      [ -d "$settings" ] || fail "the settings folder was replaced"
    else
      [ "$(stat -c %s "$settings")" -eq 4 ] || fail "$damage settings: not saved as 4 bytes"
    fi
  else
    [ "$(od -An -tx1 "$settings")" = "$before" ] || fail "$damage $file: the settings file changed"
  fi
  echo "$damage $file: window, $boxes boxes answered, $reported report lines, drawing, exit 0 ($(( ($(date +%s%N) - started) / 1000000 )) ms)"
  { grep -i "fail\|error\|couldnt" "$work/program.log" || true; } | head -n 3 | sed 's/^/    /'
  # What a loader must say depends on the damage: a cut sound file still
  # plays what it holds, and random settings bytes are a word like any other.
  if [ "$kind/$damage" != sound/half ] && [ "$kind/$damage" != settings/random ]; then
    [ "$boxes" -gt 0 ] || fail "$damage $file: no message box"
    [ "$reported" -gt 0 ] || fail "$damage $file: no '$report' trace on stderr"
  fi
done
