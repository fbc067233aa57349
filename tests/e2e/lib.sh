# Helpers of the end-to-end runs: the program under a virtual X server,
# found by its window, driven by real keys and clicks through the X test
# extension, seen through screenshots. Sourced by the scripts that use it;
# they set: program (the command, an array), run (its current directory),
# work (a folder for logs and shots) and settings (the settings file).

# Runs the calling script again inside its own virtual X server, with a fresh
# work folder, unless it already is inside one; there it picks the real X video
# driver and no sound card. The server must not reset when its last client
# leaves: runs start the program several times, and a start that meets a
# reset finds no server. A script may set xvfb_screen (its screen and dots per
# inch) first.
#   enter_xvfb <time limit in seconds> <work folder> "$0" "$@"
enter_xvfb() {
  if [ -n "${INSIDE_XVFB:-}" ]; then
    unset SDL_VIDEODRIVER
    export SDL_AUDIODRIVER=dummy
    # The runs wait for the program's debug lines, silent unless asked for.
    export VELMORAN_VERBOSE=1
    return 0
  fi
  local limit=$1 folder=$2
  shift 2
  rm -rf "$folder"
  mkdir -p "$folder"
  export INSIDE_XVFB=1
  exec timeout "$limit" xvfb-run -a -s "${xvfb_screen:--screen 0 1024x768x24} -nolisten tcp -noreset" "$@"
}

# Copies the generated media ($media) into the folder $1, as a run folder holds them.
copy_media() {
  cp -r "$media/Model" "$media/Texture" "$media/Misc" "$media/Sound" "$1/"
}

# The program's run folder, $work/run, with the media and a settings file
# (settings) holding the display choices word $1 (below 256); sets run and
# settings.
make_run_folder() {
  run="$work/run"
  mkdir -p "$run"
  copy_media "$run"
  settings="$run/Misc/VelmoranFlags.vmf"
  printf "\\x$(printf %02x "$1")\\x00\\x00\\x00" >"$settings"
}

