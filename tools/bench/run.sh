#!/usr/bin/env bash
# Builds the optimised native preset and runs each benchmark. Every benchmark program
# measures a reference in the same run (a benchmark whose name starts with
# "reference"); the ratio of each case to it is printed after the program's own table.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
cmake --preset native-release >/dev/null
cmake --build --preset native-release -j2 >/dev/null
bench_dir="$root/build/native-release/bench"

run_bench() {
  local name=$1
  shift
  local json
  json=$(mktemp)
  "$bench_dir/$name" --benchmark_out="$json" --benchmark_out_format=json "$@"
  python3 - "$json" <<'PY'
import json, sys
runs = [b for b in json.load(open(sys.argv[1]))["benchmarks"] if b.get("run_type") != "aggregate"]
refs = [b for b in runs if b["name"].startswith("reference")]
if refs:
    ref = refs[0]
    for b in runs:
        if b is not ref:
            print(f"ratio {b['name']} / {ref['name']}: {b['real_time'] / ref['real_time']:.2f}")
PY
  rm -f "$json"
}

run_bench bench_file_read
