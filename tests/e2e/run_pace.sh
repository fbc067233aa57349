#!/usr/bin/env bash
# A frame rate the user chooses (--max-fps) changes how often the picture is
# drawn, not how fast the world moves: the view of a capped clock a number of
# seconds after its first frame is the view the uncapped clock shows at the
# same time. The uncapped run is filmed over a stretch of seconds; each shot
# of a capped run is matched to the film, and the time of the best match must
# be its own time within 5 %. Prints the CPU each pace costs.
#   run_pace.sh <program> <probe> <work folder> <media folder>
set -euo pipefail

program=$1
probe=$2
work=$3
media=$4

# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
enter_xvfb 280 "$work" "$0" "$@"
# Paced as a user's clock is; the debug output marks the first frame.
unset VELMORAN_NO_PACING
export VELMORAN_VERBOSE=1
bin=$program

# The full view on black, no buttons: nothing in it but the moving scene.
make_run_folder 0

# The moment, in seconds, a line reached the log; its lines carry their own.
now() { echo "$EPOCHREALTIME"; }
stamp_lines() {
  while IFS= read -r line; do
    printf '%s %s\n' "$EPOCHREALTIME" "$line"
  done
}

# Starts the program with the given options and sets t0 to the moment its
# first frame was shown.
start_paced() {
  : >"$work/program.log"
  (cd "$run" && exec "$bin" "$@") 2> >(stamp_lines >>"$work/program.log") >/dev/null &
  pid=$!
  t0=""
  for _ in $(seq 1 600); do
    t0=$(awk '/the first frame is shown/ { print $1; exit }' "$work/program.log")
    [ -n "$t0" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the program ended before its first frame"
    sleep 0.05
  done
  [ -n "$t0" ] || fail "no first frame within 30 s"
  wid=$(xdotool search --all --pid "$pid" --name '^Velmoran no Horlo$' 2>/dev/null | head -n 1 || true)
  for _ in $(seq 1 100); do
    [ -n "$wid" ] && break
    sleep 0.1
    wid=$(xdotool search --all --pid "$pid" --name '^Velmoran no Horlo$' 2>/dev/null | head -n 1 || true)
  done
  [ -n "$wid" ] || fail "no window"
  read -r ww wh <<<"$(window_size)"
  top=$((wh - 384))
}

# A shot named by its time after the first frame (the middle of the
# capture), which it prints.
film() {
  local before after at
  before=$(now)
  xwd -silent -id "$wid" >"$work/shot.xwd" 2>/dev/null || return 1
  after=$(now)
  at=$(awk -v b="$before" -v a="$after" -v t="$t0" 'BEGIN { printf "%.3f", (b + a) / 2 - t }')
  mv "$work/shot.xwd" "$1/$at.xwd"
  echo "$at"
}

# Waits until the clock has run `seconds` since its first frame.
until_time() {
  local wait
  wait=$(awk -v t="$t0" -v s="$1" -v n="$(now)" 'BEGIN { w = t + s - n; printf "%.3f", (w > 0 ? w : 0) }')
  sleep "$wait"
}

ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }

stop() {
  kill -TERM "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=""
}

# The uncapped clock, filmed from 4 to 13 s after its first frame.
mkdir -p "$work/film"
start_paced
until_time 4
while :; do
  at=$(film "$work/film") || continue
  awk -v a="$at" 'BEGIN { exit !(a >= 13) }' && break
done
hz=$(getconf CLK_TCK)
t=$(ticks)
sleep 3
echo "display's pace (60 Hz): $(((($(ticks) - t) * 100) / (hz * 3))) % of a core"
stop
echo "film: $(ls "$work/film" | wc -l) shots from 4 to 13 s"

for fps in 30 15 5; do
  mkdir -p "$work/paced$fps"
  start_paced --max-fps "$fps"
  for second in 6 9 12; do
    until_time "$second"
    film "$work/paced$fps" >/dev/null || film "$work/paced$fps" >/dev/null || fail "no shot at $fps frames a second"
  done
  t=$(ticks)
  sleep 3
  echo "--max-fps $fps: $(((($(ticks) - t) * 100) / (hz * 3))) % of a core"
  stop
  for shot in "$work/paced$fps"/*.xwd; do
    at=$(basename "$shot" .xwd)
    match=$(basename "$("$probe" nearest "$top" "$shot" "$work"/film/*.xwd)" .xwd)
    echo "--max-fps $fps: the view at $at s is the uncapped one at $match s"
    awk -v a="$at" -v m="$match" 'BEGIN { d = m - a; if (d < 0) d = -d; exit !(d <= 0.05 * a) }' ||
      fail "at --max-fps $fps the view at $at s is the uncapped clock's at $match s: the world runs at another speed"
  done
done
echo "PASS"
