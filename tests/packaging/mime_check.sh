#!/bin/bash
# The include files' MIME type as an installation makes it known: a converted file (plain,
# packed, yabasic's, a numbered listing) is of the type and opens with the viewer's entry; a BASIC header named .bi is not.
# xdg-mime is asked as on a GNOME desktop, where it goes through GIO and shared-mime-info (on a
# desktop it does not know it asks file(1), which reads no MIME database).
# Usage: mime_check.sh BUILD_DIR WORK_DIR      (status 77: the desktop tools are missing)
set -euo pipefail
build=$1
work=$2
for tool in xdg-mime gio update-mime-database update-desktop-database; do
    command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 77; }
done
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$work" && mkdir -p "$work/files"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
update-mime-database "$prefix/share/mime" 2>/dev/null
update-desktop-database "$prefix/share/applications" 2>/dev/null
export XDG_DATA_DIRS=$prefix/share:/usr/share XDG_DATA_HOME=$work/home XDG_CONFIG_HOME=$work/home
export XDG_CURRENT_DESKTOP=GNOME
type=text/x-pixeltools-pixel-data

cd "$work/files"
printf 'BM\x3a\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0\0\0\0\0\x04\0\0\0\x13\x0b\0\0\x13\x0b\0\0\0\0\0\0\0\0\0\0\x10\x20\x30\0' >dot.bmp
"$prefix/bin/bmp2bi" -q dot.bmp && "$prefix/bin/bmp2bi" -q --packed -o Packed.bi dot.bmp
"$prefix/bin/bmp2bi" -q --dialect yabasic -o Yabasic.bi dot.bmp
"$prefix/bin/bmp2bi" -q --dialect numbered --palette -o Numbered.bi dot.bmp
printf "' mylib.bi: declarations\r\n#ifndef MYLIB_BI\r\n#define MYLIB_BI\r\ndeclare sub draw_it()\r\n#endif\r\n" >mylib.bi
for file in Resdot.bi Packed.bi Yabasic.bi Numbered.bi; do
    got=$(xdg-mime query filetype "$file")
    [ "$got" = "$type" ] || fail "$file is of type '$got'"
done
got=$(xdg-mime query filetype mylib.bi)
[ "$got" = text/plain ] || fail "the BASIC header mylib.bi is of type '$got'"
got=$(xdg-mime query default "$type")
[ "$got" = pixeltools-viewer.desktop ] || fail "$type opens with '$got'"
echo "Resdot.bi, Packed.bi, Yabasic.bi, Numbered.bi: $type, opened by $got; mylib.bi: text/plain"
