#!/bin/bash
# The Debian package as `make package` builds it: files, fields, programs, manual pages, desktop
# entries and lintian's verdict.
# Usage: package_check.sh SOURCE_DIR WORK_DIR VERSION
set -euo pipefail
source_dir=$1
work=$2
version=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

mkdir -p "$work"
deb=$("$source_dir/packaging/build_deb.sh" "$source_dir" "$work/build" 2 2>"$work/build.log") ||
    { cat "$work/build.log" >&2; fail "the package was not built"; }
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "pixeltools_${version}_${arch}.deb" ] || fail "package named $deb"

# Every file, and nothing else (no test programs, no libraries), owned by root.
share=./usr/share
expected=$(printf '%s\n' ./usr/bin/{bmp2bi,pixeltools-converter,pixeltools-viewer} \
    $share/applications/pixeltools-{converter,viewer}.desktop \
    $share/doc/pixeltools/{changelog.gz,copyright} \
    $share/icons/hicolor/{48x48/apps/pixeltools.png,scalable/apps/pixeltools.svg} \
    $share/man/man1/{bmp2bi,pixeltools-converter,pixeltools-viewer}.1.gz \
    $share/mime/packages/pixeltools.xml)
listing=$(dpkg-deb -c "$deb")
files=$(awk '$1 !~ /^d/ { print $6 }' <<<"$listing" | sort)
[ "$files" = "$expected" ] || fail "the package holds:"$'\n'"$files"
! awk '$2 != "root/root"' <<<"$listing" | grep . || fail "files not owned by root"

# No installed name is one another package uses. Without apt-file there is no asking the archive
# who ships a path, so the names known to be taken are listed (/usr/bin/viewer is embree-tools';
# converter is as generic), and the packages installed here are asked with dpkg -S.
taken=(viewer converter)
for file in $files; do
    name=$(basename "$file")
    for other in "${taken[@]}"; do
        [[ "$name" != "$other" && "$name" != "$other".* ]] ||
            fail "$file is a name another package uses"
    done
    [[ "$file" == ./usr/share/doc/pixeltools/* ]] && continue
    ! owner=$(dpkg -S "${file#.}" 2>/dev/null) || [[ "$owner" == pixeltools:* ]] ||
        fail "${file#.} belongs to $owner"
done

# The dependencies come from the binaries, versions included.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package) $(field Version) $(field Architecture) $(field Section)" = \
  "pixeltools $version $arch graphics" ] || fail "control fields: $(dpkg-deb -f "$deb")"
for library in libc6 libsdl2-2.0-0 libgtk-3-0 libstdc++6 libwebp7 libwebpdemux2 libtiff6 libheif1 \
               libexif12; do
    [[ ", $(field Depends)," =~ ", $library (>= "[^\)]+")," ]] ||
        fail "Depends lacks $library: $(field Depends)"
done

root=$work/root
rm -rf "$root" "$work/convert" && dpkg -x "$deb" "$root" && mkdir "$work/convert"
# Installed under the package's prefix, the programs still call themselves by their short names.
for program in bmp2bi pixeltools-converter pixeltools-viewer; do
    said=$("$root/usr/bin/$program" --version) || fail "$program --version failed"
    [ "$said" = "${program#pixeltools-} $version" ] || fail "$program --version says '$said'"
    page=$root/usr/share/man/man1/$program.1.gz
    shown=$(MANWIDTH=80 man -l "$page" 2>&1)
    grep -q "^NAME" <<<"$shown" && grep -Eq "^ +$program +- " <<<"$shown" ||
        fail "man $program: $shown"
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man $program warns: $warnings"
done

# The packaged bmp2bi converts a 1 x 1 BMP: 54 bytes of headers, blue 16, green 32, red 48, pad.
bmp='BM\x3a\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0\0\0\0\0\x04\0\0\0'
bmp+='\x13\x0b\0\0\x13\x0b\0\0\0\0\0\0\0\0\0\0\x10\x20\x30\0'
printf "$bmp" >"$work/convert/t.bmp"
# libheif and libtiff (with their codecs) are opened when a file of theirs comes, not at every start.
for program in bmp2bi pixeltools-viewer pixeltools-converter; do
    needed=$(readelf -d "$root/usr/bin/$program" | grep NEEDED)
    ! grep -E 'libheif|libtiff' <<<"$needed" || fail "$program loads libheif or libtiff at its start"
done
"$root/usr/bin/bmp2bi" -q "$work/convert/t.bmp" || fail "the packaged bmp2bi did not convert"
[ "$(cat "$work/convert/Rest.bi")" = $'Rest_bi:\r\nData 1\r\nData 1\r\nData 255, 48, 32,16\r' ] ||
    fail "the packaged bmp2bi wrote: $(od -c "$work/convert/Rest.bi")"

# Both entries pass desktop-file-validate without a word (hints too), name the icon, and it is
# there in both sizes.
for entry in pixeltools-converter pixeltools-viewer; do
    file=$root/usr/share/applications/$entry.desktop
    problems=$(desktop-file-validate "$file" 2>&1) && [ -z "$problems" ] ||
        fail "$entry.desktop: $problems"
    grep -qx "Icon=pixeltools" "$file" || fail "$entry.desktop names no icon pixeltools"
done
icons=$root/usr/share/icons/hicolor
file -b "$icons/48x48/apps/pixeltools.png" | grep -q "PNG image data, 48 x 48" ||
    fail "the PNG icon is not 48 x 48"
grep -q '^<svg .*viewBox="0 0 48 48"' "$icons/scalable/apps/pixeltools.svg" ||
    fail "the SVG icon is no 48 x 48 drawing"

lintian --fail-on error,warning "$deb" || fail "lintian found errors or warnings"
echo "package: $deb"
