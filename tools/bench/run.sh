#!/bin/bash
# Builds the optimised native tree and runs every benchmark; each prints its ratios
# against the reference it measures in the same run.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset native-release >/dev/null
cmake --build --preset native-release -j2
bench=build/native-release/bench

"$bench/bench_track_info"
