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

screenshot() { # name -> path of the PNG
  local png=$out/$1.png
  import -window root "$png"
  echo "$png"
}
