#!/usr/bin/env bash
# The real program on two displays side by side: the X.org dummy driver with
# two outputs, 1920 x 1080 at +0+0 and 1600 x 900 at +1920+0, and a window
# manager.
# --list-displays lists both; --display 1 --fullscreen fills the second
# output's rectangle and leaves the first untouched; a window moved to the
# second display goes full screen there with Alt+Enter; leaving full screen
# keeps both outputs as they were (no mode switch on one of several). Under
# the screen-saver daemon, one clock fills each output. Skipped (77) where
# Xorg or its dummy driver is not installed.
#   run_displays.sh <program> <work folder> <media folder>
set -euo pipefail

program=$1
work=$2
media=$3

command -v Xorg >/dev/null && ls /usr/lib/xorg/modules/drivers/dummy_drv.so >/dev/null 2>&1 || {
  echo "no Xorg with the dummy driver: skipped"
  exit 77
}
# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
rm -rf "$work"
mkdir -p "$work"
export SDL_AUDIODRIVER=dummy VELMORAN_VERBOSE=1
unset SDL_VIDEODRIVER
program=("$program")

cat >"$work/dummy.conf" <<'CONF'
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 256000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 3840 2160
    EndSubSection
EndSection
CONF
number=60
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
export DISPLAY=":$number"
Xorg "$DISPLAY" -noreset -nolisten tcp -config "$work/dummy.conf" -logfile "$work/xorg.log" >"$work/xorg.out" 2>&1 &
xorg_pid=$!
trap 'stop_window_manager; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; kill "$xorg_pid" 2>/dev/null; true' EXIT
for _ in $(seq 1 100); do
  xdpyinfo >/dev/null 2>&1 && break
  kill -0 "$xorg_pid" 2>/dev/null || fail "Xorg ended: $(tail -n 5 "$work/xorg.out")"
  sleep 0.1
done

# Two outputs of different sizes side by side, so that a picture made for the
# one shows on the other.
two_outputs() {
  xrandr --output DUMMY0 --mode 1920x1080 --pos 0x0 --output DUMMY1 --mode 1600x900 --right-of DUMMY0
}
xrandr --addmode DUMMY1 1600x900
two_outputs
start_window_manager

make_run_folder 4 # the full view with the buttons

xrandr | grep -w connected >"$work/outputs.txt"
listed=$("${program[@]}" --list-displays)
echo "$listed"
[ "$(echo "$listed" | wc -l)" = 2 ] || fail "--list-displays: not two lines"
echo "$listed" | grep -q '^1  DUMMY1  1600x900 at 1920,0$' || fail "--list-displays: no DUMMY1 at 1920,0"
set +e
"${program[@]}" --display 2 2>"$work/no_display.err"
code=$?
set -e
[ "$code" = 2 ] && grep -q 'no display 2 (there are 2' "$work/no_display.err" || fail "--display 2: status $code"

