#!/usr/bin/env bash
# CPU time of a 16-bit stereo WAV played through the playback engine and DirectSound
# under Wine, per thread, over a stretch of steady playback. Prints each thread's share
# of one core and the CPU seconds per minute of playback; the target is under 1% of one
# core.
#   inspect (default): lumo-inspect.exe play FILE, the engine alone. Its main thread only
#     waits for the end (a 50 ms poll); the playback thread, the output worker and Wine's
#     own sound threads (winepulse_*, wine_dsound_mix) are the rest.
#   lumo: Lumo.exe FILE with a fresh portable profile, the whole program with its main
#     window open and idle.
# The same run then measures dsound_reference.exe, which only plays a looping DirectSound
# buffer and has no thread of its own: under Wine the system's sound path (the winepulse
# and dsound mixing threads, in Windows' audio service on Windows) runs inside the
# process, and that reference is what it costs. The last line is the program's CPU
# beyond it.
# usage: tools/bench/engine_cpu_wine.sh [inspect|lumo] [SECONDS]
# (build the windows preset first)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
"$root/scripts/wine-env.sh" start
. "$root/tools/bench/thread_cpu.sh"
program=${1:-inspect}
seconds=${2:-30}
work=$(mktemp -d)
app=$work/app
mkdir -p "$app"
cp "$root/build/windows/bin/Lumo.exe" "$app/"
: >"$app/Lumo.exe.localconfig.opt"
# The library indexes only the program's folder (a fresh profile would index the Music
# folder, under Wine the whole home folder).
: >"$app/Lumo.exe.locallibrary.opt"
# Long enough for the start-up, the measured stretch and a margin.
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth $((seconds + 20)) sine 440 vol 0.05
lumo=
trap '[ -n "$lumo" ] && kill "$lumo" 2>/dev/null; rm -rf "$work"' EXIT
file="Z:${work//\//\\}\\tone.wav"
if [ "$program" = lumo ]; then
  exe=$app/Lumo.exe
  wine "$exe" "$file" >/dev/null 2>&1 &
else
  exe=$root/build/windows/bin/lumo-inspect.exe
  wine "$exe" play "$file" >/dev/null 2>&1 &
fi
lumo=$!
sleep 8
report=$(thread_cpu_measure "^$exe" "$seconds" "$(basename "$exe")")
if [ "$program" = lumo ]; then
  wine "$app/Lumo.exe" /exit >/dev/null 2>&1 || true
else
  kill "$lumo" 2>/dev/null || true
fi
wait "$lumo" || true
echo "$report"

wine "$root/build/windows/bin/dsound_reference.exe" $((seconds + 10)) float >/dev/null 2>&1 &
lumo=$!
sleep 5
reference=$(thread_cpu_measure "dsound_reference.exe" "$seconds" "DirectSound alone")
wait "$lumo" || true
lumo=
printf '\n%s\n\n' "$reference"
percent() { echo "$1" | grep -v '^without' | tail -1 | grep -o '[0-9.]*% of one core' | tr -d '%a-z '; }
awk -v p="$(percent "$report")" -v r="$(percent "$reference")" \
  'BEGIN { printf "beyond DirectSound alone: %.2f%% of one core (%.2f%% against %.2f%%)\n", p - r, p, r }'
