# The main window as a user drives it: a portable Lumo whose library is its own folder
# (a generated music folder inside it), browsed genres -> artists -> albums -> songs and
# back with the keyboard and the links, the music folder opened and "Go to folder"
# followed, songs played with Enter, a media key, a forwarded /prev and a dropped file,
# the four themes checked at sampled pixels, full-screen mode, and the navigation path
# replayed at the next start.
. "$(dirname "$0")/common.sh"

title="Lumo Audio Player"
here=$(cd "$(dirname "$0")" && pwd)
app=$out/app
music=$app/music
mkdir -p "$app"
cp "$bin/Lumo.exe" "$app/"
: >"$app/Lumo.exe.localconfig.opt"
: >"$app/Lumo.exe.locallibrary.opt"
python3 "$here/make_library.py" "$music"
convert -size 240x240 gradient:'#f0a040-#602080' "$music/Blue Trio/Night Walk/cover.jpg"
winpath() { echo "Z:${1//\//\\}"; }

lumo=
trap '[ -n "$lumo" ] && kill $lumo 2>/dev/null || true' EXIT
start() {
  wine "$app/Lumo.exe" "$@" &
  lumo=$!
  e2e wait-window "$title" 30000 || fail "the main window did not appear"
}
finish() {
  e2e close "$title" || fail "could not close the main window"
  local code=0
  wait $lumo || code=$?
  lumo=
  [ "$code" -eq 0 ] || fail "Lumo.exe exited with $code"
}

list() { e2e list "$title" | tr -d '\r' | paste -sd'|'; }
text() { e2e text "$title" "$1" | tr -d '\r'; }
# Polls until a command's output equals the expected text (messages are posted).
expect() { # what expected command...
  local what=$1 want=$2 got=
  shift 2
  for _ in $(seq 1 100); do
    # A read may fail while the window is busy rebuilding: poll again, do not end here.
    got=$("$@") || got="(read failed)"
    [ "$got" = "$want" ] && return 0
    sleep 0.1
  done
  fail "$what: expected '$want', got '$got'"
}
key() { e2e key "$title" "$@"; }
VK_RETURN=13 VK_BACK=8 VK_PRIOR=33 VK_NEXT=34 VK_HOME=36 VK_DOWN=40 VK_F11=122
np1=300 np2=301 nav=302 view=303

start "$(winpath "$music")"
read -r _ _ width_96 height_96 < <(e2e rect "$title" | tr -d '\r')
expect "genres" "All genres|Electronic|Jazz|Rock" list
# The library has one folder, the program's own.
expect "navigation bar" \
  "Navigation: <a>genres</a> <a>artists</a> <a>albums</a> <a>music folder</a> <a>my computer</a>" text $nav
expect "view title" "All genres" text $view
# Files from the command line play at once: the first of them is playing.
expect "now playing" "Artist: <a>Blue Trio</a>, album: <a>Morning</a> [2005]" text $np2

key $VK_HOME; key $VK_DOWN 2; key $VK_RETURN
expect "artists in Jazz" "All artists|Blue Trio" list
expect "artists title" "All artists in <a>Jazz</a>" text $view
key $VK_DOWN; key $VK_RETURN
# One artist's albums come by date.
expect "albums" "All songs|Night Walk [1999]|Morning [2005]" list
expect "albums title" "<a>Jazz</a> albums" text $view
key $VK_DOWN; key $VK_RETURN
expect "songs" "01. Opening|02. Streetlights|03. Home" list
expect "songs title" "Album: <a>Night Walk</a>, artist: <a>Blue Trio</a>, genre: <a>Jazz</a>" text $view

# Enter on a song plays the list from there; a media key and a second launch's /prev
# move within it.
key $VK_DOWN; key $VK_RETURN
expect "Enter plays" "Streetlights [0:00 / 0:02]" text $np1
e2e appcommand "$title" 11 || fail "APPCOMMAND_MEDIA_NEXTTRACK was not handled"
expect "media key next" "Home [0:00 / 0:02]" text $np1
wine "$app/Lumo.exe" /prev || fail "the forwarding launch failed"
expect "forwarded /prev" "Streetlights [0:00 / 0:02]" text $np1
png=$(screenshot playing)
echo "screenshot: $png"

