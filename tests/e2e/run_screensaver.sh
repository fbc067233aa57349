#!/usr/bin/env bash
# The clock as a screen saver's display module under Xvfb: a window made by
# the probe (as the daemon would make it, magenta so that what was not drawn
# shows) is given with --window-id and with --root plus XSCREENSAVER_WINDOW.
# The program draws the full scene alone into it at its size and follows a
# resize; it idles while the window is unmapped or covered; it ends with 0 when
# the window is destroyed and on SIGTERM and SIGINT; a window that does not
# exist is one line on stderr and status 1; the settings file is never
# touched and the alarm sound never loaded. --root alone draws on the root
# window and leaves it clean. The CPU figures go to the test's output.
#   run_screensaver.sh <program> <probe> <work folder> <media folder> <seconds to end>
set -euo pipefail

program=$1
probe=$2
work=$3
media=$4
end_limit=$5

# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
enter_xvfb 390 "$work" "$0" "$@"
unset XSCREENSAVER_WINDOW
program=("$program")
trap 'stop_host; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; true' EXIT

# Framed view with the buttons and numerals on black: a screen saver shows the
# full view without buttons, and would show a white margin if it kept the frame.
make_run_folder 28
touch -d '2001-02-03 04:05:06.789' "$settings"
settings_stamp() {
  stat -c '%s %y' "$settings"
  od -An -tx1 "$settings"
}
stamp_before=$(settings_stamp)
expect_settings_untouched() {
  [ "$(settings_stamp)" = "$stamp_before" ] || fail "after $1 the settings file changed: $(settings_stamp)"
}

# The host window: the probe keeps it and takes commands ("size W H", "unmap",
# "map", "cover", "uncover", "destroy"), each answered once the server has it.
start_host() {
  coproc HOST { exec "$probe" host; }
  host_pid=$HOST_PID
  read -r -t 30 host <&"${HOST[0]}" || fail "the probe made no window"
}
host_command() {
  echo "$1" >&"${HOST[1]}"
  local answer=""
  read -r -t 30 answer <&"${HOST[0]}" || true
  [ "$answer" = "done" ] || fail "the probe did not do '$1'"
}
stop_host() {
  if [ -n "${host_pid:-}" ]; then
    kill "$host_pid" 2>/dev/null || true
    wait "$host_pid" 2>/dev/null || true
    host_pid=""
  fi
}

start_saver() {
  (cd "$run" && exec "${program[@]}" "$@") >>"$work/program.log" 2>&1 &
  pid=$!
}

# A screenshot of the host window in dump format.
dump_host() {
  for _ in $(seq 1 10); do
    xwd -silent -id "$host" >"$1" 2>/dev/null && [ -s "$1" ] && return 0
    sleep 0.2
  done
  fail "no screenshot of the host window"
}

measure() {
  local kind=$1 shot=$2 w=$3 h=$4
  "$probe" "$kind" 0 0 "$w" "$h" <"$shot" | awk '{ print $1 }'
}

# Waits (at most a minute: frames are slow under the sanitizers) until the
# whole w x h window is drawn: no magenta left and the scene's colours in it.
wait_drawn() {
  local w=$1 h=$2 name=$3 magenta=-1 coloured=0
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || fail "the program ended while drawing ($name)"
    dump_host "$work/$name.xwd"
    magenta=$(measure magenta "$work/$name.xwd" "$w" "$h")
    coloured=$(measure coloured "$work/$name.xwd" "$w" "$h")
    if [ "$magenta" -eq 0 ] && [ "$coloured" -ge $((w * h / 1000)) ]; then
      echo "$name: ${w}x$h drawn, $coloured pixels of the scene's colours"
      return 0
    fi
    sleep 0.2
  done
  fail "the ${w}x$h window was not drawn ($name: $magenta undrawn pixels, $coloured coloured)"
}

