#!/bin/bash
# The real program on a real X server: reelix32 runs on Xvfb, its window
# appears titled "Velmora Reelix", SPACE starts a recording and SPACE stops
# it, SIGTERM ends the program as File > Exit does (the question about the
# unsaved movie answered No), and the workspace movie it leaves is one FFmpeg
# reads with video and sound. Skipped without Xvfb, xdotool or ffprobe.
#   xvfb_record_test.sh REELIX32
set -u
exe=$1
. "$(dirname "$0")/../../cmake/xvfb_session.sh" xdotool ffprobe
fail() { echo "FAIL: $*"; [ -f "$work/program.log" ] && cat "$work/program.log"; exit 1; }

mkdir -p "$work/run" "$work/config"
(cd "$work/run" && exec env XDG_CONFIG_HOME="$work/config" "$exe" >>"$work/program.log" 2>&1) &
program=$!
pids+=("$program")

main=$(timeout 20 xdotool search --sync --onlyvisible --name '^Velmora Reelix *$' | head -n 1)
[ -n "$main" ] || { xwininfo -root -tree 2>/dev/null; fail "no 'Velmora Reelix' window"; }
echo "window $main: '$(xdotool getwindowname "$main")'"

# SPACE goes to the record button, which has the focus in the window.
xdotool windowfocus --sync "$main" 2>/dev/null
sleep 0.5
xdotool key space
sleep 2
xdotool key space
sleep 0.5

kill -TERM "$program"
# The question about the unsaved movie: No keeps nothing and lets it end.
box=$(timeout 10 xdotool search --sync --onlyvisible --name '^reelix32$' 2>/dev/null | head -n 1)
if [ -n "$box" ]; then
  xdotool windowfocus --sync "$box" 2>/dev/null
  sleep 0.3
  xdotool key n
fi
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "reelix32 did not end after SIGTERM"
wait "$program" || fail "reelix32 ended with status $?"

movie=$work/run/workspac.avi
[ -f "$movie" ] || fail "no workspac.avi"
streams=$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$movie" 2>&1)
echo "$streams" | grep -qx video || fail "workspac.avi has no readable video: $streams"
echo "$streams" | grep -qx audio || fail "workspac.avi has no readable sound: $streams"
echo "ok"
