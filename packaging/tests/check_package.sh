#!/usr/bin/env bash
# Builds the Debian package and checks what it installs: the file list, the
# links, the catalogues byte for byte, the help, the icon sizes, the desktop
# entry and AppStream metadata (with their validators), the control fields
# and lintian. Also checks a plain `cmake --install` into another prefix.
#   check_package.sh <build dir> <source dir> <version>
set -euo pipefail
build="$1" source="$2" version="$3"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/package_common.sh"

work="$(mktemp -d "${TMPDIR:-/tmp}/snipora-package.XXXXXX")"
trap 'rm -rf "$work"' EXIT
snipora_build_package "$build" "$version" "$work"
app_id=org.tessaly.Snipora

# ---- the file list, exactly: a stray or missing file fails
help_pages="$(sed -n '/^\[FILES\]/,/^\[/p' "$source/help/Help.hhp" | grep -v '^\[' | tr -d '\r' | sed '/^$/d')"
{
    echo "usr/bin/snipora"
    for f in snipora snipora-preview.so presets.xml codecs.xml Help.chm ffmpeg ffprobe snipora_de.qm snipora_fr.qm; do echo "usr/lib/snipora/$f"; done
    for page in $help_pages; do echo "usr/lib/snipora/help/$page"; done
    echo "usr/share/applications/$app_id.desktop"
    echo "usr/share/metainfo/$app_id.metainfo.xml"
    echo "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
    for size in 16 32 48 64 128 256; do echo "usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"; done
    echo "usr/share/man/man1/snipora.1.gz"
    echo "usr/share/doc/snipora/copyright"
    echo "usr/share/doc/snipora/changelog.gz"
} | sort >"$work/expected.txt"
(cd "$ROOT" && find . ! -type d | sed 's|^\./||' | sort) >"$work/actual.txt"
if ! diff -u "$work/expected.txt" "$work/actual.txt"; then
    fail "the package's file list differs from the expected one (- expected, + packaged)"
fi

empty_dirs="$(cd "$ROOT" && find . -type d -empty)"
[ -z "$empty_dirs" ] || fail "the package holds empty folders: $empty_dirs"

# ---- links: relative, and resolving to the program and the system encoder
lib="$ROOT/usr/lib/snipora"
[ "$(readlink "$ROOT/usr/bin/snipora")" = "../lib/snipora/snipora" ] \
    || fail "usr/bin/snipora links to '$(readlink "$ROOT/usr/bin/snipora")'"
[ "$(readlink "$lib/ffmpeg")" = "../../bin/ffmpeg" ] || fail "the ffmpeg link points to '$(readlink "$lib/ffmpeg")'"
[ "$(readlink "$lib/ffprobe")" = "../../bin/ffprobe" ] || fail "the ffprobe link points to '$(readlink "$lib/ffprobe")'"
[ -f "$lib/snipora" ] && [ ! -L "$lib/snipora" ] && [ -x "$lib/snipora" ] || fail "the program is not an executable file"
# The preview module brings FFmpeg's libraries and Qt Multimedia (for the
# sound) at the first video; the program itself must not need them, or every
# start-up pays for loading them.
if readelf -d "$lib/snipora" | grep -q 'NEEDED.*Multimedia'; then
    fail "the program links Qt Multimedia itself: $(readelf -d "$lib/snipora" | grep 'NEEDED.*Multimedia')"
fi
if readelf -d "$lib/snipora" | grep -q 'NEEDED.*libavcodec'; then
    fail "the program links FFmpeg's decoders itself"
fi
for needed in libQt6Multimedia libavformat libavcodec libswscale libswresample; do
    readelf -d "$lib/snipora-preview.so" | grep -q "NEEDED.*$needed" \
        || fail "the preview module does not link $needed"
done

