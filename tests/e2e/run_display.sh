#!/usr/bin/env bash
# The clock without a window system, and losing it. Started with no display it
# says so in one line and ends with status 1 at once. Under an X server of its
# own that is then killed (while drawing after a key changed a display choice,
# while the settings file's box is up before the window exists, while the
# device dialog is open, drawing as a screen saver on the root window) the
# program must end within the limit with status 1 and one line, no dump from
# the X library, and the changed choice saved.
#   run_display.sh <program> <work folder> none|drawing|box|dialog|saver <media folder> <seconds to end>
set -euo pipefail

program=("$1")
work=$2
scenario=$3
media=$4
end_limit=$5

# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
rm -rf "$work"
mkdir -p "$work"
export SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER WAYLAND_DISPLAY XSCREENSAVER_WINDOW
trap 'kill ${pid:-} ${xvfb:-} 2>/dev/null || true' EXIT

# Framed view with buttons and numerals on black.
make_run_folder 28
: >"$work/program.log"

# Milliseconds until the program ends by itself (sets code), or fails after the limit.
time_exit() {
  local start=$1 deadline=$((SECONDS + end_limit + 1))
  while kill -0 "$pid" 2>/dev/null; do
    [ "$SECONDS" -le "$deadline" ] || fail "$scenario: still running $end_limit s after $2"
    sleep 0.02
  done
  elapsed=$((($(date +%s%N) - start) / 1000000))
  set +e
  wait "$pid"
  code=$?
  set -e
  pid=""
  [ "$elapsed" -le $((end_limit * 1000)) ] || fail "$scenario: ended $elapsed ms after $2"
  [ "$code" -eq 1 ] || fail "$scenario: exit status $code after $2"
}

if [ "$scenario" = none ]; then
  # No variable at all, and a display name with no server behind it.
  free=200
  while [ -e "/tmp/.X11-unix/X$free" ] || [ -e "/tmp/.X$free-lock" ]; do free=$((free + 1)); done
  for display in unset ":$free"; do
    settings_before=$(od -An -tx1 "$settings")
    start=$(date +%s%N)
    if [ "$display" = unset ]; then
      (cd "$run" && exec env -u DISPLAY "${program[@]}") >"$work/out.log" 2>"$work/program.log" &
    else
      (cd "$run" && exec env DISPLAY="$display" "${program[@]}") >"$work/out.log" 2>"$work/program.log" &
    fi
    pid=$!
    time_exit "$start" "the start with DISPLAY $display"
    if [ "$(wc -l <"$work/program.log")" -ne 1 ] || ! grep -q '^velmoran: cannot open a display' "$work/program.log"; then
      fail "DISPLAY $display: not one line saying so"
    fi
    [ ! -s "$work/out.log" ] || fail "DISPLAY $display: output on stdout"
    [ "$(od -An -tx1 "$settings")" = "$settings_before" ] || fail "DISPLAY $display: the settings file changed"
    echo "DISPLAY $display: status 1 after $elapsed ms: $(cat "$work/program.log")"
  done
  exit 0
fi

# An X server of the test's own, on a display number it picks itself. It
# must not reset when its last client leaves (a start meeting a reset finds
# no server).
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

# Holds key $1 down until the program says a frame changed the settings word.
change_word() {
  focus_window
  xdotool keydown --window "$wid" "$1"
  for _ in $(seq 1 300); do
    grep -q 'a key changed the settings word' "$work/program.log" && break
    sleep 0.05
  done
  xdotool keyup --window "$wid" "$1"
  grep -q 'a key changed the settings word to 30' "$work/program.log" || fail "key $1 changed nothing"
}

case $scenario in
  drawing | dialog)
    export VELMORAN_VERBOSE=1
    start_program
    read -r _ wh <<<"$(window_size)"
    top=$((wh - 384))
    change_word 1
    if [ "$scenario" = dialog ]; then
      xdotool mousemove --window "$wid" 5 $((top + 380))
      xdotool key --window "$wid" F2
      wait_dialog "$work/dialog.png" || fail "F2 showed no dialog"
    fi
    ;;
  box)
    # Without the settings file the box comes before the window, from the
    # settings' load. It is a real box on the server.
    rm "$settings"
    (cd "$run" && exec "${program[@]}") >>"$work/program.log" 2>&1 &
    pid=$!
    for _ in $(seq 1 300); do
      xwininfo -root -children 2>/dev/null | grep -q '"Unexpected error encountered"' && break
      kill -0 "$pid" 2>/dev/null || fail "the program ended before its box appeared"
      sleep 0.1
    done
    xwininfo -root -children | grep -q '"Unexpected error encountered"' || fail "no box"
    ;;
  saver)
    export VELMORAN_VERBOSE=1
    (cd "$run" && exec "${program[@]}" --root) >>"$work/program.log" 2>&1 &
    pid=$!
    for _ in $(seq 1 300); do
      grep -q 'the first frame is shown' "$work/program.log" && break
      kill -0 "$pid" 2>/dev/null || fail "the screen saver ended before it drew"
      sleep 0.1
    done
    grep -q 'the first frame is shown' "$work/program.log" || fail "the screen saver drew nothing"
    ;;
  *)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac

kill -0 "$pid" 2>/dev/null || fail "the program ended before the server"
before=$(wc -l <"$work/program.log")
start=$(date +%s%N)
kill "$xvfb"
time_exit "$start" "the X server ended"
xvfb=""
tail -n +$((before + 1)) "$work/program.log" >"$work/after.log"
head -n 1 "$work/after.log" | grep -q '^velmoran: lost the connection to the display' ||
  fail "not the loss as the first line after the server ended"
[ "$(grep -c '^velmoran: ' "$work/after.log")" -eq 1 ] || fail "more than one line of the program's own"
! grep -qiE 'XIO|X connection|known processed' "$work/after.log" || fail "the X library's dump on stderr"
[ "$scenario" != box ] || [ "$(wc -l <"$work/after.log")" -eq 1 ] || fail "more than one line"
for left in "$settings".*; do
  [ ! -e "$left" ] || fail "a temporary settings file was left: $left"
done
case $scenario in
  drawing | dialog) [ "$(settings_word)" -eq 30 ] || fail "the changed choice was not saved: $(settings_word)" ;;
  box) [ ! -e "$settings" ] || fail "a settings file was written before the window existed" ;;
  saver) [ "$(settings_word)" -eq 28 ] || fail "the screen saver wrote the settings file" ;;
esac
echo "$scenario: status 1, $elapsed ms after the X server ended: $(head -n 1 "$work/after.log")"
