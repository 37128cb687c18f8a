# Start-up as a user meets it, with portable copies of Lumo.exe in scratch folders: one
# instance per profile folder, later launches forwarding their command line to it, the
# remote switches, the language switch, and the configuration carried to the next start.
. "$(dirname "$0")/common.sh"

title="Lumo Audio Player"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT

portable() { # folder: a portable copy of the program there
  mkdir -p "$1"
  cp "$bin/Lumo.exe" "$1/"
  : >"$1/Lumo.exe.localconfig.opt"
}

# Starts a long-running instance in the background; its debug output goes to $2 (Wine
# reports OutputDebugString on the "seh" channel).
start() { # exe log args...
  local exe=$1 log=$2
  shift 2
  WINEDEBUG=warn+seh wine "$exe" "$@" 2>"$log" &
  pids+=($!)
  last=$!
}

windows() { e2e count "$title" | tr -d '\r'; }

a=$out/a
b=$out/b
portable "$a"
portable "$b"

# First instance. "/QUIET" in capitals is no start-up switch, so the window appears and
# nothing complains about it; "/lang 0x407" picks German.
start "$a/Lumo.exe" "$out/a.log" /QUIET /lang 0x407
first=$last
e2e wait-window "$title" 30000 || fail "the first instance showed no window"
wait_log "$out/a.log" "Language: German"
[ -e "$a/lumo-configuration/running" ] || fail "the profile is not locked while running"

# A second launch with the same profile hands over its switch and ends silently.
launch "$a/Lumo.exe" "$out/play.log" /Play
grep -qF "Exiting (Another instance is already running)" "$out/play.log" ||
  fail "the second launch did not say why it ended"
wait_log "$out/a.log" "Main-menu command: Play"

launch "$a/Lumo.exe" "$out/dash.log" -play
e2e wait-window "Error" 30000 || fail "no message about the unknown parameter -play"
e2e close "Error"

launch "$a/Lumo.exe" "$out/hide.log" /hide
e2e wait-hidden "$title" 30000 || fail "/hide left the window visible"
launch "$a/Lumo.exe" "$out/show.log" /show
e2e wait-window "$title" 30000 || fail "/show did not bring the window back"
launch "$a/Lumo.exe" "$out/hide2.log" /hide
e2e wait-hidden "$title" 30000 || fail "/hide left the window visible"
launch "$a/Lumo.exe" "$out/bare.log"
e2e wait-window "$title" 30000 || fail "a bare second launch did not show the first window"

# Another portable folder is another profile: an independent instance. "/lang 1031" is
# the same language as "/lang 0x407".
start "$b/Lumo.exe" "$out/b.log" /lang 1031
second=$last
wait_log "$out/b.log" "Language: German"
for _ in $(seq 1 300); do [ "$(windows)" = 2 ] && break; sleep 0.1; done
[ "$(windows)" = 2 ] || fail "the second profile did not get its own window"
launch "$b/Lumo.exe" "$out/b-exit.log" /exit
wait_exit "$second"
[ "$(windows)" = 1 ] || fail "/exit to the second profile touched the first"

# The window's place is part of the configuration written at exit and read at start.
e2e move "$title" 100 120 700 500 || fail "could not move the window"
launch "$a/Lumo.exe" "$out/exit.log" /exit
wait_exit "$first"
wait_log "$out/a.log" "Terminated normally."
[ -s "$a/lumo-configuration/config.dat" ] || fail "no configuration was written at exit"
[ ! -e "$a/lumo-configuration/running" ] || fail "the profile lock outlived the program"

start "$a/Lumo.exe" "$out/a2.log"
again=$last
e2e wait-window "$title" 30000 || fail "the program did not start again"
rect=$(e2e rect "$title" | tr -d '\r')
[ "$rect" = "100 120 700 500" ] || fail "the window came back at '$rect'"

# Restart: the running instance ends with 0 and a new one takes over the profile.
launch "$a/Lumo.exe" "$out/restart.log" /test-restart
wait_exit "$again"
for _ in $(seq 1 300); do [ "$(windows)" = 1 ] && break; sleep 0.1; done
[ "$(windows)" = 1 ] || fail "no window after the restart"
e2e close "$title"
for _ in $(seq 1 300); do [ "$(windows)" = 0 ] && break; sleep 0.1; done
[ "$(windows)" = 0 ] || fail "the restarted instance did not close"

# Quiet mode: no window, no message loop, so nothing to save; ends by itself with 0.
c=$out/c
portable "$c"
launch "$c/Lumo.exe" "$out/quiet.log" /quiet /nonsense
grep -qF "Terminated normally." "$out/quiet.log" || fail "quiet mode did not end normally"
[ ! -e "$c/lumo-configuration/config.dat" ] || fail "quiet mode wrote a configuration"

trap - EXIT
echo "instances: ok"
