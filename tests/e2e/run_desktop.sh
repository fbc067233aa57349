#!/usr/bin/env bash
# The real program on a desktop: Xvfb with a window manager (openbox), as a
# user's session has one, driven by real keys and clicks through the X test
# extension. Each scenario is its own run:
#   fullscreen    Alt+Enter and the full-screen button switch to a full
#                 screen filled with the whole scene and back to the window
#   context_menu  the right-click menu opens at the pointer, Escape closes
#                 it, its items open the device dialog and end the program
#   exits         File > Exit, Alt+X and the window manager's close request
#   camera        the camera button stops the view at its starting pose and
#                 the arrow and page keys turn, move and tilt it
#   focus_loss    a key let go in another window does not keep the view moving
#   alarm_heard   the alarm as written by SDL's disk audio driver: four plays
#                 of the WAV, and silence after a reset
#   run_desktop.sh <program> <probe> <work folder> <scenario> <media folder>
set -euo pipefail

program=$1
probe=$2
work=$3
scenario=$4
media=$5

# shellcheck source=lib.sh
. "$(dirname "$0")/lib.sh"
enter_xvfb 390 "$work" "$0" "$@"
program=("$program")
trap 'stop_window_manager; [ -n "${other_pid:-}" ] && kill "$other_pid" 2>/dev/null; true' EXIT

case $scenario in
  fullscreen) start_word=12 ;;            # framed view with the buttons: the frame marks the picture's edges
  context_menu | focus_loss) start_word=1 ;; # the camera standing still: the view changes only with it
  exits) start_word=8 ;;
  camera | alarm_heard) start_word=4 ;;   # full view with the buttons
  *) echo "unknown scenario $scenario" >&2; exit 2 ;;
esac
make_run_folder "$start_word"

# A screenshot of the window in X dump format, for the probe.
dump() {
  for _ in $(seq 1 10); do
    xwd -silent -id "$wid" >"$1" 2>/dev/null && [ -s "$1" ] && return 0
    sleep 0.2
  done
  fail "no screenshot"
}

# Count and centroid ("n cx cy") of the flowers' colours in the 512 x 384
# client area of one screenshot. Petals and leaves move only with the camera.
flowers() {
  local out
  for _ in $(seq 1 10); do
    out=$(xwd -silent -id "$wid" 2>/dev/null | "$probe" flowers 0 "$top" 512 384 2>/dev/null) && [ -n "$out" ] &&
      echo "$out" && return 0
    sleep 0.2
  done
  fail "no screenshot to measure"
}

# Waits until the view stands still (the flowers unmoved over 0.3 s) and
# prints it: "n cx cy".
wait_still() {
  "$probe" still "$wid" "$top" 0
}

# Holds a key down (a real press, to the focused window) until the picture
# has moved by the probe's measure $2 (dx, dy: shift in pixels; r: ratio of
# the flowers' count) to limit $3, at most 60 s; then lets it go and waits for
# the view to stand still. Checks awk condition $4 on dx, dy, r, ax and ay of
# the still view against the one before the press, and prints them.
hold_until() {
  local key=$1 motion
  motion=$("$probe" hold "$wid" "$top" "$key" "$2" "$3") || fail "$key did not move the view as expected"
  awk -v m="$motion" "BEGIN { split(m, v, \" \"); dx = v[1]; dy = v[2]; r = v[3];
    ax = dx < 0 ? -dx : dx; ay = dy < 0 ? -dy : dy; exit !($4) }" ||
    fail "after $key the view moved by dx dy r = $motion, not as expected ($4)"
  echo "$motion"
}

# Whether the flowers stand where they stood: screenshots $1 and $2 (X dumps)
# show them shifted by at most 2 px and their count within $3 % (things
# flying through alone change it by up to 5 %).
unmoved() {
  local motion
  motion=$("$probe" shift "$1" "$2" "$top") || fail "cannot compare $1 and $2"
  awk -v m="$motion" -v p="$3" 'BEGIN { split(m, v, " "); dx = v[1] < 0 ? -v[1] : v[1]; dy = v[2] < 0 ? -v[2] : v[2];
    exit !(dx <= 2 && dy <= 2 && v[3] >= 1 - p / 100 && v[3] <= 1 + p / 100) }' || {
    echo "moved by dx dy r = $motion"
    return 1
  }
}

