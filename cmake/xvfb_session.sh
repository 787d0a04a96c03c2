# Sourced by the tests that run a program on a real X server. Skips the test
# (exit 77) when a tool it names is missing; otherwise makes a scratch folder
# ($work), kills what was started (pids) and removes the folder at exit, and
# starts Xvfb on a display of its own numbered by the server.
#   . xvfb_session.sh TOOL...
for tool in Xvfb "$@"; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
