#!/usr/bin/env bash
# The sound output as a listener hears it: lumo-inspect plays tones through the real
# DirectSound path into the PulseAudio null sink, parec records the sink's monitor, and
# check_output_recording.py measures the recording.
. "$(dirname "$0")/common.sh"

record_tone() { # name, then lumo-inspect tone options
  local name=$1
  shift
  parec -d lumo_null.monitor --format=s16le --rate=44100 --channels=2 --raw >"$out/$name.raw" &
  local rec=$!
  sleep 0.3
  # Wine (8.0, winepulse) loses the first second or more of a new process's first
  # DirectSound stream while it connects to the sound server: the tone starts after a
  # lead-in of silence long enough to cover that.
  # A second of silence after the tone keeps the process (and Wine's stream) alive
  # until the last of it has reached the sound server.
  wine "$bin/lumo-inspect.exe" tone --lead-in 4 --tail 1 "$@" >"$out/$name.log" || {
    kill "$rec"
    fail "lumo-inspect tone $* failed"
  }
  sleep 0.3
  kill "$rec"
  wait "$rec" 2>/dev/null || true
  cat "$out/$name.log"
}

# Two cores shared by many test runs can starve Wine's own mixer thread, whose buffer
# holds a few milliseconds (our ring holds half a second): a recording with a dropout
# is made again, up to three times, before it counts as a failure.
checked_tone() { # kind name, then lumo-inspect tone options
  local kind=$1 name=$2 attempt
  shift 2
  for attempt in 1 2 3; do
    record_tone "$name" "$@"
    python3 "$here/check_output_recording.py" "$kind" "$out/$name.raw" "$out/$name.log" && return 0
  done
  fail "recording $out/$name.raw"
}

checked_tone events events --seconds 4.5 --volume-at 2.0:-12 --pause-at 2.6:0.5 \
  --flush-at 3.5:1500 --pause-fade-ms 100 --seek-fade-ms 100
checked_tone instant_pause instant --seconds 2 --pause-at 1.0:0.3 --pause-fade-ms 0
for f in "1 s16" "2 f32" "6 s16" "6 f32" "1 f32" "2 s24"; do
  set -- $f
  checked_tone sound "open_$1_$2" --seconds 0.6 --channels "$1" --format "$2"
done
echo "output_listener: all checks passed"
