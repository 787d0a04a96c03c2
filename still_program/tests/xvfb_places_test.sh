#!/bin/bash
# Window places on a real X server, which the offscreen tests cannot see:
# snapvo32 runs on Xvfb, first alone and then under a window manager; each
# time the main window, the viewer and the film roll are read from the server
# after a first start, after a move, and after a restart. A place is the outer
# corner of a window's frame, title bar included. Skipped without Xvfb.
#   xvfb_places_test.sh SNAPVO32
set -u
exe=$1
. "$(dirname "$0")/../../cmake/xvfb_session.sh" xdotool xwininfo xprop
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

program=
start_program() {
  (cd "$work/run" && exec env XDG_CONFIG_HOME="$work/config" "$exe" >>"$work/program.log" 2>&1) &
  program=$!
  for title in snapvo32 Viewer "Film Roll"; do
    timeout 20 xdotool search --sync --onlyvisible --name "^$title\$" >/dev/null ||
      { echo "no '$title' window"; xwininfo -root -tree; cat "$work/program.log"; exit 1; }
  done
}
# File > Exit's way out, which saves the places.
stop_program() {
  kill -TERM "$program"
  wait "$program" || fail "snapvo32 ended with status $?"
}

window_of() { xdotool search --onlyvisible --name "^$1\$" | head -n 1; }
# The window's top-level ancestor: the window manager's frame around it, or
# the window itself without one.
frame_window() {
  local id=$1 parent root
  root=$(xwininfo -root | awk '/Window id:/ {print $4}')
  while parent=$(xwininfo -tree -id "$id" | awk '/Parent window id:/ {print $4}') && [ -n "$parent" ] &&
    [ "$((parent))" != "$((root))" ]; do
    id=$parent
  done
  echo "$id"
}
# "left top width height" of the window's frame, then where the client area
# starts inside it.
frame_of() {
  local id fx fy fw fh cx cy
  id=$(window_of "$1")
  read -r fx fy fw fh <<<"$(xwininfo -id "$(frame_window "$id")" | awk -F: '
    /Absolute upper-left X/ {x = $2} /Absolute upper-left Y/ {y = $2} /Width/ {w = $2} /Height/ {h = $2}
    END {print x + 0, y + 0, w + 0, h + 0}')"
  read -r cx cy <<<"$(xwininfo -id "$id" | awk -F: '
    /Absolute upper-left X/ {x = $2} /Absolute upper-left Y/ {y = $2} END {print x + 0, y + 0}')"
  echo "$fx $fy $fw $fh $((cx - fx)) $((cy - fy))"
}
corner_of() { frame_of "$1" | cut -d' ' -f1,2; }
# The places once the window manager and the program are done moving them.
settled_places() {
  local last= now=
  for _ in $(seq 50); do
    now="$(corner_of snapvo32) / $(corner_of Viewer) / $(corner_of "Film Roll")"
    [ "$now" = "$last" ] && break
    last=$now
    sleep 0.2
  done
  echo "$now"
}

# Moves a window by (dx, dy): dragged by its title bar under a window
# manager, as a user does; moved directly without one.
move_by() {
  local title=$1 dx=$2 dy=$3 left top width _ _ ry
  read -r left top width _ _ ry <<<"$(frame_of "$title")"
  if [ "$ry" -gt 0 ]; then
    local x=$((left + width / 2)) y=$((top + ry / 2))
    [ "$y" -ge 0 ] || { fail "'$title': its title bar is above the screen, it cannot be dragged"; return; }
    xdotool windowactivate --sync "$(window_of "$title")" 2>/dev/null
    xdotool mousemove --sync "$x" "$y" sleep 0.2 mousedown 1 sleep 0.2 \
      mousemove --sync $((x + dx / 2)) $((y + dy / 2)) sleep 0.2 \
      mousemove --sync $((x + dx)) $((y + dy)) sleep 0.2 mouseup 1
  else
    xdotool windowmove --sync "$(window_of "$title")" $((left + dx)) $((top + dy))
  fi
  for _ in $(seq 50); do
    [ "$(corner_of "$title")" = "$((left + dx)) $((top + dy))" ] && return
    sleep 0.1
  done
  fail "'$title' is at $(corner_of "$title") after a move from $left $top by $dx $dy"
}