fail() {
  echo "FAIL: $*" >&2
  if [ -n "${pid:-}" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
  fi
  echo "--- program output" >&2
  cat "$work/program.log" >&2 || true
  exit 1
}

# Starts the program in its folder and waits for its window and its first
# frame (shots before it show nothing of the program's).
start_program() {
  local shown
  shown=$(grep -c 'the first frame is shown' "$work/program.log" 2>/dev/null || true)
  (cd "$run" && exec "${program[@]}") >>"$work/program.log" 2>&1 &
  pid=$!
  wid=""
  for _ in $(seq 1 300); do
    wid=$(xdotool search --name '^Velmoran no Horlo$' 2>/dev/null | head -n 1 || true)
    # A name search can miss while other windows come and go; the program's
    # own windows are found by its process id as well.
    [ -z "$wid" ] && wid=$(xdotool search --all --pid "$pid" --name '^Velmoran no Horlo$' 2>/dev/null | head -n 1 || true)
    [ -n "$wid" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the program ended before its window appeared"
    sleep 0.1
  done
  [ -n "$wid" ] || fail "no window titled 'Velmoran no Horlo'"
  # A start that asks for no debug output (a user's) says nothing to wait for.
  [ "${VELMORAN_VERBOSE:-0}" != 0 ] || return 0
  wait_first_frame "$shown"
}

# Waits for the program's first frame after the given count of them in its log.
wait_first_frame() {
  for _ in $(seq 1 600); do
    [ "$(grep -c 'the first frame is shown' "$work/program.log" || true)" -gt "${1:-0}" ] && return 0
    kill -0 "$pid" 2>/dev/null || fail "the program ended before its first frame"
    sleep 0.1
  done
  fail "no first frame within 60 s"
}

# The settings are read at the start and written at the exit: once the
# window is up, the file gets a word the program never has, so a file
# holding the expected word after the exit was written by that exit.
mark_settings() {
  printf '\xff\xff\x00\x00' >"$settings"
}

#   expect_saved <what ended the program> [expected word, the start word by default]
expect_saved() {
  local got want=${2:-$start_word}
  got=$(settings_word)
  [ "$got" -eq "$want" ] || fail "after $1 the settings word is $got, expected $want written at the exit"
}

# A real Esc key press ends the program with code 0 and a 4-byte settings file.
stop_with_escape() {
  # The pointer over the window first, where the server reports it.
  window_position
  point 200 200
  xdotool key --window "$wid" Escape
  local code=""
  for _ in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
      set +e
      wait "$pid"
      code=$?
      set -e
      break
    fi
    sleep 0.1
  done
  [ -n "$code" ] || fail "Esc did not end the program"
  pid=""
  [ "$code" -eq 0 ] || fail "exit code $code after Esc"
  local size
  size=$(stat -c %s "$settings")
  [ "$size" -eq 4 ] || fail "settings file of $size bytes after exit"
}

# Gives the window the keyboard focus (the program reads the keyboard only
# while its window has it) and waits for the server to report it there; keys
# are then held until the program reports what they did.
focus_window() {
  for _ in $(seq 1 30); do
    xdotool windowfocus "$wid" 2>/dev/null || true
    sleep 0.1
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$wid" ] && break
  done
}

settings_word() {
  od -An -tu4 "$settings" | tr -d ' '
}

# Colours of a screenshot at the given points ("x y" pairs), one "r g b" line each.
pixels() {
  local shot=$1 format=""
  shift
  while [ $# -ge 2 ]; do
    format+="%[fx:int(255*p{$1,$2}.r)] %[fx:int(255*p{$1,$2}.g)] %[fx:int(255*p{$1,$2}.b)]\n"
    shift 2
  done
  convert "$shot" -format "$format" info:
}

window_size() {
  xdotool getwindowgeometry "$wid" | awk '/Geometry:/ { split($2, s, "x"); print s[1], s[2] }'
}

# Waits until a screenshot shows the framed scene of a client area of
# width x height under the menu strip: a white margin round a centre of three
# quarters that is not white (the black background and the scene), probed on
# both sides of each edge. Prints the strip height.
shot_framed() {
  local width=$1 height=$2 shot=$3
  local fx=$((width / 8)) fy=$((height / 8)) fw=$((width * 3 / 4)) fh=$((height * 3 / 4))
  for _ in $(seq 1 25); do
    read -r ww wh <<<"$(window_size)"
    local top=$((wh - height))
    if [ "$ww" -eq "$width" ] && [ "$top" -ge 0 ]; then
      xwd -silent -id "$wid" | convert xwd:- "$shot" 2>/dev/null || true
      local my=$((top + fy + fh / 2)) mx=$((width / 2))
      if [ -s "$shot" ] && pixels "$shot" \
        $((fx - 1)) "$my" "$fx" "$my" $((fx + fw - 1)) "$my" $((fx + fw)) "$my" \
        "$mx" $((top + fy - 1)) "$mx" $((top + fy)) "$mx" $((top + fy + fh - 1)) "$mx" $((top + fy + fh)) |
        awk 'BEGIN { want = "wnnwwnnw"; ok = 1 }
             { c = ($1 > 200 && $2 > 200 && $3 > 200) ? "w" : "n";
               if (c != substr(want, NR, 1)) ok = 0 }
             END { exit !(ok && NR == 8) }'; then
        echo "$top"
        return 0
      fi
    fi
    sleep 0.2
  done
  return 1
}

# Counts the strong green pixels of the statistics text near (5, 5).
green_pixels() {
  local shot=$1 top=$2
  convert "$shot" -crop "150x20+0+$top" +repage -depth 8 txt:- |
    awk -F'[(),]' 'NR > 1 { r = $3 + 0; g = $4 + 0; b = $5 + 0;
                     if (g > 120 && r < 90 && b < 90) n++ } END { print n + 0 }'
}

# The statistics line is formatted after the first presented frame, so a
# first screenshot may still show it empty: look again for a while.
wait_green() {
  local width=$1 height=$2 shot=$3 top green=0
  for _ in $(seq 1 15); do
    top=$(shot_framed "$width" "$height" "$shot") || return 1
    green=$(green_pixels "$shot" "$top")
    if [ "$green" -ge 20 ]; then
      echo "$top $green"
      return 0
    fi
    sleep 0.2
  done
  echo "$top $green"
}

# Counts the pixels of the client area (under the strip of height top) that
# are neither near black nor near white: the coloured parts of the scene. A
# rectangle w h x y of the client may be given; the whole 512 x 384 by default.
coloured_pixels() {
  local shot=$1 top=$2 w=${3:-512} h=${4:-384} x=${5:-0} y=${6:-0}
  convert "$shot" -crop "${w}x${h}+${x}+$((top + y))" +repage -depth 8 txt:- |
    awk -F'[(),]' 'NR > 1 { r = $3 + 0; g = $4 + 0; b = $5 + 0; hi = r; lo = r;
                     if (g > hi) hi = g; if (b > hi) hi = b; if (g < lo) lo = g; if (b < lo) lo = b;
                     if (hi - lo > 40) n++ } END { print n + 0 }'
}

# The scene of a framed view of a width x height client: the clocks and the
# vine colour a good part of the centre (an empty or black scene does not;
# the statistics text is in the margin, outside it).
#   expect_scene <shot> <top> <width> <height> <what>
expect_scene() {
  local n
  n=$(coloured_pixels "$1" "$2" $(($3 * 3 / 4)) $(($4 * 3 / 4)) $(($3 / 8)) $(($4 / 8)))
  [ "$n" -ge $(($3 * $4 / 20)) ] || fail "$5: the framed view shows no scene ($n coloured pixels)"
  echo "$n"
}

# Counts the bird's blue pixels in the client area.
blue_pixels() {
  local shot=$1 top=$2
  convert "$shot" -crop "512x384+0+$top" +repage -depth 8 txt:- |
    awk -F'[(),]' 'NR > 1 { r = $3 + 0; g = $4 + 0; b = $5 + 0;
                     if (b > r + 60 && b > g + 30 && b > 90) n++ } END { print n + 0 }'
}

