# The library of a portable copy: Lumo.exe with its ".locallibrary.opt" marker indexes
# its own folder. Files copied in while it runs reach the library, /exit writes them to
# database.dat, and the next start shows them from that file without reading any audio
# file again. Files are copied to the top level of the folder only: Wine does not report
# changes inside subfolders.
. "$(dirname "$0")/common.sh"

title="Lumo Audio Player"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT

lib=$out/portable
mkdir -p "$lib/Album" "$out/src"
cp "$bin/Lumo.exe" "$lib/"
: >"$lib/Lumo.exe.localconfig.opt"
: >"$lib/Lumo.exe.locallibrary.opt"
tone() { # file title
  sox -n -r 8000 -c 1 -b 16 "$1" synth 0.2 sine 440 2>/dev/null
  python3 - "$1" "$2" <<'PY'
import struct, sys
path, title = sys.argv[1], sys.argv[2].encode() + b"\0"
if len(title) % 2: title += b"\0"
info = b"INFO" + b"INAM" + struct.pack("<I", len(sys.argv[2]) + 1) + title
data = open(path, "rb").read() + b"LIST" + struct.pack("<I", len(info)) + info
open(path, "wb").write(data[:4] + struct.pack("<I", len(data) - 8) + data[8:])
PY
}
tone "$lib/Album/inner.wav" "Inner"
tone "$out/src/one.wav" "One"
tone "$out/src/two.wav" "Two"

start() { # log
  WINEDEBUG=warn+seh wine "$lib/Lumo.exe" 2>"$1" &
  pids+=($!)
  last=$!
}
added() { # log: tracks reported added so far (Wine prints each debug line twice)
  grep -a OutputDebugString "$1" | grep -o 'Library: [0-9]* added' |
    awk '{ n += $2 } END { print n + 0 }'
}
finish() { # pid log
  WINEDEBUG=warn+seh timeout 60 wine "$lib/Lumo.exe" /exit 2>/dev/null || fail "/exit failed"
  local code=0
  wait "$1" || code=$?
  [ "$code" -eq 0 ] || fail "Lumo.exe exited with $code"
  wait_log "$2" "Terminated normally."
}
tracks() { # the sorted "name title" pairs in database.dat
  wine "$bin/lumo-inspect.exe" library dump "$(winepath -w "$lib/lumo-configuration/database.dat")" |
    tr -d '\r' | python3 -c '
import json, sys
def walk(d, prefix):
    for f in d["files"]:
        for t in f["tracks"]:
            print(prefix + f["name"], t.get("Title", "<no info>"))
    for name, sub in d["folders"].items():
        walk(sub, prefix + name + "/")
for folder in json.load(sys.stdin)["folders"]:
    walk(folder["tree"], "")' | sort
}

start "$out/first.log"
first=$last
e2e wait-window "$title" 30000 || fail "no main window"
wait_log "$out/first.log" "Library: scanned"
for _ in $(seq 1 300); do [ "$(added "$out/first.log")" -ge 1 ] && break; sleep 0.1; done
cp "$out/src/one.wav" "$out/src/two.wav" "$lib/"
for _ in $(seq 1 300); do [ "$(added "$out/first.log")" -ge 3 ] && break; sleep 0.1; done
[ "$(added "$out/first.log")" -eq 3 ] || fail "the copied files did not reach the library"
finish "$first" "$out/first.log"

expected=$(printf '%s\n' "Album/inner.wav Inner" "one.wav One" "two.wav Two")
[ "$(tracks)" = "$expected" ] || fail "database.dat holds: $(tracks)"

# Make the audio unreadable without changing the stamps the library compares: a start
# that read any of them would lose its title.
for f in "$lib/one.wav" "$lib/two.wav" "$lib/Album/inner.wav"; do
  touch -r "$f" "$out/stamp"
  head -c 64 /dev/urandom >"$f"
  touch -r "$out/stamp" "$f"
done
start "$out/second.log"
second=$last
e2e wait-window "$title" 30000 || fail "no main window the second time"
wait_log "$out/second.log" "Library: 3 added"
wait_log "$out/second.log" "Library: scanned"
cp "$out/second.log" "$out/second-running.log"
finish "$second" "$out/second.log"
# Reading a file now would have dropped its track (the content is no audio any more);
# the tracks are only reported removed when the library closes at exit.
changes=$(grep -a OutputDebugString "$out/second-running.log" | grep -o 'Library: [0-9]* added.*' |
  grep -v "^Library: 3 added, 0 removed, 0 modified" || true)
[ -z "$changes" ] || fail "the second start changed the library: $changes"
[ "$(tracks)" = "$expected" ] || fail "database.dat after the second start holds: $(tracks)"
trap - EXIT
echo "library: ok"
