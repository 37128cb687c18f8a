# Shared set-up for the whole-program tests: $1 is the folder of the built programs,
# $2 a scratch folder for this test (screenshots and profiles land there).
set -euo pipefail
bin=$1
out=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../../scripts/wine-env.sh"
"$here/../../scripts/wine-env.sh" start
rm -rf "$out"
mkdir -p "$out"

fail() { echo "FAIL: $*" >&2; exit 1; }

e2e() { wine "$bin/lumo-e2e.exe" "$@"; }

# A launch that must end by itself, with exit code 0.
launch() { # exe log args...
  local exe=$1 log=$2 code=0
  shift 2
  WINEDEBUG=warn+seh timeout 60 wine "$exe" "$@" 2>"$log" || code=$?
  [ "$code" -eq 0 ] || fail "'$*' exited with $code"
}

# Waits until the debug output in a log holds a text.
wait_log() { # log text
  for _ in $(seq 1 300); do
    grep -qF "$2" "$1" && return 0
    sleep 0.1
  done
  fail "'$2' never appeared in $1"
}

wait_exit() { # pid: its exit code must be 0
  local code=0
  wait "$1" || code=$?
  [ "$code" -eq 0 ] || fail "an instance exited with $code"
}

screenshot() { # name -> path of the PNG
  local png=$out/$1.png
  import -window root "$png"
  echo "$png"
}