# Bright pixels (the read-out's digits, drawn at 78 % over the dark panel) in
# a client rectangle x y w h.
white_mask() {
  local shot=$1 top=$2 x=$3 y=$4 w=$5 h=$6
  convert "$shot" -crop "${w}x${h}+${x}+$((top + y))" +repage -depth 8 txt:- |
    awk -F'[(),]' 'NR > 1 { print (($3 + 0 > 170 && $4 + 0 > 170 && $5 + 0 > 170) ? 1 : 0) }'
}

# Pixels whose bright state differs between two shots in a rectangle.
mask_change() {
  local a=$1 b=$2 top=$3 x=$4 y=$5 w=$6 h=$7
  paste <(white_mask "$a" "$top" "$x" "$y" "$w" "$h") <(white_mask "$b" "$top" "$x" "$y" "$w" "$h") |
    awk '$1 != $2 { n++ } END { print n + 0 }'
}

# Mouse input goes through the X test extension, so the program receives
# the same pointer and button events a user's hand would make.
mouse_setup() {
  # Clicks go to a focused window, as a user's would; the pointer must then
  # stay where it was put (a device cursor that moved it on would show here).
  for _ in $(seq 1 30); do
    xdotool windowfocus "$wid" 2>/dev/null || true
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$wid" ] && break
    sleep 0.1
  done
  window_position
}

# Where the X server has the window's top-left corner, in wx and wy. Under a
# window manager the window sits inside the manager's frame; xdotool's
# getwindowgeometry then adds the frame's offset twice (20 px too low under
# openbox), while xwininfo gives the absolute position.
window_position() {
  read -r wx wy <<<"$(xwininfo -id "$wid" |
    awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 } END { print x + 0, y + 0 }')"
}

# Moves the pointer to client point (x, y) and waits until the server has it
# there; sets ptx, pty to the screen point.
point() {
  ptx=$((wx + $1)) pty=$((wy + top + $2))
  local at=""
  for _ in $(seq 1 20); do
    xdotool mousemove "$ptx" "$pty"
    sleep 0.1
    at=$(pointer_at)
    [ "$at" = "$ptx $pty" ] && return 0
  done
  fail "the pointer is at $at, not at client ($1, $2) = screen ($ptx, $pty)"
}

