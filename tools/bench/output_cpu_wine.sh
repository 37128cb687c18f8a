#!/usr/bin/env bash
# CPU time of lumo-inspect.exe playing a quiet tone through DirectSound under Wine, per
# thread, over a stretch of steady playback. The output's own share is its worker thread
# (the process's second thread); the main thread generates the tone and writes it.
# usage: tools/bench/output_cpu_wine.sh [SECONDS]   (build the windows preset first)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
"$root/scripts/wine-env.sh" start
seconds=${1:-20}
exe="$root/build/windows/bin/lumo-inspect.exe"
wine "$exe" tone --lead-in 1 --seconds $((seconds + 6)) --level -60 >/dev/null &
sleep 4
pid=$(pgrep -f "^$exe tone" | head -1)
[ -n "$pid" ] || { echo "lumo-inspect.exe did not start" >&2; exit 1; }
snapshot() { for t in /proc/"$pid"/task/*; do echo "$(basename "$t") $(cat "$t/comm") $(awk '{print $14 + $15}' "$t/stat")"; done; }
before=$(snapshot)
sleep "$seconds"
after=$(snapshot)
wait
tck=$(getconf CLK_TCK)
python3 - "$seconds" "$tck" <<PY
import sys
seconds, tck = float(sys.argv[1]), float(sys.argv[2])
before = {l.split()[0]: (l.split()[1], int(l.split()[2])) for l in """$before""".splitlines()}
after = {l.split()[0]: (l.split()[1], int(l.split()[2])) for l in """$after""".splitlines()}
total = 0
for tid in sorted(after, key=int):
    name, ticks = after[tid]
    used = (ticks - before.get(tid, (name, 0))[1]) / tck
    total += used
    print("%-8s %-16s %6.3f s CPU  %5.2f%% of one core" % (tid, name, used, 100 * used / seconds))
print("process  %6.3f s CPU over %.0f s: %.2f%% of one core, %.2f s per minute of playback"
      % (total, seconds, 100 * total / seconds, 60 * total / seconds))
PY