# Waits until two screenshots differ: frames are being drawn.
keeps_drawing() {
  dump "$work/a.xwd"
  for _ in $(seq 1 50); do
    sleep 0.1
    dump "$work/b.xwd"
    cmp -s "$work/a.xwd" "$work/b.xwd" || return 0
  done
  return 1
}

# Where the window is and how big, from the server: "x y width height".
geometry() {
  xwininfo -id "$wid" | awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
                            /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x + 0, y + 0, w + 0, h + 0 }'
}

if [ "$scenario" = fullscreen ]; then
  # Full screen: the window covers the 1024 x 768 screen at (0, 0) without
  # the menu strip, the device was reset to a back buffer of that size (the
  # framed layout's white margin and frame sit where 1024 x 768 puts them,
  # on all four sides), each quarter of the screen shows the picture, and
  # frames go on.
  full_screen() {
    local label=$1 g=""
    for _ in $(seq 1 100); do
      g=$(geometry)
      [ "$g" = "0 0 1024 768" ] && break
      sleep 0.1
    done
    [ "$g" = "0 0 1024 768" ] || fail "$label: the window is at $g, not 1024 x 768 at (0, 0)"
    [ "$(shot_framed 1024 768 "$work/$label.png")" = 0 ] ||
      fail "$label: no framed 1024 x 768 picture over the whole screen"
    dump "$work/$label.xwd"
    for quarter in "0 0" "512 0" "0 384" "512 384"; do
      read -r qx qy <<<"$quarter"
      read -r n _ <<<"$("$probe" coloured "$qx" "$qy" 512 384 <"$work/$label.xwd")"
      [ "$n" -ge 20000 ] || fail "$label: the quarter at ($qx, $qy) shows little of the picture ($n coloured pixels)"
    done
    keeps_drawing || fail "$label: the picture stands still"
    echo "$label: 1024 x 768 at (0, 0), the framed picture over the whole screen, frames drawn"
  }
  # Back in the window: its old size and place, the framed 512 x 384 scene
  # under the menu strip, frames going on.
  windowed() {
    local label=$1 g=""
    for _ in $(seq 1 100); do
      g=$(geometry)
      [ "$g" = "$window_geometry" ] && break
      sleep 0.1
    done
    [ "$g" = "$window_geometry" ] || fail "$label: the window is at $g, not back at $window_geometry"
    top=$(shot_framed 512 384 "$work/$label.png") || fail "$label: no framed 512 x 384 scene in the window"
    [ "$top" -gt 0 ] || fail "$label: no menu strip over the client area"
    keeps_drawing || fail "$label: the scene stands still"
    echo "$label: back to $g with the framed scene under a ${top}-pixel menu strip"
  }

  start_window_manager
  start_program
  mark_settings
  activate "$wid"
  read -r ww wh <<<"$(window_size)"
  [ "$ww" -eq 512 ] || fail "window width $ww, expected 512"
  top=$(shot_framed 512 384 "$work/start.png") || fail "no framed 512 x 384 scene at the start"
  window_geometry=$(geometry)
  echo "start: window at $window_geometry"

  xdotool key alt+Return
  full_screen alt-enter
  xdotool key alt+Return
  windowed alt-enter-back

  # The full-screen button, bottom right in the framed view: 85 % and 84 %
  # of the 384 x 288 view at (64, 48) in the window, of the 768 x 576 view at
  # (128, 96) in full screen.
  mouse_setup
  press 390 290
  full_screen button
  top=0
  window_position
  press 781 580
  windowed button-back

  stop_with_escape
  expect_saved Esc
  echo "exit: code 0, settings saved"

  # Started with --fullscreen: the whole screen from the first frame, and
  # Alt+Enter gives the 512 x 384 window.
  program+=(--fullscreen)
  start_program
  mark_settings
  activate "$wid"
  full_screen --fullscreen
  xdotool key alt+Return
  window_geometry=""
  for _ in $(seq 1 100); do
    read -r ww wh <<<"$(window_size)"
    [ "$ww" -eq 512 ] && break
    sleep 0.1
  done
  top=$(shot_framed 512 384 "$work/fullscreen-back.png") || fail "--fullscreen, then Alt+Enter: no 512 x 384 window"
  echo "--fullscreen, then Alt+Enter: the framed scene in a 512 x 384 window under a ${top}-pixel menu strip"
  stop_with_escape
  expect_saved "Esc after --fullscreen"
  exit 0
