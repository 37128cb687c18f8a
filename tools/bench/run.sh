#!/usr/bin/env bash
# Builds the optimised native preset and runs every benchmark. Within one program the
# benchmark whose name starts with "reference_" is the yardstick; every other result is
# printed as a ratio to it (time per iteration).
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset native-release >/dev/null
cmake --build --preset native-release -j2 >/dev/null
run() {
  local exe=build/native-release/bench/$1
  echo "== $1"
  "$exe" --benchmark_format=json --benchmark_min_time=0.2 2>/dev/null | python3 -c '
import json, sys
runs = json.load(sys.stdin)["benchmarks"]
ref = next((r for r in runs if r["name"].startswith("reference_")), None)
for r in runs:
    line = "%-32s %12.1f ns" % (r["name"], r["real_time"])
    if ref and r is not ref:
        line += "   x%.2f of %s" % (r["real_time"] / ref["real_time"], ref["name"])
    print(line)
'
}
run bench_language_load
