#!/bin/sh
# --version and --help answer on a machine without a display: no DISPLAY,
# no Wayland, no platform chosen for Qt.
#   info_options_test.sh PROGRAM NAME VERSION
set -u
exe=$1 name=$2 version=$3
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$exe" "$@" 2>&1; }

out=$(run --version) || { echo "--version ended with status $?: $out"; exit 1; }
[ "$out" = "$name $version" ] || { echo "--version printed: $out"; exit 1; }

out=$(run --help) || { echo "--help ended with status $?: $out"; exit 1; }
case "$out" in
  "Usage: $name "*) ;;
  *) echo "--help printed: $out"; exit 1 ;;
esac
echo "ok"