# The output's rectangle as xrandr says, WxH+X+Y.
output_rect() { xrandr | sed -n "s/^$1 connected \(primary \)\{0,1\}\([0-9]*x[0-9]*+[0-9]*+[0-9]*\).*/\2/p"; }
window_rect() { xwininfo -id "$wid" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
  /Width:/{w=$NF} /Height:/{h=$NF} END{print w "x" h "+" x "+" y}'; }
# Mean brightness of a rectangle of the root window, as a whole number.
brightness() { import -window root -crop "$1" +repage -format '%[fx:int(mean*100000)]' info:; }

# Waits for a full screen on display 1 (more than the given count of them in
# the log) that covers exactly DUMMY1 with the scene in it, drawn at DUMMY1's
# resolution (no mode switch on one of two displays), DUMMY0 unchanged and
# black.
expect_full_on_second() {
  local rect="" n=0
  for _ in $(seq 1 100); do
    [ "$(grep -c 'Full screen on display 1' "$work/program.log")" -gt "$2" ] && break
    sleep 0.1
  done
  [ "$(grep -c 'Full screen on display 1' "$work/program.log")" -gt "$2" ] || fail "$1: no full screen on display 1"
  for _ in $(seq 1 100); do
    rect=$(output_rect DUMMY1)
    [ -n "$rect" ] && [ "$(window_rect)" = "$rect" ] && n=$(brightness "$rect") && [ "$n" -gt 100 ] && break
    sleep 0.1
  done
  [ "$(window_rect)" = "$rect" ] || fail "$1: the window is $(window_rect), DUMMY1 $rect"
  [ "$n" -gt 100 ] || fail "$1: no scene on DUMMY1 ($n)"
  [ "$(grep -c 'HAL back buffer 1600 x 900' "$work/program.log")" -gt "$2" ] ||
    fail "$1: not drawn at the output's resolution"
  [ "$(output_rect DUMMY0)" = "1920x1080+0+0" ] || fail "$1: DUMMY0 is now $(output_rect DUMMY0)"
  [ "$(brightness 1920x1080+0+0)" = 0 ] || fail "$1: something drawn on DUMMY0"
  echo "$1: the window fills DUMMY1 ($rect) with the scene ($n); DUMMY0 untouched"
}

# Leaves full screen with Alt+Enter and ends with Esc: the window is back to
# its size on display 1, both outputs keep their place and mode, the program
# ends with status 0 and says no X error.
leave_and_end() {
  local rect=""
  xdotool windowactivate --sync "$wid" key --clearmodifiers alt+Return
  for _ in $(seq 1 100); do
    rect=$(window_rect)
    [ "${rect%%x*}" = 512 ] && break
    sleep 0.1
  done
  [ "${rect%%x*}" = 512 ] || fail "$1: the window is $rect after leaving full screen"
  [ "$(echo "$rect" | cut -d+ -f2)" -ge 1920 ] || fail "$1: the window left display 1: $rect"
  [ "$(output_rect DUMMY0)" = "1920x1080+0+0" ] || fail "$1: DUMMY0 is $(output_rect DUMMY0) after full screen"
  [ "$(output_rect DUMMY1)" = "1600x900+1920+0" ] || fail "$1: DUMMY1 is $(output_rect DUMMY1) after full screen"
  xdotool windowactivate --sync "$wid" key --clearmodifiers Escape
  expect_exit "$1: Esc"
  ! grep -q 'X Error' "$work/program.log" || fail "$1: an X error"
  echo "$1: back to a window on display 1 ($rect), the outputs as they were; ended with 0"
}

program+=(--display 1 --fullscreen)
start_program
expect_full_on_second "--display 1 --fullscreen" 0
leave_and_end "--display 1 --fullscreen"

# A window opened on display 0, moved to display 1, then Alt+Enter.
program=("${program[0]}")
start_program
[ "$(window_rect | cut -d+ -f2)" -lt 1920 ] || fail "the window did not open on display 0: $(window_rect)"
xdotool windowmove "$wid" 2400 300
for _ in $(seq 1 100); do
  [ "$(window_rect | cut -d+ -f2)" -ge 1920 ] && break
  sleep 0.1
done
[ "$(window_rect | cut -d+ -f2)" -ge 1920 ] || fail "the window did not move to display 1: $(window_rect)"
xdotool windowactivate --sync "$wid" key --clearmodifiers alt+Return
expect_full_on_second "moved to display 1, Alt+Enter" 1
leave_and_end "moved to display 1"

# The screen-saver daemon over both outputs: one clock per monitor, each in
# its own window of its output's rectangle, each sized to that window (never
# to the whole screen) and drawing the scene there; both end at the daemon's
# signal, with no X error.
if ! command -v xscreensaver >/dev/null || ! command -v xscreensaver-command >/dev/null; then
  echo "no xscreensaver daemon: its two clocks not checked"
  echo "PASS"
  exit 0
fi
prepare_daemon "${program[0]}"
log="$home/saver.log"
"${as_user[@]}" env HOME="$home" XDG_CONFIG_HOME="$home/.config" \
  xscreensaver -no-splash -verbose -log "$log" >"$work/daemon.err" 2>&1 &
daemon=$!
trap 'xscreensaver-command -exit >/dev/null 2>&1; stop_window_manager; kill "$xorg_pid" 2>/dev/null; true' EXIT
for _ in $(seq 1 300); do
  xscreensaver-command -time >/dev/null 2>&1 && break
  kill -0 "$daemon" 2>/dev/null || fail "the daemon ended: $(cat "$work/daemon.err")"
  sleep 0.1
done
xscreensaver-command -activate >/dev/null || fail "the daemon did not answer"
forks=""
for _ in $(seq 1 300); do
  forks=$(sed -n "s|.*forked \"$tree/bin/velmoran --root\" in pid \([0-9]*\) on window \(0x[0-9a-f]*\).*|\1 \2|p" "$log")
  [ "$(echo "$forks" | grep -c .)" -ge 2 ] && break
  sleep 0.1
done
[ "$(echo "$forks" | grep -c .)" = 2 ] || fail "the daemon started $(echo "$forks" | grep -c .) clocks, not one per output"
rects=""
while read -r clock wid; do
  rect=$(window_rect)
  [ "$rect" = "$(output_rect DUMMY0)" ] || [ "$rect" = "$(output_rect DUMMY1)" ] ||
    fail "clock $clock draws in a window of $rect, no output's rectangle"
  n=0
  for _ in $(seq 1 300); do
    kill -0 "$clock" 2>/dev/null || fail "clock $clock ended while drawing"
    n=$(brightness "$rect")
    [ "$n" -gt 50000 ] && break
    sleep 0.1
  done
  [ "$n" -gt 50000 ] || fail "clock $clock drew nothing on $rect ($n)"
  rects="$rects $rect"
  echo "daemon: clock $clock draws the scene on $rect ($n)"
done <<<"$forks"
[ "$(echo "$rects" | wc -w)" = 2 ] && [ "$(echo "$rects" | tr ' ' '\n' | sort -u | grep -c .)" = 2 ] ||
  fail "the clocks share an output:$rects"
grep -q 'back buffer 1920 x 1080' "$log" && grep -q 'back buffer 1600 x 900' "$log" ||
  fail "the clocks did not size themselves to their windows"
! grep -q 'back buffer 3520' "$log" || fail "a clock sized itself to the whole screen"
xscreensaver-command -deactivate >/dev/null
while read -r clock _; do
  for _ in $(seq 1 100); do
    kill -0 "$clock" 2>/dev/null || break
    sleep 0.05
  done
  ! kill -0 "$clock" 2>/dev/null || fail "clock $clock still runs 5 s after the daemon's signal"
done <<<"$forks"
! grep -q 'X Error' "$log" || fail "an X error in the daemon's log"
echo "daemon: both clocks ended at the signal"
echo "PASS"
