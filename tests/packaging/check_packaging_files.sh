#!/bin/sh
# Checks the desktop entry, the thumbnailer entry, the AppStream metainfo and
# the manual pages with the desktop's own validators (installed by
# scripts/install-deps).
# usage: check_packaging_files.sh SOURCE_DIR
set -eu
source_dir=$1
packaging=$source_dir/packaging
status=0

fail() {
    echo "FAIL: $*" >&2
    status=1
}

desktop-file-validate "$packaging/pellumir.desktop" || fail "desktop entry"

# AppStream: valid without looking anything up on the network; the
# screenshot it names is the README's.
appstreamcli validate --no-net "$packaging/pellumir.metainfo.xml" || fail "metainfo"
grep -q '<image[^>]*>https://[^<]*/docs/screenshot.png</image>' \
    "$packaging/pellumir.metainfo.xml" || fail "metainfo names no docs/screenshot.png"
[ -f "$source_dir/docs/screenshot.png" ] || fail "docs/screenshot.png is missing"

# Every warning and error of mandoc's lint. Its style note that a page named
# under SEE ALSO is not installed is checked by the package test, once they
# are.
for page in pellumir pellumir-convert pellumir-thumbnailer; do
    mandoc -T lint -W warning "$packaging/man/$page.1" || fail "manual page $page.1"
done

# The thumbnailer entry: the keys file managers read, and every MIME type the
# desktop entry opens (the viewer reads no type the thumbnailer cannot).
thumbnailer=$packaging/pellumir.thumbnailer
[ "$(sed -n 1p "$thumbnailer")" = "[Thumbnailer Entry]" ] || fail "thumbnailer group"
grep -qx 'TryExec=pellumir-thumbnailer' "$thumbnailer" || fail "thumbnailer TryExec"
grep -qx 'Exec=pellumir-thumbnailer -s %s %i %o' "$thumbnailer" || fail "thumbnailer Exec"
types=$(sed -n 's/^MimeType=//p' "$packaging/pellumir.desktop" | tr ';' '\n' | sed '/^$/d')
[ -n "$types" ] || fail "desktop entry has no MimeType"
for type in $types; do
    grep -q "^MimeType=\(.*;\)\{0,1\}$type;" "$thumbnailer" || fail "thumbnailer lacks $type"
done

exit $status
