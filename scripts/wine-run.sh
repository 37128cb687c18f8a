#!/usr/bin/env bash
# Runs a Windows program under Wine in the test environment and returns its exit code.
# CMake uses it as the emulator for every Windows test executable.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
"$here/wine-env.sh" start || exit 125
exec wine "$@"