fi

# The box of a menu (white, at least 100 px wide) in window shot $1 inside
# the window rectangle x y w h: "left top right bottom separator", the
# separator being the row inside the box with the least white (the line
# between the two items). Fails when there is none.
menu_box() {
  local shot=$1 x=$2 y=$3 w=$4 h=$5
  convert "$shot" -crop "${w}x${h}+${x}+${y}" +repage -depth 8 txt:- |
    awk -F'[(),: ]+' -v ox="$x" -v oy="$y" '
      NR > 1 { px = $1 + 0; py = $2 + 0
               if ($3 + 0 > 235 && $4 + 0 > 235 && $5 + 0 > 235) {
                 white[py]++; if (!(py in first) || px < first[py]) first[py] = px
                 if (!(py in last) || px > last[py]) last[py] = px } }
      END { top = -1; bottom = -1
            for (r = 0; r < 2000; r++) if (white[r] >= 100) { if (top < 0) top = r; bottom = r }
            if (top < 0) exit 1
            left = 100000; right = -1
            for (r = top; r <= bottom; r++) if (white[r] >= 100) {
              if (first[r] < left) left = first[r]; if (last[r] > right) right = last[r] }
            sep = -1; least = 100000
            for (r = top + 5; r <= bottom - 5; r++) if (white[r] + 0 < least) { least = white[r] + 0; sep = r }
            if (sep < 0 || least > (right - left) / 2) exit 1
            print left + ox, top + oy, right + ox, bottom + oy, sep + oy }'
}

# Waits for a menu in the window rectangle x y w h; prints its box.
wait_menu() {
  for _ in $(seq 1 50); do
    shot "$work/menu.png"
    menu_box "$work/menu.png" "$@" && return 0
    sleep 0.1
  done
  return 1
}

# Waits until no menu is in the window rectangle x y w h.
wait_no_menu() {
  for _ in $(seq 1 50); do
    shot "$work/menu.png"
    menu_box "$work/menu.png" "$@" >/dev/null || return 0
    sleep 0.1
  done
  return 1
}

