#!/usr/bin/env bash
# Runs every test of both builds from a fresh machine: installs the packages, builds the
# codec libraries for Windows (cached outside the repo), builds both trees and runs CTest
# on each. Pass "native" or "windows" to run one build only.
set -euo pipefail
cd "$(dirname "$0")/.."
which=${1:-all}
# CI may start us with a bare environment; every cache lives under LUMO_CACHE.
export HOME=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
export LUMO_CACHE=${LUMO_CACHE:-$HOME/.cache/lumo}

scripts/bootstrap.sh

status=0
if [ "$which" = all ] || [ "$which" = native ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native
  ctest --preset native || status=1
fi
if [ "$which" = all ] || [ "$which" = windows ]; then
  scripts/build-win-deps.sh >/dev/null
  cmake --preset windows >/dev/null
  cmake --build --preset windows
  ctest --preset windows || status=1
fi
exit $status