# Links: the album artist in the now-playing line, the title's genre, the navigation bar.
e2e click-link "$title" $np2 0 || fail "no artist link"
expect "artist link" "All songs|Night Walk [1999]|Morning [2005]" list
expect "artist view title" "All albums" text $view
key $VK_BACK
expect "Backspace goes back" "01. Opening|02. Streetlights|03. Home" list
e2e click-link "$title" $view 2 || fail "no genre link in the title"
expect "title link" "All artists|Blue Trio" list
key $VK_BACK
expect "Backspace again" "01. Opening|02. Streetlights|03. Home" list
e2e click-link "$title" $nav 1 || fail "no artists link"
expect "artists link" "All artists|Blue Trio|Pulse Unit|Stone Lane" list
e2e click-link "$title" $nav 0 || fail "no genres link"
expect "genres link" "All genres|Electronic|Jazz|Rock" list

# "Go to folder" on an album's songs opens that folder in the music folders view, where
# Enter plays a file and the title's links lead back up.
key $VK_HOME; key $VK_DOWN 2; key $VK_RETURN
expect "artists again" "All artists|Blue Trio" list
key $VK_DOWN; key $VK_RETURN
expect "albums again" "All songs|Night Walk [1999]|Morning [2005]" list
key $VK_DOWN; key $VK_RETURN
expect "songs again" "01. Opening|02. Streetlights|03. Home" list
key $VK_DOWN
sleep 1  # keys are posted, the command is sent: let the selection come first
e2e command "$title" 1205 || fail "Go to folder was not handled"
expect "album folder" "01 Opening.wav|02 Streetlights.wav|03 Home.wav" list
sep=$(printf '\xe2\x80\xba')
expect "album folder title" \
  "<a>Music folders</a> $sep <a>app</a> $sep <a>music</a> $sep <a>Blue Trio</a> $sep Night Walk" text $view
key $VK_DOWN; key $VK_RETURN
expect "Enter plays a file" "Streetlights [0:00 / 0:02]" text $np1
# Page Down and Page Up move to the page's last and first rows (the window's own paging).
key $VK_NEXT; key $VK_RETURN
expect "Page Down" "Home [0:00 / 0:02]" text $np1
key $VK_PRIOR; key $VK_RETURN
expect "Page Up" "Opening [0:00 / 0:02]" text $np1
e2e click-link "$title" $view 2 || fail "no music link in the folder title"
expect "folder link" "Blue Trio|Pulse Unit|Stone Lane" list
key $VK_BACK
expect "back to the album folder" "01 Opening.wav|02 Streetlights.wav|03 Home.wav" list
e2e click-link "$title" $nav 3 || fail "no music folder link"
expect "music folders" "app" list
expect "music folders title" "Music folders" text $view
key $VK_HOME; key $VK_RETURN
expect "the library folder" "lumo-configuration|music" list
e2e click-link "$title" $nav 0 || fail "no genres link"
expect "genres once more" "All genres|Electronic|Jazz|Rock" list

# A file dropped on the window plays at once, though the library does not hold it.
mkdir -p "$out/drop"
sox -n -r 22050 -c 1 -b 16 "$out/drop/plain.wav" synth 2 sine 330 vol 0.1
python3 - "$out/drop/plain.wav" "$out/drop/Dropped.wav" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
info = b"INFO" + b"INAM" + struct.pack("<I", 8) + b"Dropped\0"
data += b"LIST" + struct.pack("<I", len(info)) + info
open(sys.argv[2], "wb").write(data[:4] + struct.pack("<I", len(data) - 8) + data[8:])
EOF
rm "$out/drop/plain.wav"
e2e drop "$title" "$(winpath "$out/drop/Dropped.wav")" || fail "the drop was not delivered"
expect "dropped file plays" "Dropped [0:00 / 0:02]" text $np1

# Each theme paints its background and its link colour (COLORREF 0xBBGGRR as #RRGGBB).
e2e move "$title" 40 30 900 600
sample() { # png control-id colour -> fraction of the control's pixels near that colour
  read -r x y w h < <(e2e child-rect "$title" "$2" | tr -d '\r')
  convert "$1" -crop "${w}x${h}+${x}+${y}" +repage -fuzz 8% -fill white -opaque "$3" \
    -fill black +opaque white -format '%[fx:mean]' info:
}
themes=("classic #FFFFFF #0000FF" "black #000000 #6060FF" "white #FFFFFF #0000FF"
        "graphite #A0A0A0 #0000C0")
