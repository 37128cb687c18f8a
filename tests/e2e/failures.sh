# When things go wrong: crash dumps land in the profile folder numbered without
# overwriting; a read-only profile is left exactly as it was (no lock file, no dump, no
# configuration); a profile folder that cannot be made stops start-up with a message.
. "$(dirname "$0")/common.sh"

title="Lumo Audio Player"
p=$out/p
mkdir -p "$p"
cp "$bin/Lumo.exe" "$p/"
: >"$p/Lumo.exe.localconfig.opt"
profile=$p/lumo-configuration

crash() { # the crash ends the program with exit code 0
  local code=0
  timeout 60 wine "$p/Lumo.exe" /test-crash 2>/dev/null || code=$?
  [ "$code" -eq 0 ] || fail "a crash exited with $code"
}

crash
[ -f "$profile/failure-1.dmp" ] || fail "the first crash wrote no failure-1.dmp"
[ "$(head -c 4 "$profile/failure-1.dmp")" = MDMP ] || fail "failure-1.dmp is no minidump"
sum=$(md5sum <"$profile/failure-1.dmp")
crash
[ -f "$profile/failure-2.dmp" ] || fail "the second crash wrote no failure-2.dmp"
[ "$(md5sum <"$profile/failure-1.dmp")" = "$sum" ] || fail "failure-1.dmp was overwritten"

# A read-only profile folder.
r=$out/r
mkdir -p "$r/lumo-configuration"
cp "$bin/Lumo.exe" "$r/"
: >"$r/Lumo.exe.localconfig.opt"
# Wine shows a folder without write permission bits as read-only. The tests run as root,
# who may write there anyway, so anything written would show.
chmod a-w "$r/lumo-configuration"
wine "$r/Lumo.exe" 2>/dev/null &
lumo=$!
trap 'kill $lumo 2>/dev/null || true' EXIT
e2e wait-window "$title" 30000 || fail "no window with a read-only profile"
[ ! -e "$r/lumo-configuration/running" ] || fail "a read-only profile got a lock file"
e2e close "$title"
code=0
wait $lumo || code=$?
trap - EXIT
[ "$code" -eq 0 ] || fail "the program exited with $code"
code=0
timeout 60 wine "$r/Lumo.exe" /test-crash 2>/dev/null || code=$?
[ "$code" -eq 0 ] || fail "a crash with a read-only profile exited with $code"
left=$(ls -A "$r/lumo-configuration")
[ -z "$left" ] || fail "the read-only profile was written to: $left"
chmod u+w "$r/lumo-configuration"

# A file where the profile folder should be: a message box, then exit code -1.
f=$out/f
mkdir -p "$f"
cp "$bin/Lumo.exe" "$f/"
: >"$f/Lumo.exe.localconfig.opt"
: >"$f/lumo-configuration"
wine "$f/Lumo.exe" 2>/dev/null &
lumo=$!
trap 'kill $lumo 2>/dev/null || true' EXIT
e2e wait-window "Lumo encountered an error" 30000 || fail "no message about the profile folder"
e2e close "Lumo encountered an error"
code=0
wait $lumo || code=$?
trap - EXIT
[ "$code" -eq 255 ] || fail "a failed start-up exited with $code, not -1"
# Quiet mode says it on the debug output only.
code=0
WINEDEBUG=warn+seh timeout 60 wine "$f/Lumo.exe" /quiet 2>"$out/quiet.log" || code=$?
[ "$code" -eq 255 ] || fail "a failed quiet start-up exited with $code, not -1"
grep -qF "Initialization failure : Could not create profile directory" "$out/quiet.log" ||
  fail "the quiet failure was not reported on the debug output"
echo "failures: ok"
