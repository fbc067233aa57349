#!/usr/bin/env bash
# The clock under the real screen-saver daemon (xscreensaver) on Xvfb, run by
# a plain user (the daemon refuses root) with the clock as its only module and
# no fading, so the daemon destroys its window as soon as it has signalled the
# module. Activated, cycled and deactivated: each clock the daemon starts draws
# the scene over the whole screen in the user's white background, ends with
# status 0 within the limit of the daemon's signal, says no X error and leaves
# no process behind.
#   run_daemon.sh <program> <probe> <work folder> <media folder> <seconds to end>
set -euo pipefail

program=$1
probe=$2
work=$3
media=$4
end_limit=$5

if ! command -v xscreensaver >/dev/null || ! command -v xscreensaver-command >/dev/null; then
  echo "SKIP: the xscreensaver daemon is not installed (scripts/install-deps installs it)"
  exit 77
fi

# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
enter_xvfb 390 "$work" "$0" "$@"
unset XSCREENSAVER_WINDOW
log="$work/home/saver.log"
fail() {
  echo "FAIL: $*" >&2
  echo "--- daemon log" >&2
  cat "$log" >&2 || true
  exit 1
}

prepare_daemon "$program"

stop_daemon() {
  xscreensaver-command -exit >/dev/null 2>&1 || true
  pkill -CONT -f "^$tree/bin/velmoran" 2>/dev/null || true
  pkill -f "^$tree/bin/velmoran" 2>/dev/null || true
  [ -n "${reaper:-}" ] && wait "$reaper" 2>/dev/null
  true
}
trap stop_daemon EXIT

# The probe takes over each module whose parent (the daemon's helper that
# ends when the screen is unblanked) exits first and says how it ended; the
# daemon's verbose log tells of the others, and holds the modules' stderr.
"$probe" reap "${as_user[@]}" env HOME="$home" XDG_CONFIG_HOME="$home/.config" \
  xscreensaver -no-splash -verbose -log "$log" >"$work/reaped" 2>"$work/daemon.err" &
reaper=$!
for _ in $(seq 1 300); do
  xscreensaver-command -time >/dev/null 2>&1 && break
  kill -0 "$reaper" 2>/dev/null || fail "the daemon ended: $(cat "$work/daemon.err")"
  sleep 0.1
done
xscreensaver-command -time >/dev/null 2>&1 || fail "the daemon did not answer"

alive() {
  local state
  state=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null) && [ -n "$state" ] && [ "$state" != Z ]
}

# Waits for the daemon to start the next clock; sets clock to its process id
# and window to the daemon's window it draws in.
started=0
next_clock() {
  local forks
  for _ in $(seq 1 300); do
    forks=$(sed -n "s|.*forked \"$tree/bin/velmoran --root\" in pid \([0-9]*\) on window \(0x[0-9a-f]*\).*|\1 \2|p" "$log")
    if [ "$(echo "$forks" | grep -c .)" -gt "$started" ]; then
      started=$((started + 1))
      read -r clock window <<<"$(echo "$forks" | tail -n 1)"
      return 0
    fi
    sleep 0.1
  done
  fail "the daemon started no clock after $1"
}

# Waits until a screenshot of the screen shows the scene over all of it: the
# white background in each of its 16 parts (the daemon's window is black where
# nothing was drawn) and the scene's colours; then for the next picture, which
# differs as the camera rides with the bird.
show() {
  local least=0 coloured=0
  for _ in $(seq 1 300); do
    alive "$clock" || fail "clock $clock ended while drawing"
    xwd -root -silent >"$work/first.xwd" 2>/dev/null || true
    least=$("$probe" white 0 0 1024 768 4 <"$work/first.xwd" || echo 0)
    coloured=$("$probe" coloured 0 0 1024 768 <"$work/first.xwd" | awk '{ print $1 }')
    if [ "$least" -ge 100 ] && [ "${coloured:-0}" -ge 1000 ]; then
      break
    fi
    sleep 0.2
  done
  [ "$least" -ge 100 ] || fail "clock $clock left part of the screen undrawn ($least background pixels in a sixteenth)"
  [ "${coloured:-0}" -ge 1000 ] || fail "clock $clock drew no scene ($coloured coloured pixels)"
  for _ in $(seq 1 300); do
    xwd -root -silent >"$work/next.xwd" 2>/dev/null || true
    cmp -s "$work/first.xwd" "$work/next.xwd" || return 0
    sleep 0.2
  done
  fail "the scene of clock $clock stood still"
}

# Ends the clock with a daemon command and waits for the end: within the
# limit, with status 0 (a module's own exit is "abnormal" in the daemon's
# words, whatever its status; one killed by the signal is "normal"). "held"
# deactivates while the clock is stopped, as a busy machine may keep it from
# running: it then finds its window unmapped, the signal and the window gone
# all at once.
end_clock() {
  local what=$1 begun ended status=""
  if [ "$what" = held ]; then
    kill -STOP "$clock"
    xscreensaver-command -deactivate >/dev/null
    for _ in $(seq 1 100); do
      xwininfo -id "$window" >/dev/null 2>&1 || break
      sleep 0.05
    done
    xwininfo -id "$window" >/dev/null 2>&1 && fail "the daemon kept its window $window"
    begun=$(date +%s%N)
    kill -CONT "$clock"
  else
    begun=$(date +%s%N)
    xscreensaver-command "-$what" >/dev/null
  fi
  while alive "$clock"; do
    [ $(($(date +%s%N) - begun)) -le $((end_limit * 1000000000)) ] || fail "$what did not end clock $clock within $end_limit s"
    sleep 0.02
  done
  ended=$(date +%s%N)
  for _ in $(seq 1 100); do
    status=$(awk -v pid="$clock" '$1 == pid { print $2 }' "$work/reaped")
    [ -z "$status" ] && status=$(sed -n "s/.*child pid $clock (.*) exited abnormally with status \(-*[0-9]*\)$/\1/p; s/.*child pid $clock (.*) \(exited normally\|unexpectedly terminated\) with \(.*\)/\2/p" "$log")
    [ -n "$status" ] && break
    sleep 0.05
  done
  [ "$status" = 0 ] || fail "clock $clock ended by $what with status '$status'"
  echo "$what: clock $clock ended with 0 after $(((ended - begun) / 1000000)) ms"
}

# Many deactivations: SDL's fault shows in about one of four (it reads memory
# it never set).
rounds=("cycle deactivate" held deactivate "cycle held")
for _ in 1 2 3 4 5 6; do
  rounds+=(deactivate held)
done
for round in "${rounds[@]}"; do
  xscreensaver-command -activate >/dev/null
  next_clock activating
  for what in $round; do
    show
    end_clock "$what"
    if [ "$what" = cycle ]; then
      next_clock cycling
    fi
  done
done

errors=$(grep -c 'X Error' "$log" || true)
[ "$errors" -eq 0 ] || fail "$errors X errors in the daemon's log"
xscreensaver-command -exit >/dev/null
wait "$reaper" || fail "the daemon ended with status $?"
reaper=""
left=$(pgrep -f "^$tree/bin/velmoran" || true)
[ -z "$left" ] || fail "clocks left running: $left"
echo "PASS: $started clocks"