# Nothing stands still over the moving scene: no buttons at the top corners,
# no statistics, no white margin or frame at the edges.
expect_scene_alone() {
  local w=$1 h=$2 name=$3 still
  dump_host "$work/$name-a.xwd"
  # The second after a new frame (frames are slow under the sanitizers).
  for _ in $(seq 1 300); do
    sleep 0.2
    dump_host "$work/$name-b.xwd"
    cmp -s "$work/$name-a.xwd" "$work/$name-b.xwd" || break
  done
  for rect in "0 0 $w $((h / 5))" "0 0 $((w / 8)) $h" "$((w - w / 8)) 0 $((w / 8)) $h"; do
    # shellcheck disable=SC2086
    still=$("$probe" overlay "$work/$name-a.xwd" "$work/$name-b.xwd" $rect)
    [ "$still" -le 40 ] || fail "$name: $still pixels stand still over the scene in $rect (buttons, statistics or a frame)"
  done
}

# Waits for the program to end with status 0 within the limit after what
# ended it, and says how long it took.
expect_end() {
  local what=$1 started ended status
  started=$(date +%s%N)
  while kill -0 "$pid" 2>/dev/null; do
    [ $(($(date +%s%N) - started)) -le $((end_limit * 1000000000)) ] || fail "$what did not end the program within $end_limit s"
    sleep 0.02
  done
  ended=$(date +%s%N)
  set +e
  wait "$pid"
  status=$?
  set -e
  pid=""
  [ "$status" -eq 0 ] || fail "exit status $status after $what"
  echo "$what: ended with 0 after $(((ended - started) / 1000000)) ms"
}

ticks() {
  awk '{ print $14 + $15 }' "/proc/$pid/stat"
}
# CPU of the program over 5 s, in per cent of one core.
cpu_percent() {
  local hz before after
  hz=$(getconf CLK_TCK)
  before=$(ticks)
  sleep 5
  after=$(ticks)
  echo $(((after - before) * 100 / (hz * 5)))
}

# After a host command that hides the window, the program draws nothing:
# almost no processor time over the next seconds.
#   expect_idle <host command> <what the window is now>
expect_idle() {
  local busy
  host_command "$1"
  sleep 1
  busy=$(cpu_percent)
  echo "window $2: $busy % of a core"
  [ "$busy" -le 3 ] || fail "the program used $busy % of a core while its window was $2"
}

# Mapped windows at the top of the screen, apart from the host's.
other_windows() {
  xwininfo -root -children | awk '/^ +0x/ { print $1 }' | while read -r w; do
    [ "$w" = "$host" ] && continue
    xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable' && echo "$w"
  done | wc -l
}

# 1. --window-id: drawn at 640 x 480, then at 800 x 600; idle while unmapped
#    or covered; ended by the window's destruction.
start_host
others=$(other_windows)
start_saver --window-id "$host"
wait_drawn 640 480 given
expect_scene_alone 640 480 given
[ "$(other_windows)" -eq "$others" ] || fail "the program opened a window of its own"
echo "drawing into the 640x480 window: $(cpu_percent) % of a core"
host_command "size 800 600"
wait_drawn 800 600 resized
expect_scene_alone 800 600 resized
echo "drawing into the 800x600 window: $(cpu_percent) % of a core"
expect_idle unmap unmapped
host_command map
wait_drawn 800 600 mapped
expect_idle cover covered
host_command uncover
wait_drawn 800 600 uncovered
host_command destroy
host_pid=""
expect_end "destroying the window"
expect_settings_untouched "the --window-id run"

# 2. --root with the daemon's variable: the same window, SIGTERM.
start_host
export XSCREENSAVER_WINDOW=$host
start_saver --root
unset XSCREENSAVER_WINDOW
wait_drawn 640 480 root
expect_scene_alone 640 480 root
kill -TERM "$pid"
expect_end SIGTERM
expect_settings_untouched "the --root run"

# 3. SIGINT, while the window is unmapped and the program waits for events.
start_saver --window-id "$host"
wait_drawn 640 480 interrupted
host_command unmap
sleep 1
kill -INT "$pid"
expect_end SIGINT
expect_settings_untouched "the interrupted run"
stop_host

