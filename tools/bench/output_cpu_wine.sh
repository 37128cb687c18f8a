#!/usr/bin/env bash
# CPU time of lumo-inspect.exe playing a quiet tone through DirectSound under Wine, per
# thread, over a stretch of steady playback. The output's own share is its worker thread
# (the process's second thread); the main thread generates the tone and writes it.
# usage: tools/bench/output_cpu_wine.sh [SECONDS]   (build the windows preset first)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
"$root/scripts/wine-env.sh" start
. "$root/tools/bench/thread_cpu.sh"
seconds=${1:-20}
exe="$root/build/windows/bin/lumo-inspect.exe"
wine "$exe" tone --lead-in 1 --seconds $((seconds + 6)) --level -60 >/dev/null &
sleep 4
thread_cpu_measure "^$exe tone" "$seconds" lumo-inspect.exe
wait
