#!/bin/sh
# vantor convert with many inputs and --out: the same bytes as converting one
# file at a time, a failing file reported while the others still convert, and
# an exit status that says so. Arguments: the vantor tool, the BMP sample folder,
# a scratch folder.
set -u
vantor=$1 samples=$2 work=$3
rm -rf "$work" && mkdir -p "$work/in" "$work/together" "$work/alone" "$work/mixed" || exit 1
for f in im_1bit im_4bit im_8bit im_24bit im_rle8 im_v5_24bit; do
    cp "$samples/$f.bmp" "$work/in/$f.bmp" || exit 1
done
fail() { echo "FAIL: $*"; exit 1; }

for type in 2 9 13; do
    files=$(ls "$work/in"/*.bmp)
    [ "$type" = 13 ] && files="$work/in/im_24bit.bmp $work/in/im_rle8.bmp $work/in/im_v5_24bit.bmp"
    rm -f "$work/together"/* "$work/alone"/*
    # shellcheck disable=SC2086
    "$vantor" convert --type "$type" $files --out "$work/together" || fail "type $type: status $?"
    for f in $files; do
        name=$(basename "$f" .bmp)
        ext=$(cd "$work/together" && ls "$name".* | sed 's/.*\.//')
        [ -n "$ext" ] || fail "type $type: no output for $name"
        "$vantor" convert "$f" "$work/alone/$name.$ext" --type "$type" || fail "type $type: alone $name"
        cmp "$work/together/$name.$ext" "$work/alone/$name.$ext" || fail "type $type: $name differs"
    done
done

# A file that is no picture among good ones: reported by name, status 1, the rest converted.
printf 'not a picture' > "$work/in/broken.bmp"
"$vantor" convert --type 2 "$work/in"/*.bmp --out "$work/mixed" 2> "$work/mixed.err"
status=$?
[ "$status" = 1 ] || fail "a failing file gave status $status"
grep -q "broken.bmp" "$work/mixed.err" || fail "the failing file is not named: $(cat "$work/mixed.err")"
grep -q "1 of 7 files failed" "$work/mixed.err" || fail "no count of failures: $(cat "$work/mixed.err")"
[ "$(ls "$work/mixed" | wc -l)" = 6 ] || fail "the good files were not all converted: $(ls "$work/mixed")"
[ -e "$work/mixed/broken.pcx" ] && fail "the failing file left an output"
# Not on a terminal: no progress line.
grep -q "converted" "$work/mixed.err" && fail "progress printed to a file"

# Two inputs that would write the same output are refused before anything is written.
cp "$samples/im_8bit.bmp" "$work/im_8bit.bmp"
rm -f "$work/mixed"/*
"$vantor" convert --type 2 "$work/in/im_8bit.bmp" "$work/im_8bit.bmp" --out "$work/mixed" 2>/dev/null
[ $? = 2 ] || fail "clashing outputs were not refused"
[ -z "$(ls "$work/mixed")" ] || fail "clashing outputs wrote files"
# Without --type the output's type is not known.
"$vantor" convert "$work/in/im_8bit.bmp" --out "$work/mixed" 2>/dev/null
[ $? = 2 ] || fail "--out without --type was taken"
rm -rf "$work"
echo "ok"
