#!/bin/sh
# Makes the Debian package from a build (cpack), installs it into this
# machine with dpkg -i, checks that its files arrived and that Debian's
# triggers registered them with the MIME, icon and desktop caches, runs the
# installed thumbnailer, then removes the package with dpkg -r and checks
# that everything left again.
#
# usage: package_install.sh BUILD_DIR SAMPLE.hdr
# Skipped (77) when not root, or when a pellumir package or file is already
# on the machine: the test never touches an installation of someone else's.
set -eu
build=$1
sample=$2

if [ "$(id -u)" -ne 0 ]; then
    echo "package_install: needs root for dpkg -i; skipped"
    exit 77
fi

# One package test at a time on this machine: work trees share the dpkg
# database, and dpkg itself refuses a second run instead of waiting.
exec 9>/tmp/pellumir-package-test.lock
flock 9

work=$(mktemp -d)
installed=""
cleanup() {
    if [ -n "$installed" ]; then dpkg -r pellumir >/dev/null 2>&1 || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

files="
/usr/bin/pellumir
/usr/bin/pellumir-convert
/usr/bin/pellumir-thumbnailer
/usr/share/applications/pellumir.desktop
/usr/share/thumbnailers/pellumir.thumbnailer
/usr/share/mime/packages/pellumir.xml
/usr/share/metainfo/example.pellumir.Pellumir.metainfo.xml
/usr/share/man/man1/pellumir.1.gz
/usr/share/man/man1/pellumir-convert.1.gz
/usr/share/man/man1/pellumir-thumbnailer.1.gz
/usr/share/doc/pellumir/README.md
"
for size in 16 24 32 48 64 128 256; do
    files="$files /usr/share/icons/hicolor/${size}x${size}/apps/pellumir.png"
done

if dpkg-query -W -f='${Status}' pellumir 2>/dev/null | grep -q 'installed'; then
    echo "package_install: a pellumir package is installed already; skipped"
    exit 77
fi
for f in $files; do
    if [ -e "$f" ]; then
        echo "package_install: $f is there already; skipped"
        exit 77
    fi
done

# dpkg-shlibdeps and dpkg-deb run inside cpack.
if ! (cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1); then
    cat "$work/cpack.log" >&2
    exit 1
fi
deb=$(ls "$work"/pellumir_*.deb)
echo "package_install: $(basename "$deb")"
dpkg-deb -f "$deb" Package Version Architecture Depends Recommends

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libtiff6 libpng16-16 libc6 qt6-qpa-plugins; do
    case "$depends" in *"$library"*) ;; *) fail "Depends lacks $library: $depends" ;; esac
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "qt6-translations-l10n, fonts-wqy-microhei" ] ||
    fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"
# Everything under /usr, and no maintainer scripts: the triggers do the work.
if dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./usr/' | grep -vx '\./'; then
    fail "files outside /usr"
fi
if dpkg-deb -I "$deb" | grep -Eq ' (pre|post)(inst|rm) '; then fail "maintainer scripts"; fi

installed=yes
if ! dpkg -i "$deb" >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    exit 1
fi

for f in $files; do
    [ -f "$f" ] || fail "$f did not arrive"
done
dpkg -L pellumir >"$work/list"
for f in $files; do
    grep -qx "$f" "$work/list" || fail "dpkg -L does not list $f"
done

# The triggers of the packages that keep each cache, where they are installed.
if command -v update-mime-database >/dev/null; then
    grep -q '^image/vnd.radiance$' /usr/share/mime/types || fail "MIME cache lacks image/vnd.radiance"
    grep -q 'image/x-portable-floatmap:\*\.pfm' /usr/share/mime/globs2 || fail "MIME globs lack *.pfm"
fi
if command -v update-desktop-database >/dev/null; then
    grep -q '^image/vnd.radiance=.*pellumir.desktop' /usr/share/applications/mimeinfo.cache ||
        fail "desktop cache does not offer pellumir.desktop for image/vnd.radiance"
fi
if command -v gtk-update-icon-cache >/dev/null; then
    [ /usr/share/icons/hicolor/icon-theme.cache -nt "$work/list" ] ||
        [ /usr/share/icons/hicolor/icon-theme.cache -nt /usr/share/icons/hicolor/48x48/apps/pellumir.png ] ||
        fail "icon cache not refreshed"
    grep -q pellumir /usr/share/icons/hicolor/icon-theme.cache || fail "icon cache lacks pellumir"
fi

# The installed programs run with what the package depends on.
/usr/bin/pellumir-thumbnailer -s 64 "$sample" "$work/thumbnail.png" || fail "installed thumbnailer"
[ -s "$work/thumbnail.png" ] || fail "no thumbnail written"
/usr/bin/pellumir-convert --info "$sample" >/dev/null || fail "installed converter"
# The installed pages, now that they find each other, are clean of every
# lint message, style included.
for page in pellumir pellumir-convert pellumir-thumbnailer; do
    mandoc -T lint "/usr/share/man/man1/$page.1.gz" || fail "mandoc -T lint $page.1.gz"
done

if ! dpkg -r pellumir >"$work/remove.log" 2>&1; then
    cat "$work/remove.log" >&2
    exit 1
fi
installed=""

for f in $files; do
    [ ! -e "$f" ] || fail "$f is still there"
done
if dpkg-query -W -f='${Status}' pellumir 2>/dev/null | grep -q 'installed'; then
    fail "dpkg still lists pellumir as installed"
fi
if command -v update-mime-database >/dev/null && grep -q '^image/vnd.radiance$' /usr/share/mime/types; then
    fail "MIME cache still has image/vnd.radiance"
fi
if command -v update-desktop-database >/dev/null && grep -q pellumir.desktop /usr/share/applications/mimeinfo.cache; then
    fail "desktop cache still names pellumir.desktop"
fi

exit $failed