if [ "$scenario" = context_menu ]; then
  start_window_manager
  start_program
  mark_settings
  activate "$wid"
  read -r ww wh <<<"$(window_size)"
  top=$((wh - 384))
  mouse_setup
  wait_still >/dev/null || fail "no still view to open the menu over"

  # A right click at client (px, py): the menu's top-left corner is at the
  # pointer (its one-pixel border just outside the white). Each opening is at
  # another place, so a menu drawn at a fixed place cannot pass; it is
  # searched for well around the pointer.
  open_menu() {
    px=$2
    py=$3
    point "$px" "$py"
    xdotool click 3
    box=$(wait_menu $((px - 20)) $((top + py - 20)) 220 100) || fail "$1: a right click at client ($px, $py) showed no menu"
    read -r left mtop right bottom sep <<<"$box"
    [ $((left - px)) -ge 0 ] && [ $((left - px)) -le 3 ] && [ $((mtop - top - py)) -ge 0 ] &&
      [ $((mtop - top - py)) -le 3 ] ||
      fail "$1: the menu's corner is at client ($left, $((mtop - top))), the pointer at ($px, $py)"
    echo "context menu ($1): at client ($left, $((mtop - top))) for the pointer at ($px, $py), $((right - left + 1)) x $((bottom - mtop + 1))"
  }
  open_menu first 40 30

  xdotool key Escape
  wait_no_menu $((px - 20)) $((top + py - 20)) 220 100 || fail "Escape did not close the menu"
  kill -0 "$pid" 2>/dev/null || fail "the program ended when Escape closed the menu"
  keeps_drawing || fail "the scene does not run again after the menu closed"
  echo "context menu: Escape closes it and the scene runs on"

  # Config display... (above the line) opens the device dialog.
  open_menu second 250 45
  point $((left + 40)) $(((mtop + sep) / 2 - top))
  xdotool click 1
  wait_dialog "$work/dialog.png" || fail "Config display... in the context menu showed no dialog"
  xdotool key Escape
  closed=""
  for _ in $(seq 1 50); do
    shot "$work/closed.png"
    if pixels "$work/closed.png" 256 $((top + 192)) 200 $((top + 150)) |
      awk '{ if ($1 >= 215 && $1 <= 250 && $2 >= 215 && $2 <= 250 && $3 >= 215 && $3 <= 250) grey++ }
           END { exit !(grey < 2) }'; then
      closed=1
      break
    fi
    sleep 0.1
  done
  [ -n "$closed" ] || fail "Escape did not close the device dialog"
  keeps_drawing || fail "the scene does not run again after the dialog closed"
  echo "context menu: Config display... opens the device dialog; Escape closes it and the scene runs on"

  # Exit (under the line) ends the program.
  open_menu third 90 300
  point $((left + 40)) $(((sep + bottom) / 2 - top))
  xdotool click 1
  expect_exit "Exit in the context menu"
  expect_saved "Exit in the context menu"
  echo "context menu: Exit ends the program with status 0, the settings saved"
  exit 0
fi

if [ "$scenario" = exits ]; then
  start_window_manager
  for way in "File > Exit" "Alt+X" "the close button"; do
    start_program
    mark_settings
    activate "$wid"
    read -r ww wh <<<"$(window_size)"
    top=$((wh - 384))
    shot_framed 512 384 "$work/running.png" >/dev/null || fail "$way: no framed scene before the exit"
    case $way in
      "File > Exit")
        # The menu's title in the strip, then Exit under the line of the
        # menu that drops from it.
        mouse_setup
        point 22 $((10 - top))
        xdotool click 1
        box=$(wait_menu 0 "$top" 300 150) || fail "a click on File showed no menu"
        read -r left mtop right bottom sep <<<"$box"
        point $((left + 40)) $(((sep + bottom) / 2 - top))
        xdotool click 1
        ;;
      "Alt+X") xdotool key alt+x ;;
      # What the title bar's close button sends: the window manager's close request.
      "the close button") wmctrl -i -c "$wid" ;;
    esac
    expect_exit "$way"
    expect_saved "$way"
    echo "$way: status 0, the settings saved"
  done
  exit 0
fi

