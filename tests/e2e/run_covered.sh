#!/usr/bin/env bash
# A clock nobody sees costs nothing: covered whole by another window or the
# screen blanked by the server's saver, it draws no frames (at most 1 % of a
# core), and once seen again it shows the scene moved on. Prints its CPU.
#   run_covered.sh <program> <work folder> <media folder>
set -euo pipefail
program=("$1") work=$2 media=$3
# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
enter_xvfb 110 "$work" "$0" "$@"
trap 'stop_window_manager; [ -n "${cover:-}" ] && kill "$cover" 2>/dev/null; true' EXIT
make_run_folder 0
start_window_manager
start_program
top=$(($(window_size | cut -d' ' -f2) - 384))

# The program's CPU over 5 s, in % of a core.
cpu() {
  t=$(awk '{ print $14 + $15 }' "/proc/$pid/stat") && sleep 5
  awk -v t="$t" -v hz="$(getconf CLK_TCK)" '{ printf "%.1f\n", ($14 + $15 - t) * 100 / (hz * 5) }' "/proc/$pid/stat"
}
# Hidden by command $1 the clock draws nothing; seen again after command $2 it
# draws a frame at once: the scene, not the picture from before.
hide_and_show() {
  eval "$1"
  wait_line 'hidden, no frames are drawn' "$3: frames still drawn"
  used=$(cpu) && echo "$3: $used % of a core"
  awk -v c="$used" 'BEGIN { exit !(c <= 1.0) }' || fail "$3: the clock took $used % of a core"
  : >"$work/program.log" && eval "$2"
  wait_line 'shown again, a frame is drawn' "$3: no frame drawn when seen again"
  shot "$work/$3.png"
  n=$(coloured_pixels "$work/$3.png" "$top")
  [ "$n" -ge 2000 ] || fail "$3: no scene in the window when seen again ($n coloured pixels)"
  n=$(compare -metric AE "$work/before.png" "$work/$3.png" null: 2>&1 || true)
  [ "${n%% *}" -ge 500 ] || fail "$3: the picture did not change ($n pixels)"
}

shot "$work/before.png"
echo "visible: $(cpu) % of a core"
cover() {
  xlogo & cover=$!
  wmctrl -i -r "$(xdotool search --sync --classname xlogo | head -n 1)" -b add,fullscreen
}
uncover() { kill "$cover" && cover=""; }
hide_and_show cover uncover covered
hide_and_show 'xset s activate' 'xset s reset' blanked
echo "PASS"