for i in 0 1 2 3; do
  read -r name background link <<<"${themes[$i]}"
  e2e command "$title" $((1100 + i))
  sleep 0.5
  png=$(screenshot "theme-$name")
  bg=$(sample "$png" 200 "$background")
  ln=$(sample "$png" $nav "$link")
  awk "BEGIN{exit !($bg > 0.5)}" || fail "$name: the list is not painted in $background ($bg)"
  awk "BEGIN{exit !($ln > 0.01)}" || fail "$name: no $link link text in the navigation bar ($ln)"
done

# F11 covers the monitor (the virtual display is 1280 x 800) and gives the place back.
before=$(e2e rect "$title" | tr -d '\r')
key $VK_F11
expect "full screen" "0 0 1280 800" eval "e2e rect '$title' | tr -d '\r'"
png=$(screenshot full-screen)
key $VK_F11
expect "full screen left" "$before" eval "e2e rect '$title' | tr -d '\r'"

# The place in the library is remembered: songs of Night Walk at the next start.
e2e click-link "$title" $nav 2
expect "albums link" "All songs|Blue Trio - Night Walk [1999]|Blue Trio - Morning [2005]|Pulse Unit - Circuits [2020]|Stone Lane - First Light [2012]" list
key $VK_DOWN; key $VK_RETURN
expect "album songs" "01. Opening|02. Streetlights|03. Home" list
finish
start
expect "path replayed" "" text $np1
expect "songs again" "Album: <a>Night Walk</a>, artist: <a>Blue Trio</a>" text $view
finish

# An embedded front cover is shown in the now-playing area: an MP3 whose ID3 tag holds a
# pure green picture (APIC, front cover) and no picture file beside it.
art=$out/art
mkdir -p "$art"
convert -size 64x64 xc:'#00FF00' "$art/green.jpg"
sox -n -r 44100 -c 1 "$art/tone.wav" synth 2 sine 440 vol 0.1
lame --quiet "$art/tone.wav" "$art/plain.mp3"
python3 - "$art/green.jpg" "$art/plain.mp3" "$art/Green.mp3" <<'EOF'
import struct, sys
picture, audio = open(sys.argv[1], "rb").read(), open(sys.argv[2], "rb").read()
def frame(name, body):
    return name + struct.pack(">I", len(body)) + b"\0\0" + body
frames = frame(b"TIT2", b"\0Green") + frame(b"APIC", b"\0image/jpeg\0\x03\0" + picture)
n = len(frames)
size = bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])
open(sys.argv[3], "wb").write(b"ID3\x03\0\0" + size + frames + audio)
EOF
rm "$art/tone.wav" "$art/plain.mp3" "$art/green.jpg"
start "$(winpath "$art/Green.mp3")"
expect "embedded-picture track" "Green [0:00 / 0:02]" text $np1
green=0
for _ in $(seq 1 30); do
  png=$(screenshot embedded-picture)
  green=$(convert "$png" -fuzz 8% -fill white -opaque '#00FF00' -fill black +opaque white \
    -format '%[fx:round(mean*w*h)]' info:)
  [ "$green" -ge 200 ] && break
  sleep 0.2
done
[ "$green" -ge 200 ] || fail "the embedded front cover is not shown ($green green pixels)"
finish

# At 200 % (192 DPI) the window is laid out from the larger font: about twice the size
# (from a fresh profile, so no remembered placement).
rm -rf "$app/lumo-configuration"
desktop='HKCU\Control Panel\Desktop'
wine reg add "$desktop" /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1
trap '[ -n "$lumo" ] && kill $lumo 2>/dev/null; wine reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1 || true' EXIT
start "$(winpath "$music")"
read -r _ _ width_192 height_192 < <(e2e rect "$title" | tr -d '\r')
png=$(screenshot dpi-192)
echo "screenshot: $png (${width_96}x${height_96} at 96 DPI, ${width_192}x${height_192} at 192)"
awk "BEGIN{exit !($width_192 >= 1.8 * $width_96 && $height_192 >= 1.6 * $height_96)}" ||
  fail "the window did not grow with the DPI: ${width_96}x${height_96} -> ${width_192}x${height_192}"
finish
wine reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1
echo "main_window: ok"
