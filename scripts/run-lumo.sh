#!/usr/bin/env bash
# Builds the Windows program if needed and starts Lumo.exe under Wine: on $DISPLAY when
# there is one (until you close the window), otherwise on a virtual display, where it
# takes a screenshot, says where it is, and closes the program again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
scripts/build-win-deps.sh >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target Lumo lumo-e2e >/dev/null

had_display=${DISPLAY:-}
. scripts/wine-env.sh
scripts/wine-env.sh start
bin=$PWD/build/windows/bin
shot=$PWD/build/windows/lumo-screenshot.png

wine "$bin/Lumo.exe" "$@" &
lumo=$!
if wine "$bin/lumo-e2e.exe" wait-window "Lumo Audio Player" 30000; then
  sleep 1
  import -window root "$shot" && echo "Screenshot of the running program: $shot"
fi
if [ -z "$had_display" ]; then
  wine "$bin/lumo-e2e.exe" close "Lumo Audio Player" || kill $lumo
  wait $lumo || true
  scripts/wine-env.sh stop
else
  wait $lumo
fi