if [ "$scenario" = camera ]; then
  start_window_manager
  start_program
  mark_settings
  activate "$wid"
  read -r ww wh <<<"$(window_size)"
  top=$((wh - 384))
  mouse_setup

  # Riding with the bird, the view moves by itself.
  following() {
    local base now end=$((SECONDS + 60))
    base=$(flowers)
    while [ "$SECONDS" -lt "$end" ]; do
      sleep 0.2
      now=$(flowers)
      awk -v a="$base" -v b="$now" 'BEGIN { split(a, p, " "); split(b, q, " ");
        exit !((p[1] < 500) != (q[1] < 500) || (p[2] - q[2]) ^ 2 > 100 || (p[3] - q[3]) ^ 2 > 100 ||
               (p[1] - q[1]) ^ 2 > (0.15 * p[1]) ^ 2) }' && return 0
    done
    return 1
  }
  # The camera button; returns once the program says the view switched (a
  # press acts after half a second of frame steps, and on slow frames any
  # view looks still for a moment).
  camera_button() {
    local switched
    switched=$(grep -c 'the camera button switched the view' "$work/program.log" || true)
    press 77 323
    for _ in $(seq 1 600); do
      [ "$(grep -c 'the camera button switched the view' "$work/program.log" || true)" -gt "$switched" ] && return 0
      sleep 0.1
    done
    fail "the camera button did not switch the view within 60 s"
  }
  following || fail "the view does not follow the bird at the start"
  echo "camera: the view follows the bird"

  # The camera button (bottom left): the view stops at the starting pose.
  camera_button
  pose=$(wait_still) || fail "the view did not stop after the camera button"
  dump "$work/pose.xwd"
  echo "camera: the view stands still at the starting pose (flowers: $pose)"

  # Down moves back (things shrink), Up forward again (they grow); Right
  # turns right (the picture shifts left), Left back; Page Up tilts down (the
  # picture rises), Page Down back. Each key is held until the picture has
  # moved, however long the frames take.
  motion=$(hold_until Down r 0.85 'r <= 0.87')
  echo "camera: Down moved it back (dx dy r: $motion)"
  motion=$(hold_until Up r 1.15 'r >= 1.15')
  echo "camera: Up moved it forward ($motion)"
  motion=$(hold_until Right dx -20 'dx <= -20 && ay < ax / 2')
  echo "camera: Right turned it ($motion)"
  motion=$(hold_until Left dx 20 'dx >= 20 && ay < ax / 2')
  echo "camera: Left turned it back ($motion)"
  motion=$(hold_until Prior dy -20 'dy <= -20 && ax < ay / 2')
  echo "camera: Page Up tilted it ($motion)"
  motion=$(hold_until Next dy 20 'dy >= 20 && ax < ay / 2')
  echo "camera: Page Down tilted it back ($motion)"

  # The button again: riding with the bird once more; and again: the same
  # starting pose as the first time.
  camera_button
  following || fail "the camera button did not return the view to the bird"
  echo "camera: the button returns the view to the bird"
  camera_button
  again=$(wait_still) || fail "the view did not stop after the camera button the second time"
  dump "$work/again.xwd"
  differs=$(unmoved "$work/pose.xwd" "$work/again.xwd" 7) ||
    fail "the second stop is not at the starting pose: the flowers $differs"
  echo "camera: the button stops it at the same starting pose ($again)"

  stop_with_escape
  start_word=5
  expect_saved Esc
  echo "exit: the settings word records the standing camera (5)"
  exit 0
fi

if [ "$scenario" = focus_loss ]; then
  start_window_manager
  start_program
  mark_settings
  activate "$wid"
  read -r ww wh <<<"$(window_size)"
  top=$((wh - 384))
  # Another program's window, and the clock's window active again.
  xmessage -geometry +0+0 -title "Another window" "focus is here" >>"$work/other.log" 2>&1 &
  other_pid=$!
  other=""
  for _ in $(seq 1 100); do
    other=$(xdotool search --name '^Another window$' 2>/dev/null | head -n 1 || true)
    [ -n "$other" ] && break
    sleep 0.1
  done
  [ -n "$other" ] || fail "the other window did not appear"
  activate "$wid"
  view=$("$probe" still "$wid" "$top" 0) || fail "the standing camera's view is not still"

  # Left held in the clock's window turns the view; the focus moves to the
  # other window through the window manager, and the key is let go there,
  # where the clock cannot see it.
  "$probe" hold "$wid" "$top" Left dx 20 keep >/dev/null || fail "Left held did not turn the view"
  activate "$other"
  xdotool keyup Left
  echo "focus: Left held in the clock, the focus moved to another window, Left let go there"

  # The view stops, and stays, while frames go on (the particles move).
  still=$("$probe" still "$wid" "$top" 0) || fail "the view did not stand still after the focus went away"
  dump "$work/away-first.xwd"
  "$probe" still "$wid" "$top" 1.5 >/dev/null || fail "the view moved while the focus was away"
  dump "$work/away-last.xwd"
  differs=$(unmoved "$work/away-first.xwd" "$work/away-last.xwd" 6) ||
    fail "the view moved while the focus was away: the flowers $differs"
  ! cmp -s "$work/away-first.xwd" "$work/away-last.xwd" || fail "no frames were drawn while the focus was away"
  echo "focus: the view stands still while the focus is away (flowers: $still), frames go on"

  # Back in the clock's window no key is held, and the keys work again.
  activate "$wid"
  "$probe" still "$wid" "$top" 0.5 >/dev/null || fail "the view moved when the focus came back"
  dump "$work/back.xwd"
  differs=$(unmoved "$work/away-last.xwd" "$work/back.xwd" 6) ||
    fail "the view moved when the focus came back: the flowers $differs"
  motion=$(hold_until Right dx -20 'dx <= -20')
  echo "focus: back in the clock the view stays, and Right turns it again ($motion)"

  kill "$other_pid" 2>/dev/null || true
  other_pid=""
  stop_with_escape
  expect_saved Esc
  echo "exit: code 0, settings saved"
  exit 0
