#!/usr/bin/env bash
# Installs the program as a user would get it and runs the installed copy
# under Xvfb from an unrelated folder, with its own home and XDG folders:
#   prefix  cmake --install into a temporary prefix
#   deb     the .deb built by cpack, unpacked with dpkg-deb -x (and lintian)
# The installed tree is made read-only and must be unchanged afterwards;
# settings go to the user's config folder and come back on the next start;
# the user's own alarm sound is the one loaded.
#   run_installed.sh prefix|deb <build folder> <work folder>
set -euo pipefail

mode=$1
build=$2
work=$3

if [ -z "${INSIDE_XVFB:-}" ]; then
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
  mkdir -p "$work"
  export INSIDE_XVFB=1
  exec timeout 400 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" "$0" "$@"
fi

unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy

# shellcheck source=../e2e/lib.sh
. "$(dirname "$0")/../e2e/lib.sh"
export VELMORAN_VERBOSE=1

case $mode in
  prefix)
    cmake --install "$build" --prefix "$work/P" >"$work/install.log" || fail "cmake --install failed"
    tree="$work/P"
    ;;
  deb)
    (cd "$build" && cpack -G DEB -B "$work/pkg") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; }
    deb=$(ls "$work"/pkg/*.deb)
    dpkg-deb -x "$deb" "$work/root"
    tree="$work/root/usr"
    echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
    dpkg-deb -f "$deb" Depends
    lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail "lintian reports errors"; }
    echo "lintian: $(grep -c . "$work/lintian.log" || true) lines of warnings and notes"
    ;;
  *)
    echo "usage: run_installed.sh prefix|deb <build folder> <work folder>" >&2
    exit 2
    ;;
esac

bin="$tree/bin/velmoran"
[ -x "$bin" ] || fail "no program at $bin"
for tool in xview xinfo mediagen; do
  [ ! -e "$tree/bin/$tool" ] || fail "the developer tool $tool was installed"
done
desktop-file-validate "$tree"/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$tree"/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"
# As a screen saver: the description its settings program reads, built only
# of the elements the screen saver's own descriptions (xscreensaver-data) use,
# and the program where the daemon looks for its display modules.
saver_xml="$tree/share/xscreensaver/config/velmoran.xml"
xmllint --noout "$saver_xml" || fail "xmllint rejects $saver_xml"
[ "$(xmllint --xpath 'name(/*)' "$saver_xml")" = screensaver ] || fail "$saver_xml does not describe a screen saver"
[ "$(xmllint --xpath 'string(/screensaver/@name)' "$saver_xml")" = velmoran ] || fail "$saver_xml names another program"
for element in $(grep -o '<[a-z_-]*' "$saver_xml" | tr -d '<' | sort -u); do
  grep -q "<$element[ >/]" /usr/share/xscreensaver/config/*.xml || fail "<$element> is in no description of xscreensaver-data"
done
saver="$tree/libexec/xscreensaver/velmoran"
[ -L "$saver" ] && [ "$(readlink -f "$saver")" = "$(readlink -f "$bin")" ] || fail "no link to the program at $saver"
# Read whole: grep -q leaves at its match, and the rest of the help would end
# the program with a broken pipe.
help=$("$saver" --help) || fail "the screen saver's link does not start the program"
grep -q -- '--root' <<<"$help" || fail "the screen saver's link does not show the program's help"
for size in 48 64 128 256 512; do
  ls "$tree/share/icons/hicolor/${size}x${size}/apps/"*.png >/dev/null || fail "no ${size} px icon"
done

# A user of their own, somewhere else: a folder that holds folders named as
# the media's are (the user's own, even empty) is still no run folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$HOME" "$work/elsewhere"/{Model,Texture,Misc,Sound}
run="$work/elsewhere"
settings="$XDG_CONFIG_HOME/velmoran/VelmoranFlags.vmf"
program=("$bin")
mkdir -p "$XDG_DATA_HOME/velmoran/Sound"
cp "$tree/share/velmoran/Sound/AlarmSound.wav" "$XDG_DATA_HOME/velmoran/Sound/AlarmSound.wav"

# The command line answers without opening a window.
help=$("$bin" --help) || fail "--help"
grep -q '^Usage: velmoran' <<<"$help" || fail "--help"
"$bin" --version | grep -q '^velmoran (Velmoran no Horlo) [0-9]' || fail "--version"
set +e
"$bin" --no-such-option >"$work/bad.out" 2>"$work/bad.err"
code=$?
set -e
[ "$code" -eq 2 ] || fail "an unknown option exited with $code, not 2"
printf "velmoran: unrecognized option '--no-such-option'\nTry 'velmoran --help' for more information.\n" |
  cmp -s - "$work/bad.err" || fail "an unknown option printed: $(cat "$work/bad.err")"
[ ! -s "$work/bad.out" ] || fail "an unknown option wrote to stdout"
[ -z "$(xdotool search --name '^Velmoran no Horlo$' 2>/dev/null || true)" ] || fail "a window opened for a wrong option"
echo "command line: --help, --version, unknown option (2)"

# Nothing may be written under the installed tree.
chmod -R a-w "$tree"
find "$tree" -printf '%p %s %T@\n' | sort >"$work/tree.before"

# First start: the installed default word, the scene, key 1, Esc.
default_word=$(od -An -tu4 "$tree/share/velmoran/Misc/VelmoranFlags.vmf" | tr -d ' ')
start_program
read -r ww wh <<<"$(window_size)"
top=$((wh - 384))
best=0
for _ in $(seq 1 80); do
  shot "$work/first.png"
  n=$(coloured_pixels "$work/first.png" "$top") || n=0
  [ "$n" -gt "$best" ] && best=$n
  [ "$n" -ge 3000 ] && break
  sleep 0.25
done
[ "$best" -ge 3000 ] || fail "the installed program shows no scene ($best coloured pixels)"
# Docks match the window to its launcher by its class.
wm_class=$(xprop -id "$wid" WM_CLASS | sed -n 's/.*= "\(.*\)", "\(.*\)"/\2/p')
entry_class=$(sed -n 's/^StartupWMClass=//p' "$tree"/share/applications/*.desktop)
[ -n "$entry_class" ] && [ "$wm_class" = "$entry_class" ] ||
  fail "the window's class '$wm_class' is not the desktop entry's StartupWMClass '$entry_class'"
grep -q "dmusic: loading $XDG_DATA_HOME/velmoran/Sound/AlarmSound.wav" "$work/program.log" ||
  fail "the user's own alarm sound was not the one loaded"
grep -q "failed to load\|Failed to open" "$work/program.log" && fail "a load failed in the installed tree"
focus_window
changes=$(grep -c 'a key changed the settings word' "$work/program.log" || true)
xdotool keydown --window "$wid" 1
for _ in $(seq 1 200); do
  [ "$(grep -c 'a key changed the settings word' "$work/program.log" || true)" -gt "$changes" ] && break
  sleep 0.05
done
xdotool keyup --window "$wid" 1
stop_with_escape
want=$((default_word ^ 2))
[ "$(settings_word)" -eq "$want" ] || fail "settings word $(settings_word) after key 1, expected $want"
echo "first start: scene drawn ($best coloured pixels), the user's alarm sound, key 1 saved $want in $settings"

# Second start, as a user's, without the debug output: the user's word is
# read back (the white background of key 1) and nothing is said on stderr.
lines=$(wc -l <"$work/program.log")
unset VELMORAN_VERBOSE
start_program
read -r ww wh <<<"$(window_size)"
top=$((wh - 384))
white=0
for _ in $(seq 1 80); do
  shot "$work/second.png"
  if [ "$(coloured_pixels "$work/second.png" "$top")" -ge 3000 ]; then
    white=$(convert "$work/second.png" -crop "512x384+0+$top" +repage -fuzz 8% -fill black +opaque white \
      -format '%[fx:int(100*mean)]' info:)
    [ "$white" -ge 30 ] && break
  fi
  sleep 0.25
done
stop_with_escape
export VELMORAN_VERBOSE=1
[ "$white" -ge 30 ] || fail "the second start does not show the white background of $settings ($white % white)"
[ "$(wc -l <"$work/program.log")" -eq "$lines" ] ||
  fail "a plain start printed: $(tail -n +$((lines + 1)) "$work/program.log" | head -n 5)"
echo "second start: read the word back ($white % white), nothing on stderr"

# A login with only HOME set, none of the XDG variables: the settings go to
# ~/.config/velmoran and the user's own sound is found in ~/.local/share.
(
  export HOME="$work/home-only"
  unset XDG_CONFIG_HOME XDG_DATA_HOME
  mkdir -p "$HOME/.local/share/velmoran/Sound"
  cp "$tree/share/velmoran/Sound/AlarmSound.wav" "$HOME/.local/share/velmoran/Sound/AlarmSound.wav"
  settings="$HOME/.config/velmoran/VelmoranFlags.vmf"
  start_program
  # Nothing there yet: the installed word was read. A mark shows the exit wrote.
  mkdir -p "$(dirname "$settings")"
  mark_settings
  stop_with_escape
  expect_saved "Esc with only HOME set" "$default_word"
  grep -q "dmusic: loading $HOME/.local/share/velmoran/Sound/AlarmSound.wav" "$work/program.log" ||
    fail "with only HOME set, the user's alarm sound in ~/.local/share was not the one loaded"
  echo "only HOME set: settings saved in $settings, the user's sound from ~/.local/share"
)

# Through the screen saver's link, on the root window: the installed media
# are found from the link, the scene is drawn, SIGTERM ends it with 0 and the
# user's settings file is left as it was.
stamp=$(stat -c '%s %y' "$settings")
"$saver" --root >>"$work/program.log" 2>&1 &
pid=$!
best=0
for _ in $(seq 1 150); do
  kill -0 "$pid" 2>/dev/null || fail "the screen saver ended by itself"
  xwd -silent -root 2>/dev/null | convert xwd:- -resize 256x192 "$work/root.png" 2>/dev/null || true
  n=$(coloured_pixels "$work/root.png" 0 2>/dev/null) || n=0
  [ "$n" -gt "$best" ] && best=$n
  [ "$n" -ge 500 ] && break
  sleep 0.2
done
[ "$best" -ge 500 ] || fail "the screen saver drew no scene on the root window ($best coloured pixels)"
kill -TERM "$pid"
expect_exit SIGTERM
[ "$(stat -c '%s %y' "$settings")" = "$stamp" ] || fail "the screen saver touched $settings"
echo "screen saver: the scene on the root window ($best coloured pixels), ended by SIGTERM, settings untouched"

find "$tree" -printf '%p %s %T@\n' | sort >"$work/tree.after"
diff "$work/tree.before" "$work/tree.after" || fail "the installed tree changed"
chmod -R u+w "$tree"
echo "installed tree: unchanged"
