#!/usr/bin/env bash
# Runs every test of both builds from a fresh machine: installs the packages, builds the
# codec libraries for Windows (cached outside the repo), builds both trees and runs CTest
# on each. Pass "native" or "windows" to run one build only. The native run also checks
# the formatting, builds the fuzz targets (built, not run: they must not rot unnoticed)
# and runs the threaded tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
which=${1:-all}
# CI may start us with a bare environment; every cache lives under LUMO_CACHE.
export HOME=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
export LUMO_CACHE=${LUMO_CACHE:-$HOME/.cache/lumo}

scripts/bootstrap.sh

# Four trees are built (native, ThreadSanitizer, fuzz, Windows); compiled objects are kept
# between runs in the cache folder, keyed by content, so an unchanged file costs nothing.
if command -v ccache >/dev/null; then
  export CCACHE_DIR=${CCACHE_DIR:-$LUMO_CACHE/ccache} CCACHE_BASEDIR=$PWD
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi

status=0
if [ "$which" = all ] || [ "$which" = native ]; then
  # Style cannot drift: every C++ file under src/, tests/ and tools/ as .clang-format says.
  if ! git ls-files -z -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tools/*.cpp' 'tools/*.h' |
    xargs -0 clang-format --dry-run -Werror; then
    echo "test.sh: formatting differs from .clang-format (run clang-format -i on the files above)" >&2
    status=1
  fi
  cmake --preset native >/dev/null
  cmake --build --preset native
  ctest --preset native || status=1
  cmake --preset native-tsan >/dev/null
  cmake --build --preset native-tsan
  ctest --preset native-tsan || status=1
  cmake --preset native-fuzz >/dev/null
  cmake --build --preset native-fuzz
fi
if [ "$which" = all ] || [ "$which" = windows ]; then
  scripts/build-win-deps.sh >/dev/null
  cmake --preset windows >/dev/null
  cmake --build --preset windows
  ctest --preset windows || status=1
fi
exit $status