fi

if [ "$scenario" = alarm_heard ]; then
  # SDL's disk driver writes the mix as it would play it, in real time:
  # 44100 Hz, stereo, signed 16-bit, zeros while nothing sounds.
  audio="$work/audio.raw"
  export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio"
  rate=$((44100 * 4))
  block=1764 # 10 ms

  # The WAV's length in seconds, from its header: the data chunk's size over
  # the format's byte rate.
  wav="$run/Sound/AlarmSound.wav"
  wav_seconds=$(od -An -v -tu1 -N 4096 "$wav" | tr -s ' \n' '\n\n' | awk 'NF { b[n++] = $1 + 0 }
    function le32(i) { return b[i] + 256 * (b[i + 1] + 256 * (b[i + 2] + 256 * b[i + 3])) }
    function id(i) { return sprintf("%c%c%c%c", b[i], b[i + 1], b[i + 2], b[i + 3]) }
    END { at = 12
          while (at + 8 <= n) { size = le32(at + 4)
            if (id(at) == "fmt ") rate = le32(at + 16)
            if (id(at) == "data") { data = size; break }
            at += 8 + size + size % 2 }
          if (!rate || !data) exit 1
          printf "%.4f\n", data / rate }') || fail "no length in the header of $wav"

  # Peak of each 10 ms block from byte offset $1 to the end of the file,
  # one line a block. The blocks already read from an offset are kept in a
  # file of their own, so following the growing file reads each byte once.
  envelope() {
    local from=$1 cache="$work/envelope-$1.txt" done size
    [ -f "$cache" ] || : >"$cache"
    done=$((from + $(wc -l <"$cache") * block))
    size=$(size_of)
    if [ $(((size - done) / block)) -gt 0 ]; then
      od -An -v -td2 -w$block -j "$done" -N $(((size - done) / block * block)) "$audio" |
        awk '{ m = 0; for (i = 1; i <= NF; i++) { v = $i < 0 ? -$i : $i; if (v > m) m = v } print m }' >>"$cache"
    fi
    cat "$cache"
  }
  # From an envelope: "first last onsets peak blocks": the first and last
  # blocks that are not silent (-1 for none), how many strikes (a loud block
  # after near silence), the loudest sample and the number of blocks.
  summary() {
    awk '{ e[NR - 1] = $1 } END { first = -1; last = -1; onsets = 0; peak = 0
          struck = -100
          for (i = 0; i < NR; i++) { if (e[i] > 0) { if (first < 0) first = i; last = i }
            if (e[i] > peak) peak = e[i]
            # The block before may hold the start of the strike.
            quiet = i == 0 || e[i - 1] < e[i]
            for (j = i - 4; j < i - 1; j++) if (j >= 0 && e[j] * 5 > e[i]) quiet = 0
            if (e[i] >= 8000 && quiet && i - struck > 20) { onsets++; struck = i } }
          print first, last, onsets, peak, NR }'
  }
  size_of() {
    local s
    s=$(stat -c %s "$audio" 2>/dev/null || echo 0)
    echo $((s / 4 * 4))
  }
  # Waits until the file has grown past byte $1.
  wait_written() {
    local end=$((SECONDS + 20))
    while [ "$SECONDS" -lt "$end" ]; do
      [ "$(size_of)" -ge "$1" ] && return 0
      sleep 0.1
    done
    fail "the disk audio file stopped growing at $(size_of) bytes, waiting for $1"
  }

  start_window_manager
  start_program
  mark_settings
  activate "$wid"
  read -r ww wh <<<"$(window_size)"
  top=$((wh - 384))
  mouse_setup
  [ -s "$audio" ] || wait_written 4
  echo "alarm: SDL writes the mix to the disk audio file; the WAV plays $wav_seconds s"

  # A count-down of 0:01 rings to its end: four plays of the WAV, back to
  # back, then silence.
  panel_at_one_second
  from=$(size_of)
  press 205 115
  # Heard through to its end: sound, then half a second of silence after it.
  end=$((SECONDS + $(awk -v s="$wav_seconds" 'BEGIN { printf "%d", 4 * s + 60 }')))
  while :; do
    read -r first last onsets peak blocks <<<"$(envelope "$from" | summary)"
    [ "$first" -ge 0 ] && [ $((blocks - last - 1)) -ge 50 ] && break
    [ "$SECONDS" -lt "$end" ] || fail "the alarm was not heard through to its end (sound in blocks $first to $last of $blocks)"
    sleep 0.5
  done
  grep -q 'dmusic: segment started' "$work/program.log" || fail "the alarm sounded without its segment starting"
  span=$(awk -v f="$first" -v l="$last" 'BEGIN { printf "%.2f", (l - f + 1) / 100 }')
  awk -v s="$span" -v w="$wav_seconds" 'BEGIN { d = s - 4 * w; exit !(d > -0.1 && d < 0.1) }' ||
    fail "the alarm sounded for $span s, expected four plays of $wav_seconds s"
  [ "$onsets" -eq 4 ] || fail "the alarm struck $onsets times, expected 4"
  [ "$peak" -ge 20000 ] || fail "the alarm peaks at $peak, expected near 26600"
  echo "alarm: sounded for $span s (four plays of $wav_seconds s), $onsets strikes, peak $peak, then silence"

  # A second more on the count-down standing at zero rings it again a
  # second later; reset while it rings: from then on the mix is silent.
  from=$(size_of)
  # The press acts after half a second of frame steps of at most 0.03 s:
  # many seconds when frames are slow.
  press 297 250
  end=$((SECONDS + 60))
  first=-1
  while [ "$SECONDS" -lt "$end" ]; do
    read -r first _ <<<"$(envelope "$from" | summary)"
    [ "$first" -ge 0 ] && break
    sleep 0.2
  done
  [ "$first" -ge 0 ] || fail "+1 s on the rung-out count-down did not ring it again"
  [ "$(grep -c 'dmusic: segment started' "$work/program.log")" -eq 2 ] || fail "the alarm did not start a second time"
  press 307 115
  end=$((SECONDS + 60))
  while [ "$SECONDS" -lt "$end" ] && ! grep -q 'dmusic: segment stopped$' "$work/program.log"; do
    sleep 0.1
  done
  grep -q 'dmusic: segment stopped$' "$work/program.log" || fail "reset did not stop the alarm"
  stopped=$(size_of)
  # What was mixed before the stop may still be on its way to the file: a
  # quarter of a second of it is allowed; then a second of silence.
  quiet_from=$((stopped + rate / 4))
  wait_written $((quiet_from + rate))
  after=$(envelope "$quiet_from" | awk '$1 > m { m = $1 } END { print m + 0 }')
  [ "$after" -eq 0 ] || fail "after the reset the mix is not silent (peak $after)"
  read -r first last _ <<<"$(envelope "$from" | summary)"
  span=$(awk -v f="$first" -v l="$last" 'BEGIN { printf "%.2f", (l - f + 1) / 100 }')
  awk -v s="$span" -v w="$wav_seconds" 'BEGIN { exit !(s < 4 * w - 0.5) }' ||
    fail "the reset alarm sounded for $span s, as long as a full alarm"
  echo "alarm: reset stopped it after $span s; silence after the reset"

  stop_with_escape
  expect_saved Esc
  exit 0
fi
