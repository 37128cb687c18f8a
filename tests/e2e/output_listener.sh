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
  # The lead-in of silence covers the sound server connecting to Wine's new stream.
  wine "$bin/lumo-inspect.exe" tone --lead-in 1 "$@" >"$out/$name.log" || {
    kill "$rec"
    fail "lumo-inspect tone $* failed"
  }
  sleep 0.3
  kill "$rec"
  wait "$rec" 2>/dev/null || true
  cat "$out/$name.log"
}

check() { python3 "$here/check_output_recording.py" "$@" || fail "recording $2"; }

# Two cores shared by many test runs can starve Wine's own mixer thread, whose buffer
# holds a few milliseconds (our ring holds half a second): a recording with a dropout
# is made once more before it counts as a failure.
for attempt in 1 2 3; do
  record_tone events --seconds 4.5 --volume-at 2.0:-12 --pause-at 2.6:0.5 --flush-at 3.5:1500 \
    --pause-fade-ms 100 --seek-fade-ms 100
  python3 "$here/check_output_recording.py" events "$out/events.raw" "$out/events.log" && break
  [ "$attempt" = 3 ] && fail "recording $out/events.raw"
done

record_tone instant --seconds 2 --pause-at 1.0:0.3 --pause-fade-ms 0
check instant_pause "$out/instant.raw" "$out/instant.log"

for f in "1 s16" "2 f32" "6 s16" "6 f32" "1 f32" "2 s24"; do
  set -- $f
  record_tone "open_$1_$2" --seconds 0.6 --channels "$1" --format "$2"
  check sound "$out/open_$1_$2.raw" "$out/open_$1_$2.log"
done
echo "output_listener: all checks passed"