pointer_at() {
  xdotool getmouselocation | awk '{ sub("x:", "", $1); sub("y:", "", $2); print $1, $2 }'
}

# A left press at client (x, y), held until a frame has seen it (the program
# says so on its debug output) and let go at once: a button acts 0.5 s of
# frame steps after the press and presses again while held, so one press
# acts once however slow the frames are. Nothing in the program may have
# moved the pointer on by then (a device cursor that did would show here).
press() {
  point "$1" "$2"
  local seen at
  seen=$(grep -c 'a frame saw the left button held' "$work/program.log" || true)
  xdotool mousedown 1
  for _ in $(seq 1 300); do
    [ "$(grep -c 'a frame saw the left button held' "$work/program.log" || true)" -gt "$seen" ] && break
    sleep 0.05
  done
  xdotool mouseup 1
  [ "$(grep -c 'a frame saw the left button held' "$work/program.log" || true)" -gt "$seen" ] ||
    fail "no frame saw the press at client ($1, $2) within 15 s"
  at=$(pointer_at)
  [ "$at" = "$ptx $pty" ] || fail "the pointer moved from client ($1, $2) on to screen ($at)"
}

shot() {
  # A capture can fail while the server is busy with the window; try again.
  for _ in $(seq 1 10); do
    xwd -silent -id "$wid" 2>/dev/null | convert xwd:- "$1" 2>/dev/null && [ -s "$1" ] && return 0
    sleep 0.2
  done
  fail "no screenshot"
}

# Waits until the read-out rectangle x y w h of a new shot "after" differs
# from shot "before" by at least min pixels and holds still (the scene behind
# a closed panel moves; the panel's digits do not). Prints the difference.
wait_change() {
  local before=$1 after=$2 min=$3 x=$4 y=$5 w=$6 h=$7 n=0
  for _ in $(seq 1 30); do
    sleep 0.25
    shot "$after.tmp.png"
    n=$(mask_change "$before" "$after.tmp.png" "$top" "$x" "$y" "$w" "$h")
    if [ "$n" -ge "$min" ]; then
      sleep 0.25
      shot "$after"
      [ "$(mask_change "$after.tmp.png" "$after" "$top" "$x" "$y" "$w" "$h")" -le 10 ] && break
    fi
  done
  shot "$after"
  mask_change "$before" "$after" "$top" "$x" "$y" "$w" "$h"
}

# Waits for the program to end by itself; sets code to its exit code, or to
# nothing if it keeps running. (Not in a subshell: only the shell that
# started the program can wait for it.)
wait_exit() {
  code=""
  for _ in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
      set +e
      wait "$pid"
      code=$?
      set -e
      return 0
    fi
    sleep 0.1
  done
}

# A window manager on the virtual screen, as a desktop session has one:
# openbox with its stock configuration, started after the server. Waits until
# it has taken the screen.
start_window_manager() {
  openbox --config-file /etc/xdg/openbox/rc.xml --sm-disable >>"$work/wm.log" 2>&1 &
  wm_pid=$!
  for _ in $(seq 1 150); do
    wmctrl -m >/dev/null 2>&1 && return 0
    kill -0 "$wm_pid" 2>/dev/null || fail "the window manager ended: $(cat "$work/wm.log")"
    sleep 0.1
  done
  fail "the window manager did not take the screen"
}

stop_window_manager() {
  if [ -n "${wm_pid:-}" ]; then
    kill "$wm_pid" 2>/dev/null || true
    wm_pid=""
  fi
}

# Makes a window the active one through the window manager, as a click on its
# title would, and waits until it has the keyboard focus.
activate() {
  local target=$1
  for _ in $(seq 1 50); do
    xdotool windowactivate "$target" 2>/dev/null || true
    for _ in 1 2 3 4 5; do
      [ "$(xdotool getwindowfocus 2>/dev/null)" = "$target" ] && return 0
      sleep 0.05
    done
  done
  fail "window $target did not get the focus"
}

