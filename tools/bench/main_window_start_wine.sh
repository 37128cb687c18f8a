#!/usr/bin/env bash
# The main window under Wine, in one run: the time from process start to the library list
# first painted with an empty library and with a database.dat of TRACKS generated tracks
# (the default view, and again with the full song list as the saved place), and the time
# per page while scrolling the full song list a page at a time, each page repainted at
# once: by the scroll bar (the list moves, nothing else) and by the Page Down key (which
# also moves the focus and selection).
# The start times are the window's own ("list painted N ms after start", measured from
# the process's creation time), so Wine's start-up counts in both cases alike.
# usage: tools/bench/main_window_start_wine.sh [RUNS] [TRACKS] [PAGES]
# (build first: the windows preset's Lumo and lumo-e2e, the native preset's
# make_library_database)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
"$root/scripts/wine-env.sh" start
runs=${1:-3}
tracks=${2:-100000}
pages=${3:-200}
bin=$root/build/windows/bin
make_db=$root/build/native/bench/make_library_database
work=$root/build/windows/bench/main_window
title="Lumo Audio Player"
for f in "$bin/Lumo.exe" "$bin/lumo-e2e.exe" "$make_db"; do
  [ -x "$f" ] || { echo "missing $f: build it first" >&2; exit 1; }
done
rm -rf "$work"
mkdir -p "$work/app"
cp "$bin/Lumo.exe" "$work/app/"
: >"$work/app/Lumo.exe.localconfig.opt"
: >"$work/app/Lumo.exe.locallibrary.opt"

e2e() { wine "$bin/lumo-e2e.exe" "$@"; }
lumo=
trap '[ -n "$lumo" ] && kill $lumo 2>/dev/null || true' EXIT
painted() { # log -> "MS ENTRIES" once the window reported its first list paint
  grep -a -o 'list painted [0-9.]* ms after start ([0-9]* entries)' "$1" | head -1 |
    sed -E 's/list painted ([0-9.]+) ms after start \(([0-9]+) entries\)/\1 \2/'
}
start() { # log
  WINEDEBUG=warn+seh wine "$work/app/Lumo.exe" 2>"$1" &
  lumo=$!
  e2e wait-window "$title" 120000 >/dev/null || { echo "no main window" >&2; exit 1; }
  for _ in $(seq 1 600); do
    [ -n "$(painted "$1")" ] && return 0
    sleep 0.1
  done
  echo "the window never reported its first paint ($1)" >&2
  exit 1
}
finish() {
  e2e close "$title"
  wait $lumo || true
  lumo=
}
measure() { # label -> one line per run, the median last
  local label=$1
  times=()
  for i in $(seq 1 "$runs"); do
    start "$work/$label-$i.log"
    read -r ms entries < <(painted "$work/$label-$i.log")
    times+=("$ms")
    echo "$label run $i: list painted $ms ms after start ($entries entries)"
    [ "$i" -lt "$runs" ] || [ -z "${keep_last:-}" ] || return 0
    finish
  done
}
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# A first start makes the profile; monitoring goes off so the generated tracks (which do
# not exist on disk) are never scanned away.
start "$work/setup.log"
e2e command "$title" 1012  # "menu_monitor_folders"
finish

measure empty
empty=$(median "${times[@]}")

"$make_db" "$work/app/lumo-configuration/database.dat" "$tracks" . >/dev/null
keep_last=1 measure library
library=$(median "${times[@]}")

# Scrolling the full song list: "albums", then its "all" entry.
e2e click-link "$title" 302 2
sleep 1
e2e key "$title" 36
e2e key "$title" 13
for _ in $(seq 1 600); do
  [ "$(e2e text "$title" 303 | tr -d '\r')" = "All songs" ] && break
  sleep 0.1
done
scroll_bar=$(e2e page-scroll "$title" "$pages" bar | tr -d '\r')
scroll_key=$(e2e page-scroll "$title" "$pages" | tr -d '\r')
finish

unset keep_last
measure songs
songs=$(median "${times[@]}")

echo
echo "start, empty library:            $empty ms (median of $runs)"
echo "start, $tracks tracks (genres): $library ms, $(awk "BEGIN{print $library - $empty}") ms more"
echo "start, $tracks tracks (songs):  $songs ms, $(awk "BEGIN{print $songs - $empty}") ms more"
echo "all songs, scroll-bar pages:     $scroll_bar"
echo "all songs, Page Down key:        $scroll_key"
