#!/usr/bin/env bash
# Installs the build into a staging folder (as a package would lay it out
# under /usr) and checks that the programs start from there alone: every
# library they need resolves inside the stage, none from the build tree.
set -euo pipefail
build=$1 bindir=$2 libdir=$3 datadir=$4
stage=$(mktemp -d "${TMPDIR:-/tmp}/velmora-stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
root=$stage/usr
fail() { echo "staged install: $*" >&2; exit 1; }

check_program() {
    local name=$1 version
    local program=$root/$bindir/$name
    [ -x "$program" ] || fail "$name not installed"
    # Only the stage may supply our libraries.
    local missing
    missing=$(env -u LD_LIBRARY_PATH ldd "$program" | grep 'not found' || true)
    [ -z "$missing" ] || fail "$name: $missing"
    local ours resolved
    ours=$(realpath "$root/$libdir")
    env -u LD_LIBRARY_PATH ldd "$program" | grep -E 'velmora|orb1i|vantor32|img32|film32|jgew32|aolxfer' |
        sed -n 's/.*=> \([^ ]*\) .*/\1/p' | while read -r path; do
        resolved=$(realpath "$path")
        [ "${resolved#"$ours"/}" != "$resolved" ] || fail "$name takes $resolved from outside the stage"
    done
    version=$(cd "$stage" && env -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY "$program" --version)
    case "$version" in
        "$name "[0-9]*) echo "$version" ;;
        *) fail "$name --version printed '$version'" ;;
    esac
    [ -f "$root/$datadir/applications/$name.desktop" ] || fail "$name.desktop not installed"
    grep -q "^Exec=$name" "$root/$datadir/applications/$name.desktop" || fail "$name.desktop starts something else"
    [ -f "$root/$datadir/icons/hicolor/scalable/apps/$name.svg" ] || fail "$name icon not installed"
}

check_program snapvo32
[ -f "$root/$datadir/snapvo32/help/index.html" ] || fail "snapvo32 help not installed"
[ -f "$root/$datadir/snapvo32/sounds/CLICK.WAV" ] || fail "snapvo32 sounds not installed"
# The mail hand-off is opened by name at run time, so ldd cannot see it.
[ -f "$root/$libdir/libaolxfer32.so" ] || fail "the mail hand-off library is not installed"
if [ -x "$build/movie_program/reelix32" ]; then
    check_program reelix32
    [ -f "$root/$datadir/reelix32/help/index.html" ] || fail "reelix32 help not installed"
fi
echo "staged install: ok"
