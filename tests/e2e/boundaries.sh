# When the code under the system's callbacks goes wrong, through test-only switches: a
# first instance that stops answering does not hold a second launch; a worker whose job
# throws is reported in a message box and the program goes on; a window procedure whose
# code throws ends in the crash handler (dump, exit code 0) with the text on the debug
# output.
. "$(dirname "$0")/common.sh"

title="Lumo Audio Player"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT

p=$out/p
mkdir -p "$p"
cp "$bin/Lumo.exe" "$p/"
: >"$p/Lumo.exe.localconfig.opt"
profile=$p/lumo-configuration

start() { # log args...
  local log=$1
  shift
  WINEDEBUG=warn+seh wine "$p/Lumo.exe" "$@" 2>"$log" &
  pids+=($!)
  last=$!
}

start "$out/first.log"
first=$last
e2e wait-window "$title" 30000 || fail "no main window"

# The first instance's main thread sleeps for 15 s; a launch meanwhile gives up after
# the answer timeout (5 s) with the usual result instead of waiting for it.
hung=$(date +%s)
launch "$p/Lumo.exe" "$out/hang.log" /test-hang
sleep 1
begin=$(date +%s)
launch "$p/Lumo.exe" "$out/second.log" /next
took=$(($(date +%s) - begin))
[ "$took" -lt 12 ] || fail "the launch against a silent instance took ${took}s"
grep -qF "The running instance does not answer." "$out/second.log" ||
  fail "the launch did not say that the instance does not answer"
grep -qF "Exiting (Another instance is already running)" "$out/second.log" ||
  fail "the launch did not end as a second instance"
# Once awake the first instance answers again.
left=$((hung + 17 - $(date +%s)))
[ "$left" -le 0 ] || sleep "$left"
launch "$p/Lumo.exe" "$out/play.log" /play
wait_log "$out/first.log" "Main-menu command: Play"
grep -qF "Main-menu command: Next" "$out/first.log" &&
  fail "the command line of the launch that gave up was delivered"

# A worker whose job throws: its report in a message box, the program still running.
box='Unhandled exception in "Test task"'
launch "$p/Lumo.exe" "$out/task.log" /test-throw-task
e2e wait-window "$box" 30000 || fail "no report of the failed task"
text=$(e2e text "$box" 65535 | tr -d '\r')
[ "$text" = "thrown by /test-throw-task" ] || fail "the task report says '$text'"
e2e close "$box"
launch "$p/Lumo.exe" "$out/after-task.log" /stop
wait_log "$out/first.log" "Main-menu command: Stop"

# Code under a window procedure throws: the crash handler ends the program with 0.
launch "$p/Lumo.exe" "$out/throw.log" /test-throw
wait_exit "$first"
wait_log "$out/first.log" "Internal error: Unhandled exception in the instance window: thrown by /test-throw"
[ -f "$profile/failure-1.dmp" ] || fail "no failure-1.dmp after the throwing window procedure"
[ "$(head -c 4 "$profile/failure-1.dmp")" = MDMP ] || fail "failure-1.dmp is no minidump"

trap - EXIT
echo "boundaries: ok"
