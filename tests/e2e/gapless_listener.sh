#!/usr/bin/env bash
# Gapless playback as a listener hears it: Lumo.exe plays one sine cut into files (mixed
# containers, bit depths and MP3s at odd sample positions) through DirectSound into the
# PulseAudio null sink while parec records the sink's monitor; a second launch forwards
# /pause once the last cut has been heard and /play once the recording has gone silent.
# check_gapless_recording.py then measures the recording.
. "$(dirname "$0")/common.sh"

app=$out/app
mkdir -p "$app"
cp "$bin/Lumo.exe" "$app/"
: >"$app/Lumo.exe.localconfig.opt"
# A fresh profile's library indexes the Music folder, which Wine maps to the home folder:
# a portable library indexes only the program's own folder (nothing), so no scan runs
# beside the playback.
: >"$app/Lumo.exe.locallibrary.opt"
set_dir=$out/set
mapfile -t files < <(python3 "$here/make_gapless_set.py" "$set_dir" --mp3)
args=()
for f in "${files[@]}"; do args+=("Z:${f//\//\\}"); done
manifest=$set_dir/manifest.json

lumo=
rec=
cleanup() {
  [ -n "$rec" ] && kill "$rec" 2>/dev/null
  [ -n "$lumo" ] && kill "$lumo" 2>/dev/null
  return 0
}
trap cleanup EXIT

# The playing instance runs at a raised priority and the forwarding launches at a lowered
# one (where the system allows it; otherwise nice only warns): on a machine loaded with
# builds the starting of a Wine process otherwise starves the playing one.
forward() { # switch: a second launch hands it to the running instance
  timeout 60 nice -n 10 wine "$app/Lumo.exe" "$1" 2>/dev/null || fail "the $1 launch failed"
}

wait_for() { # what [argument]: see check_gapless_recording.py wait
  python3 "$here/check_gapless_recording.py" wait "$raw" "$@"
}

# One run: start, wait for the sine to have played 0.8 s past the last cut (the checker
# measures up to 0.5 s past it), pause, wait for silence, resume, wait for the end, exit.
# Returns 1 when the recording never showed what it waited for.
record() { # name
  raw=$out/$1.raw
  parec -d lumo_null.monitor --format=s16le --rate=44100 --channels=2 --raw >"$raw" &
  rec=$!
  sleep 0.3
  # The first file is 6 s of silence: Wine loses the start of a new process's first
  # DirectSound stream while it connects to the sound server, and the program's own
  # start-up settles. The wineserver, started by the first Wine process of the prefix,
  # inherits the raised priority too.
  wineserver -w
  WINEDEBUG=warn+seh nice -n -10 wine "$app/Lumo.exe" "${args[@]}" 2>"$out/$1.log" &
  lumo=$!
  local heard=1 last_cut
  last_cut=$(python3 -c 'import json,sys; m=json.load(open(sys.argv[1])); print(m["boundaries"][-1] / m["rate"] + 0.8)' "$manifest")
  if wait_for sound "$last_cut"; then
    forward /pause
    if wait_for silence; then
      forward /play
      wait_for end "$manifest" || heard=0
    else
      heard=0
    fi
  else
    heard=0
  fi
  forward /exit
  local code=0
  wait "$lumo" || code=$?
  lumo=
  [ "$code" -eq 0 ] || fail "Lumo.exe exited with $code"
  sleep 0.3
  kill "$rec"
  wait "$rec" 2>/dev/null || true
  rec=
  [ "$heard" = 1 ]
}

# Two cores shared by many test runs can starve Wine's mixer (a hole of a few
# milliseconds, or a skip): a recording that shows one is made again, up to three times.
for attempt in 1 2 3; do
  if record "attempt$attempt" &&
    python3 "$here/check_gapless_recording.py" check "$raw" "$manifest"; then
    trap - EXIT
    echo "gapless_listener: all checks passed"
    exit 0
  fi
  echo "attempt $attempt failed"
done
fail "every recording failed (see $out)"