# Waits for the program to end by itself with status 0 (what ended it is
# named in the message).
expect_exit() {
  wait_exit
  [ -n "$code" ] || fail "$1 did not end the program"
  pid=""
  [ "$code" -eq 0 ] || fail "exit status $code after $1"
}

# The device dialog is centred over the client area: its light grey fills the
# client's centre. Waits for it in a screenshot.
wait_dialog() {
  local shot=$1
  for _ in $(seq 1 50); do
    xwd -silent -id "$wid" | convert xwd:- "$shot" 2>/dev/null || true
    if [ -s "$shot" ] && pixels "$shot" 256 $((top + 192)) 200 $((top + 150)) |
      awk 'BEGIN { ok = 1 } { if ($1 < 215 || $1 > 250 || $2 < 215 || $2 > 250 || $3 < 215 || $3 > 250) ok = 0 }
           END { exit !(ok && NR == 2) }'; then
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# Opens the timer panel with the timer button and sets the count-down to
# 0:01. The full view with the buttons, 512 x 384.
panel_at_one_second() {
  shot "$work/closed.png"
  press 77 61
  local n
  n=$(wait_change "$work/closed.png" "$work/open.png" 150 179 169 154 46)
  [ "$n" -ge 150 ] || fail "the timer button did not open the panel ($n read-out pixels changed)"
  count_down_to_one_second "$work/open.png"
}

# From the open panel reading 3:00 in shot $1: three minutes less and a
# second more, each press acting (its read-out changed) before the next.
count_down_to_one_second() {
  local n previous=$1
  for step in 1 2 3; do
    press 215 250
    n=$(wait_change "$previous" "$work/minus$step.png" 30 179 169 77 46)
    [ "$n" -ge 30 ] || fail "-1 min press $step did not change the minutes ($n pixels)"
    previous="$work/minus$step.png"
  done
  press 297 250
  n=$(wait_change "$previous" "$work/plus.png" 30 266 169 67 46)
  [ "$n" -ge 30 ] || fail "+1 s did not change the seconds ($n pixels)"
}

# A Wayland compositor, weston, nested in the virtual X server (a screen of
# 1280 x 1024, whose far corner is off the output): its output is a window at
# the server's top left, 640 x 480 points at the whole scale given, so a
# pixel of its screenshots is a pixel of that window and the X pointer at
# (x, y) is at (x, y) on the output. No panel and no animations:
# a window is drawn whole as soon as it is mapped. Sets WAYLAND_DISPLAY in a
# runtime folder of its own, for the program and the screenshot client.
#   start_weston <scale>
start_weston() {
  export XDG_RUNTIME_DIR="$work/runtime" WAYLAND_DISPLAY=velmoran-e2e
  mkdir -p "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  printf '[core]\nidle-time=0\n[shell]\nbackground-color=0xff204060\npanel-position=none\nlocking=false\n%s\n' \
    'animation=none' >"$work/weston.ini"
  weston --config="$work/weston.ini" --backend=x11-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 --debug \
    --width=640 --height=480 --scale="$1" >>"$work/weston.log" 2>&1 &
  weston_pid=$!
  weston_window=""
  for _ in $(seq 1 100); do
    weston_window=$(xwininfo -root -children 2>/dev/null | awk '/"Weston Compositor/ { print $1; exit }')
    [ -n "$weston_window" ] && [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && break
    kill -0 "$weston_pid" 2>/dev/null || fail "weston ended: $(tail -n 5 "$work/weston.log")"
    sleep 0.1
  done
  [ -n "$weston_window" ] || fail "weston showed no output window"
  # Keys go to the focused X window, and weston hands them to its focused
  # client: the program, its only one.
  xdotool windowfocus "$weston_window"
}

stop_weston() {
  if [ -n "${weston_pid:-}" ]; then
    kill "$weston_pid" 2>/dev/null || true
    # Gone with its socket before another one takes the name.
    wait "$weston_pid" 2>/dev/null || true
    weston_pid=""
  fi
}

# The compositor's picture of its whole output, in device pixels.
wl_shot() {
  local folder="$work/screenshooter" made
  for _ in $(seq 1 10); do
    rm -rf "$folder"
    mkdir -p "$folder"
    (cd "$folder" && env -u DISPLAY weston-screenshooter >/dev/null 2>&1) || true
    made=("$folder"/*.png)
    [ -s "${made[0]}" ] && mv "${made[0]}" "$1" && return 0
    sleep 0.2
  done
  fail "no screenshot from weston"
}

# Starts the program with no X display and waits for its first frame.
wl_start_program() {
  local shown
  shown=$(grep -c 'the first frame is shown' "$work/program.log" 2>/dev/null || true)
  (cd "$run" && exec env -u DISPLAY "${program[@]}") >>"$work/program.log" 2>&1 &
  pid=$!
  wait_first_frame "$shown"
}

# The menu strip's grey, the colour of no other part of the output.
strip_grey='rgb(219,219,219)'

# The band of rows at least 70 % of width $2 strip grey in shot $1, and its
# columns: "w h x y" (the grey of a bubble's rim elsewhere in the scene is
# left out).
strip_box() {
  local mask="$1.mask.png" first rows
  convert "$1" -fill black +opaque "$strip_grey" -fill white -opaque "$strip_grey" "$mask"
  read -r first rows <<<"$(convert "$mask" -scale "1x$(identify -format %h "$mask")!" -depth 16 txt:- |
    awk -F'[(),: ]+' -v need="$(($2 * 7 / 10))" -v width="$(identify -format %w "$mask")" '
      NR > 1 { on = $3 / 65535 * width >= need
               if (on && n == 0) first = $2
               if (on) n++; else if (n > 0) exit }
      END { print first + 0, n + 0 }')"
  [ "$rows" -gt 0 ] || { echo 0 0 0 0; return 0; }
  convert "$mask" -crop "x${rows}+0+${first}" +repage -trim -format "%w $rows %X $first\n" info: 2>/dev/null ||
    echo 0 0 0 0
}

# Waits until the compositor's picture $1 shows the menu strip width x height
# device pixels, with the pointer off the output (neither it nor a hover
# highlight in the picture); sets wx, wy to the client area's top left (the
# strip's bottom left) on the output and top to 0, for point and press.
wl_find_client() {
  local shot=$1 width=$2 height=$3 w h x y
  # In and out again: weston hides its pointer when it leaves the window.
  xdotool mousemove 0 0 sleep 0.1 mousemove 1279 1023
  for _ in $(seq 1 50); do
    wl_shot "$shot"
    read -r w h x y <<<"$(strip_box "$shot" "$width")"
    # Every row of the strip is its grey: a lighter last row is a menu bar
    # that does not fill it.
    if [ "$w" -eq "$width" ] && [ "$h" -eq "$height" ]; then
      wx=$((x)) wy=$((y + height)) top=0
      return 0
    fi
    sleep 0.2
  done
  fail "no ${width} x ${height} menu strip on the output (last seen ${w} x ${h} at ${x}, ${y})"
}

# Waits up to 10 s for a debug line matching $1; fails naming $2 otherwise.
wait_line() {
  for _ in $(seq 1 100); do
    grep -q "$1" "$work/program.log" && return 0
    sleep 0.1
  done
  fail "$2"
}

# Holds a key on the focused window (weston's, or the program's) until the
# program says what it did (debug line matching $2), then lets it go.
#   hold_key <key> <line>
hold_key() {
  local seen
  seen=$(grep -c "$2" "$work/program.log" || true)
  xdotool keydown "$1"
  for _ in $(seq 1 300); do
    [ "$(grep -c "$2" "$work/program.log" || true)" -gt "$seen" ] && break
    sleep 0.05
  done
  xdotool keyup "$1"
  [ "$(grep -c "$2" "$work/program.log" || true)" -gt "$seen" ] || fail "$1 did not give '$2' within 15 s"
}

# The framed view's ornament band, its top side (the frame texture's outer
# tenth, drawn over the view of 384 x 288 points at (64, 48) of the client),
# in shot $1 of a client at scale s whose top left is (x, y): how many of its
# pixels (edge rows and columns aside) equal neither neighbour across or
# neither neighbour down. None where the texture is magnified twice or more
# with nearest sampling (each texel a block of two pixels or more each way),
# many where it is smoothed. Prints the count, or "no frame" while the band
# is not mostly its dark green; fails unless it is 0.
#   frame_lone_pixels <shot> <x> <y> <s>
frame_lone_pixels() {
  local w=$((200 * $4)) h=$((22 * $4))
  convert "$1" -crop "${w}x${h}+$(($2 + 114 * $4))+$(($3 + 51 * $4))" +repage -depth 8 txt:- |
    awk -F'[(),: ]+' -v w="$w" -v h="$h" '
      NR > 1 { c[$1 "," $2] = $3 "," $4 "," $5; if ($4 + 0 > $3 + 0 && $4 + 0 > $5 + 0) green++ }
      END {
        if (green < w * h / 2) { print "no frame"; exit 1 }
        for (x = 1; x < w - 1; x++) for (y = 1; y < h - 1; y++) {
          k = c[x "," y]
          if ((c[x - 1 "," y] != k && c[x + 1 "," y] != k) || (c[x "," y - 1] != k && c[x "," y + 1] != k)) n++
        }
        print n + 0
        exit n > 0
      }'
}

# The four corner buttons' discs (blue-violet, over black or white) at their
# places (77, 61), (435, 61), (77, 322) and (435, 322) of a client at scale s
# whose top left is (x, y) in shot $1: the disc's pixels in a square of 30
# points round each centre, "n n n n"; fails unless each has a third.
#   buttons_at <shot> <x> <y> <s>
buttons_at() {
  local shot=$1 x=$2 y=$3 s=$4 counts="" cx cy n
  for centre in "77 61" "435 61" "77 322" "435 322"; do
    read -r cx cy <<<"$centre"
    n=$(convert "$shot" -crop "$((30 * s))x$((30 * s))+$((x + (cx - 15) * s))+$((y + (cy - 15) * s))" +repage \
      -depth 8 txt:- | awk -F'[(),]' 'NR > 1 { r = $3 + 0; g = $4 + 0; b = $5 + 0;
                                              if (b > g + 25 && r > g) n++ } END { print n + 0 }')
    counts+="${counts:+ }$n"
  done
  echo "$counts"
  awk -v c="$counts" -v need=$((300 * s * s)) 'BEGIN { split(c, v, " "); for (i = 1; i <= 4; i++) if (v[i] < need) exit 1 }'
}

# The clock installed in $work/tree for the screen-saver daemon, with a home
# ($work/home) whose settings make it the daemon's only module, with no
# fading, and the white background; as_user runs a command as the user the
# daemon runs as (it refuses root).
#   prepare_daemon <program>
prepare_daemon() {
  tree="$work/tree"
  mkdir -p "$tree/bin" "$tree/share/velmoran"
  cp "$1" "$tree/bin/velmoran"
  copy_media "$tree/share/velmoran"
  home="$work/home"
  mkdir -p "$home/.config/velmoran"
  printf '\x02\x00\x00\x00' >"$home/.config/velmoran/VelmoranFlags.vmf"
  cat >"$home/.xscreensaver" <<EOF
mode: one
selected: 0
lock: False
splash: False
fade: False
unfade: False
programs: \\
  GL: "Velmoran no Horlo"  $tree/bin/velmoran --root \\n\\

EOF
  chmod -R a+rX "$work"
  as_user=()
  if [ "$(id -u)" -eq 0 ]; then
    local user=velmoran-e2e
    id "$user" >/dev/null 2>&1 || useradd --no-create-home --shell /usr/sbin/nologin "$user"
    if [ -n "${XAUTHORITY:-}" ]; then
      cp "$XAUTHORITY" "$home/.Xauthority"
      export XAUTHORITY="$home/.Xauthority"
    fi
    chown -R "$user" "$home"
    as_user=(runuser -u "$user" --)
  fi
  "${as_user[@]}" test -x "$tree/bin/velmoran" -a -r "$tree/share/velmoran/Model" ||
    fail "the daemon's user cannot reach $tree (a folder above it is not open to others)"
}
