#!/usr/bin/env bash
# Builds the optimised native preset and runs each benchmark. Every benchmark program
# measures a reference in the same run (a benchmark whose name starts with
# "reference"); the ratio of each case to it is printed after the program's own table.
# A program with several references pairs each case with the reference whose name ends
# in the same last word ("pcm_wav_16bit" with "reference_sox_16bit").
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
def base(b):
    return b["name"].split("/")[0]
if refs:
    for b in runs:
        if b in refs:
            continue
        ref = next((r for r in refs if base(r).endswith("_" + base(b).rsplit("_", 1)[-1])), refs[0])
        print(f"ratio {b['name']} / {ref['name']}: {b['real_time'] / ref['real_time']:.2f}")
PY
  rm -f "$json"
}

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

run_bench bench_file_read
run_bench bench_track_info
run_bench bench_language_load
run_bench bench_pcm_decode
run_bench bench_mpeg_decode
run_bench bench_id3_read
run_bench bench_output
run_bench bench_library_views
ratio bench_title_format BM_hand_built_strings BM_title_format_scripts
run_bench bench_library_scan
run_bench bench_library_load
run_bench bench_retag

# The playback engine in process CPU time (it decodes on its own thread): medians of
# twelve runs, the cases interleaved at random so a slow stretch of the shared machine
# falls on all of them, against the decoder alone (target: engine_render at most 1.10x),
# then 20 s of real-time playback into the null output (target: under 1% of one core).
# The ratios run on one processor: the engine decodes on its own thread, and on a shared
# virtual machine the other processor may be slower (a busy sibling), which the decoder
# alone on the main thread would never pay.
engine_bench() {
  local json pin=()
  command -v taskset >/dev/null && pin=(taskset -c 0)
  json=$("${pin[@]}" "$bench_dir/bench_playback_engine" --benchmark_format=json --benchmark_repetitions=12 \
    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
    --benchmark_filter='16bit|minute' 2>/dev/null)
  python3 -c '
import json, sys
data = json.load(sys.stdin)
cpu = {b["run_name"].split("/")[0]: b["cpu_time"] for b in data["benchmarks"] if b.get("aggregate_name") == "median"}
ref = cpu["reference_decoder_16bit"]
for name in ("engine_render_16bit", "engine_discard_16bit"):
    print(f"{name}: {cpu[name]:.1f} ms CPU, reference_decoder_16bit: {ref:.1f} ms, ratio {cpu[name] / ref:.2f}x")
' <<<"$json"
  json=$("$bench_dir/bench_playback_engine" --benchmark_format=json \
    --benchmark_filter=realtime_null_playback 2>/dev/null)
  python3 -c '
import json, sys
b = json.load(sys.stdin)["benchmarks"][0]
print("realtime_null_playback: %.2f%% of one core, %.3f s CPU per minute of playback"
      % (b["cpu_percent_of_core"], b["cpu_s_per_minute"]))
' <<<"$json"
}
engine_bench
