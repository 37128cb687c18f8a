# Lumo.exe starts, shows its main window, and exits 0 when the window is closed.
. "$(dirname "$0")/common.sh"

wine "$bin/Lumo.exe" &
lumo=$!
trap 'kill $lumo 2>/dev/null || true' EXIT

e2e wait-window "Lumo Audio Player" 30000 || fail "the main window did not appear"
# The virtual display is black; the window's client area is painted in the window colour.
# The first paint may land a while after the window shows (a cold prefix), so poll.
for _ in $(seq 1 20); do
  sleep 0.5
  png=$(screenshot main-window)
  lit=$(convert "$png" -format '%[fx:mean>0.1]' info:)
  [ "$lit" = 1 ] && break
done
echo "screenshot: $png"
[ "$lit" = 1 ] || fail "the screenshot shows no window"

e2e close "Lumo Audio Player" || fail "could not close the main window"
code=0
wait $lumo || code=$?
trap - EXIT
[ "$code" -eq 0 ] || fail "Lumo.exe exited with $code"
echo "smoke: ok"
