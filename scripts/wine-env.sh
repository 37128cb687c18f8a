#!/usr/bin/env bash
# The Wine test environment: a virtual display (unless one is given), a PulseAudio
# server with a null sink (so DirectSound finds a device) and a Wine prefix, each
# created once and reused.
#   wine-env.sh start   make sure all three exist; prints nothing on success
#   wine-env.sh stop    stop what start started (and the wineserver)
#   . wine-env.sh       (sourced) only export the variables
# LUMO_WINE_SLOT=N gives a separate display, sound server and prefix, for test runs of
# several work trees side by side.
set -uo pipefail

LUMO_CACHE=${LUMO_CACHE:-$HOME/.cache/lumo}
slot=${LUMO_WINE_SLOT:-}
state=$LUMO_CACHE/wine-run${slot:+-$slot}
mkdir -p "$state"
base_prefix=$LUMO_CACHE/wine-prefix
export WINEPREFIX=${LUMO_WINEPREFIX:-$base_prefix${slot:+-$slot}}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
# Neither Mono nor Gecko is needed; without this wineboot asks to download them in a
# dialog nobody answers on a virtual display.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=}
export XDG_RUNTIME_DIR=$state/xdg
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
lumo_display=:$((87 + ${slot:-0}))
if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=$lumo_display
fi

alive() { [ -f "$1" ] && kill -0 "$(cat "$1")" 2>/dev/null; }

start_display() {
  if [ "$DISPLAY" != "$lumo_display" ]; then return 0; fi
  if alive "$state/xvfb.pid" && xdpyinfo >/dev/null 2>&1; then return 0; fi
  # A lock left by a dead Xvfb of ours may go; one whose server still runs belongs to
  # someone else (another slot, another user), and that display is not ours to take.
  local lock="/tmp/.X${lumo_display#:}-lock"
  if [ -f "$lock" ]; then
    local owner
    owner=$(tr -d ' ' <"$lock" 2>/dev/null)
    if [ -n "$owner" ] && kill -0 "$owner" 2>/dev/null; then
      echo "wine-env: display $lumo_display is in use by process $owner (see $lock)" >&2
      return 1
    fi
    rm -f "$lock" "/tmp/.X11-unix/X${lumo_display#:}"
  fi
  Xvfb "$lumo_display" -screen 0 1280x800x24 -nolisten tcp >"$state/xvfb.log" 2>&1 9>&- &
  echo $! >"$state/xvfb.pid"
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "wine-env: the virtual display did not start" >&2
  return 1
}

start_sound() {
  if pactl info >/dev/null 2>&1; then return 0; fi
  # As root PulseAudio warns that it is not meant to run so, and then works.
  pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n \
    --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=lumo_null sink_properties=device.description=Lumo_Null" \
    --load=module-always-sink >"$state/pulse.log" 2>&1 9>&- &
  echo $! >"$state/pulse.pid"
  for _ in $(seq 100); do
    if pactl info >/dev/null 2>&1; then
      pactl set-default-sink lumo_null >/dev/null 2>&1
      return 0
    fi
    sleep 0.1
  done
  echo "wine-env: the sound server did not start" >&2
  return 1
}

start_prefix() {
  if [ -f "$WINEPREFIX/.lumo-ready" ]; then return 0; fi
  # A prefix without the marker is half made: start again.
  rm -rf "$WINEPREFIX"
  if [ "$WINEPREFIX" != "$base_prefix" ] && [ -f "$base_prefix/.lumo-ready" ]; then
    cp -a "$base_prefix" "$WINEPREFIX.new" && mv "$WINEPREFIX.new" "$WINEPREFIX" && return 0
  fi
  if ! timeout 300 wineboot -i >"$state/wineboot.log" 2>&1 9>&-; then
    echo "wine-env: creating the Wine prefix failed (see $state/wineboot.log)" >&2
    return 1
  fi
  if ! timeout 120 wineserver -w 9>&-; then
    echo "wine-env: the wineserver did not finish setting up the prefix within 120 s" >&2
    return 1
  fi
  touch "$WINEPREFIX/.lumo-ready"
}

# The lock is held on fd 9; daemons started under it must not inherit it, or the lock
# would live as long as they do.
start() {
  exec 9>"$state/lock"
  flock 9
  start_display && start_sound && start_prefix
}

stop() {
  exec 9>"$state/lock"
  flock 9
  timeout 30 wineserver -k >/dev/null 2>&1 9>&-
  local p
  for p in pulse xvfb; do
    if alive "$state/$p.pid"; then
      kill "$(cat "$state/$p.pid")" 2>/dev/null
      for _ in $(seq 50); do alive "$state/$p.pid" || break; sleep 0.1; done
    fi
    rm -f "$state/$p.pid"
  done
  return 0
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  case "${1:-}" in
    start) start ;;
    stop) stop ;;
    *) echo "usage: wine-env.sh start|stop" >&2; exit 2 ;;
  esac
fi
