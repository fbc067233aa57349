#!/usr/bin/env bash
# A clock nobody sees costs nothing: covered whole by another window or the
# screen blanked by the server's saver, it draws no frames (at most 1 % of a
# core), and once seen again it shows the scene moved on. Prints its CPU.
#   run_covered.sh <program> <work folder> <media folder>
set -euo pipefail
program=("$1")
work=$2
media=$3
# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
enter_xvfb 110 "$work" "$0" "$@"
trap 'stop_window_manager; [ -n "${cover:-}" ] && kill "$cover" 2>/dev/null; true' EXIT
run="$work/run"
mkdir -p "$run"
cp -r "$media/Model" "$media/Texture" "$media/Misc" "$media/Sound" "$run/"
printf '\x00\x00\x00\x00' >"$run/Misc/VelmoranFlags.vmf"
start_window_manager
start_program
top=$(($(window_size | cut -d' ' -f2) - 384))

# The program's CPU over 5 s, in % of a core.
cpu() {
  local t
  t=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  sleep 5
  awk -v t="$t" -v hz="$(getconf CLK_TCK)" '{ printf "%.1f\n", ($14 + $15 - t) * 100 / (hz * 5) }' "/proc/$pid/stat"
}
# Waits for the frame after being seen again (the log emptied before), then
# for the scene in a shot that is not the one before.
expect_shown() {
  wait_line 'shown again, a frame is drawn' "$1: no frame drawn"
  shot "$work/$2.png"
  n=$(coloured_pixels "$work/$2.png" "$top")
  [ "$n" -ge 2000 ] || fail "$1: no scene in the window ($n coloured pixels)"
  n=$(compare -metric AE "$work/before.png" "$work/$2.png" null: 2>&1 || true)
  [ "${n%% *}" -ge 500 ] || fail "$1: the picture did not change ($n pixels)"
}

shot "$work/before.png"
echo "visible: $(cpu) % of a core"
xlogo & cover=$!
wmctrl -i -r "$(xdotool search --sync --classname xlogo | head -n 1)" -b add,fullscreen
wait_line 'hidden, no frames are drawn' "covered: frames still drawn"
covered=$(cpu)
echo "covered: $covered % of a core"
awk -v c="$covered" 'BEGIN { exit !(c <= 1.0) }' || fail "the covered clock took $covered % of a core"
: >"$work/program.log"
kill "$cover" && cover=""
expect_shown uncovered uncovered
xset s activate
wait_line 'hidden, no frames are drawn' "blanked: frames still drawn"
echo "blanked: $(cpu) % of a core"
: >"$work/program.log"
xset s reset
expect_shown "after the screen saver" unblanked
echo "PASS"
