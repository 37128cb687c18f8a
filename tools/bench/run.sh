#!/bin/bash
# Builds the optimised native tree and runs every benchmark. A benchmark "X" measured
# beside a reference "X_reference" (an outside tool doing the same work in the same
# run) gets a line "X: N.NN x the reference" (above 1 = faster than the reference).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
cmake --preset native-release >/dev/null
cmake --build --preset native-release -j2 >/dev/null

run() {  # benchmark program name
  local json
  json=$(mktemp)
  "build/native-release/bench/$1" --benchmark_out="$json" --benchmark_out_format=json
  python3 - "$json" <<'PY'
import json, sys
runs = {b["name"].split("/")[0]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
for name, b in runs.items():
    ref = runs.get(name + "_reference")
    if ref:
        print(f"{name}: {ref['real_time'] / b['real_time']:.2f} x the reference")
PY
  rm -f "$json"
}

run bench_pcm_decode
