#!/usr/bin/env bash
# Builds the optimised native preset and runs each benchmark, printing the ratio of each
# measured case to its hand-written reference from the same run.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset native-release >/dev/null
cmake --build --preset native-release -j2 >/dev/null
bench_dir=build/native-release/bench

# Runs one benchmark program and prints measured / reference for the named pair.
ratio() {
  local program=$1 reference=$2 measured=$3
  local json
  json=$("$bench_dir/$program" --benchmark_format=json --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true 2>/dev/null)
  python3 -c '
import json, sys
data = json.load(sys.stdin)
times = {b["run_name"]: b["cpu_time"] for b in data["benchmarks"] if b.get("aggregate_name") == "median"}
ref, got = times[sys.argv[1]], times[sys.argv[2]]
unit = data["benchmarks"][0]["time_unit"]
print(f"{sys.argv[2]}: {got:.2f} {unit} CPU, reference {sys.argv[1]}: {ref:.2f} {unit}, ratio {got / ref:.2f}x")
' "$reference" "$measured" <<<"$json"
}

ratio bench_title_format BM_hand_built_strings BM_title_format_scripts