# ---- the program folder's data, byte for byte
cmp "$source/format/catalogue/presets.xml" "$lib/presets.xml" || fail "presets.xml differs from the source"
cmp "$source/format/catalogue/codecs.xml" "$lib/codecs.xml" || fail "codecs.xml differs from the source"
grep -q $'\r$' "$lib/presets.xml" || fail "presets.xml lost its CR LF line ends"
for page in $help_pages; do
    cmp "$source/help/$page" "$lib/help/$page" || fail "help page $page differs from the source"
done
[ "$(head -c 4 "$lib/Help.chm")" = "ITSF" ] || fail "Help.chm has no ITSF header"
[ "$(stat -c %s "$lib/Help.chm")" -gt 4096 ] || fail "Help.chm is too small to hold the pages"
for language in de fr; do
    [ "$(head -c 16 "$lib/snipora_$language.qm" | od -An -tx1 | tr -d ' \n')" = "3cb86418caef9c95cd211cbf60a1bddd" ] \
        || fail "snipora_$language.qm is not a compiled translation"
done

# ---- icons: each PNG has the size its folder names (IHDR width and height)
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'; }
for size in 16 32 48 64 128 256; do
    png="$ROOT/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "$png is not a PNG"
    [ "$(png_size "$png")" = "${size}x${size}" ] || fail "$png is $(png_size "$png"), not ${size}x${size}"
done

# ---- desktop entry and AppStream metadata
desktop="$ROOT/usr/share/applications/$app_id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Exec=snipora %f' "$desktop" || fail "the desktop entry does not start 'snipora %f'"
grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry does not name the icon $app_id"
grep -qx 'Categories=AudioVideo;Video;AudioVideoEditing;' "$desktop" || fail "the desktop entry's categories"
for language in de fr; do
    grep -q "^Comment\[$language\]=" "$desktop" || fail "the desktop entry has no Comment[$language]"
done
metainfo="$ROOT/usr/share/metainfo/$app_id.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" \
    || fail "the metainfo does not launch $app_id.desktop"
for language in de fr; do
    grep -q "<summary xml:lang=\"$language\">" "$metainfo" || fail "the metainfo has no $language summary"
done
grep -q '<image>https\?://[^<]*/snipora-main\.png</image>' "$metainfo" || fail "the metainfo carries no screenshot"

# ---- the version is the same everywhere
newest_release="$(grep -o '<release version="[^"]*"' "$metainfo" | head -1 | cut -d'"' -f2)"
[ "$newest_release" = "$version" ] || fail "the metainfo's newest release is $newest_release, the project is $version"
changelog_version="$(zcat "$ROOT/usr/share/doc/snipora/changelog.gz" | head -1 | sed -n 's/^snipora (\([^)]*\)).*/\1/p')"
[ "$changelog_version" = "$version" ] || fail "the changelog's top entry is $changelog_version, the project is $version"

# ---- control fields
field() { dpkg-deb -f "$DEB" "$1"; }
[ "$(field Package)" = snipora ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Section)" = video ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Description | head -1)" != "" ] || fail "no Description"
depends="$(field Depends)"
for pkg in ffmpeg libqt6widgets6 libqt6multimedia6 libavformat59 libavcodec59 libswscale6 qt6-translations-l10n; do
    echo "$depends" | tr ',' '\n' | sed 's/^ *//' | grep -q "^$pkg\( \|$\)" || fail "Depends lacks $pkg: $depends"
done

# ---- lintian: no errors (warnings are printed for the record)
lintian --fail-on error --tag-display-limit 0 "$DEB" || fail "lintian reports errors"

# ---- cmake --install into another prefix: the links still resolve
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; fail "cmake --install"; }
[ "$(readlink -f "$prefix/bin/snipora")" = "$(readlink -f "$prefix/lib/snipora/snipora")" ] \
    || fail "bin/snipora does not resolve to the program under another prefix"
[ "$(readlink -m "$prefix/lib/snipora/ffmpeg")" = /usr/bin/ffmpeg ] \
    || fail "the ffmpeg link resolves to $(readlink -m "$prefix/lib/snipora/ffmpeg") under another prefix"

echo "package $(basename "$DEB"): all checks passed"