check_title_bars() {
  local mode=$1 title left top width height _ ry
  for title in snapvo32 Viewer "Film Roll"; do
    read -r left top width height _ ry <<<"$(frame_of "$title")"
    [ "$top" -ge 0 ] || fail "$mode: '$title' has its top at $top, above the screen"
    [ "$mode" = "alone" ] || [ "$ry" -gt 0 ] || fail "$mode: '$title' has no title bar"
  done
}

# The film roll is owned by the main window, so a window manager keeps it
# above the program and, when the program is minimised, minimises it too.
check_owner() {
  local mode=$1 roll main owner
  roll=$(window_of "Film Roll")
  main=$(window_of snapvo32)
  owner=$(xprop -id "$roll" WM_TRANSIENT_FOR | awk '{print $NF}')
  [[ "$owner" == 0x* ]] && [ "$((owner))" = "$main" ] ||
    fail "$mode: the film roll's owner is '$owner', not the main window ($main)"
  [ "$mode" = "alone" ] && return
  xdotool windowminimize "$main"
  for _ in $(seq 50); do
    xprop -id "$roll" WM_STATE | grep -q Iconic && return
    sleep 0.1
  done
  fail "$mode: the film roll stayed on screen when the program was minimised"
}

run_mode() {
  local mode=$1
  rm -rf "$work/run" "$work/config"
  mkdir -p "$work/run" "$work/config"

  start_program
  local first
  first=$(settled_places)
  check_title_bars "$mode"
  local main viewer roll viewerWidth clientWidth
  main=$(corner_of snapvo32)
  viewer=$(corner_of Viewer)
  roll=$(corner_of "Film Roll")
  [ "$main" = "5 5" ] || fail "$mode: first start: main window at $main, not 5 5"
  read -r _ _ viewerWidth _ _ _ <<<"$(frame_of Viewer)"
  [ "$viewer" = "$((1024 - viewerWidth - 10)) 10" ] || fail "$mode: first start: viewer at $viewer, not the top right"
  # Beside the view: 10 pixels right of its width (which the window
  # manager's frame may have narrowed since), or as near as the window manager
  # lets a window that would stand out over the screen's edge.
  local frameWidth rollLeft rollWidth
  clientWidth=$(xwininfo -id "$(window_of snapvo32)" | awk -F: '/Width/ {print $2 + 0}')
  read -r _ _ frameWidth _ _ _ <<<"$(frame_of snapvo32)"
  read -r rollLeft _ rollWidth _ _ _ <<<"$(frame_of "Film Roll")"
  [ "$rollLeft" -ge $((clientWidth + 10)) ] || [ "$((rollLeft + rollWidth))" -eq 1024 ] ||
    fail "$mode: first start: film roll at $roll, not beside the view (x $((clientWidth + 10)))"
  [ "$rollLeft" -le $((frameWidth + 10)) ] ||
    fail "$mode: first start: film roll at $roll, not beside the view (x $((frameWidth + 10)))"

  move_by "Film Roll" -380 150
  move_by snapvo32 40 60
  local moved
  moved=$(settled_places)
  [ "$(corner_of "Film Roll")" != "$roll" ] || fail "$mode: the film roll did not move from $roll"
  [ "$(corner_of snapvo32)" != "$main" ] || fail "$mode: the main window did not move from $main"
  check_title_bars "$mode"
  stop_program

  start_program
  local again
  again=$(settled_places)
  [ "$again" = "$moved" ] || fail "$mode: after a restart the places are $again, they were $moved"
  check_title_bars "$mode"
  check_owner "$mode"
  stop_program
  echo "$mode: first $first; moved $moved; restarted $again"
}

run_mode alone

if command -v openbox >/dev/null; then
  # Ready once it runs its start-up command: it then manages new windows.
  XDG_CONFIG_HOME="$work/wm" XDG_CACHE_HOME="$work/wm" \
    openbox --sm-disable --startup "touch $work/wm-ready" >"$work/openbox.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 200); do [ -e "$work/wm-ready" ] && break; sleep 0.1; done
  [ -e "$work/wm-ready" ] || { echo "openbox did not start"; cat "$work/openbox.log"; exit 1; }
  run_mode "window manager"
else
  echo "openbox is not installed: only the run without a window manager"
fi

[ "$failures" -eq 0 ] || { echo "--- the program's output"; cat "$work/program.log"; exit 1; }
echo "ok"