# 4. --root on a bare X server: drawn on the root window, which shows its own
#    background again, not the last frame, once the program has ended.
root_coloured() {
  local n
  xwd -root -silent >"$work/root.xwd" 2>/dev/null || true
  n=$(measure coloured "$work/root.xwd" 1024 768)
  echo "${n:--1}"
}
start_saver --root
for _ in $(seq 1 300); do
  [ "$(root_coloured)" -ge 1000 ] && break
  kill -0 "$pid" 2>/dev/null || fail "the program ended while drawing on the root window"
  sleep 0.2
done
[ "$(root_coloured)" -ge 1000 ] || fail "the program did not draw on the root window"
kill -TERM "$pid"
expect_end "SIGTERM on the root window"
for _ in $(seq 1 25); do
  [ "$(root_coloured)" -eq 0 ] && break
  sleep 0.2
done
left=$(root_coloured)
[ "$left" -eq 0 ] || fail "the root window still shows the scene ($left coloured pixels) after the program ended"
expect_settings_untouched "the run on the root window"

# 5. A window that does not exist: one line on stderr, status 1.
set +e
(cd "$run" && exec "${program[@]}" --window-id 0x1fffffe) >"$work/bogus.out" 2>"$work/bogus.err"
status=$?
set -e
[ "$status" -eq 1 ] || fail "a window that does not exist gave status $status"
[ "$(wc -l <"$work/bogus.err")" -eq 1 ] || fail "a window that does not exist gave: $(cat "$work/bogus.err")"
[ ! -s "$work/bogus.out" ] || fail "a window that does not exist printed: $(cat "$work/bogus.out")"
echo "a window that does not exist: $(cat "$work/bogus.err")"
expect_settings_untouched "the run without a window"

# 6. --root --reset-settings: the default word (black background) over the
#    user's white one, and the file not written.
printf '\x1e\x00\x00\x00' >"$settings"
touch -d '2001-02-03 04:05:06.789' "$settings"
stamp_before=$(settings_stamp)
start_host
export XSCREENSAVER_WINDOW=$host
start_saver --root --reset-settings
unset XSCREENSAVER_WINDOW
wait_drawn 640 480 reset
white=$(measure white "$work/reset.xwd" 640 480)
[ "$white" -le $((640 * 480 / 10)) ] || fail "--reset-settings drew the user's white background ($white white pixels)"
kill -TERM "$pid"
expect_end "SIGTERM with --reset-settings"
expect_settings_untouched "the --root --reset-settings run"
echo "--root --reset-settings: the default black background ($white white pixels), the settings file untouched"
stop_host

# 7. A broken model: said on stderr in one line, no box (nobody could answer
#    it under a screen saver), the rest drawn, and a clean end.
broken="$work/broken"
mkdir -p "$broken"
copy_media "$broken"
head -c 100 "$media/Model/VelmoranTuru04.x" >"$broken/Model/VelmoranTuru04.x"
start_host
(cd "$broken" && VELMORAN_VERBOSE=0 exec "${program[@]}" --window-id "$host") >"$work/broken.out" 2>"$work/broken.err" &
pid=$!
wait_drawn 640 480 broken
boxes=$(xwininfo -root -children | grep -c '"Unexpected error encountered"' || true)
[ "$boxes" -eq 0 ] || fail "a broken model put up $boxes boxes under the screen saver"
host_command destroy
host_pid=""
expect_end "destroying the window over a broken model"
grep -q '^velmoran: Unexpected error encountered: .*failed to load xfile' "$work/broken.err" ||
  fail "the broken model was not reported on stderr: $(cat "$work/broken.err")"
grep -v '^velmoran: ' "$work/broken.err" && fail "lines on stderr other than the reports"
echo "a broken model: $(wc -l <"$work/broken.err") line(s) on stderr, no box, drawn, ended with 0"

# It never rings, so no run opened the sound device for the alarm.
if grep -q "loading sound for alarm" "$work/program.log"; then
  fail "a screen saver loaded the alarm sound"
fi
echo "PASS"
