#!/usr/bin/env bash
# Starts the unpacked package's program headless through its /usr/bin link
# with a video argument: it must find its catalogues in its own folder and
# load the video. With SNIPORA_READY_REPORT=<file> the program writes what it
# loaded (name=value lines) once the window is up and the file has loaded,
# and quits.
#   check_launch.sh <build dir> <source dir> <version>
set -euo pipefail
build="$1" source="$2" version="$3"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/package_common.sh"

work="$(mktemp -d "${TMPDIR:-/tmp}/snipora-launch.XXXXXX")"
trap 'rm -rf "$work"' EXIT
snipora_build_package "$build" "$version" "$work"

# The ffmpeg package provides /usr/bin/ffmpeg on a real system; here the
# unpacked tree gets a link to the encoder on the PATH in its place.
mkdir -p "$ROOT/usr/bin"
ln -s "$(command -v ffmpeg)" "$ROOT/usr/bin/ffmpeg"

# A 3-second clip (3.4 s of video rounds to 3 whole seconds).
clip="$work/clip with space.mkv"
ffmpeg -nostdin -v error -f lavfi -i testsrc=size=160x120:rate=25:duration=3.4 \
    -f lavfi -i sine=frequency=440:duration=3.4 -c:v libx264 -preset ultrafast -c:a aac -shortest "$clip"

# Settings, caches and the runtime folder stay in the temporary folder.
mkdir -p "$work/home" "$work/config" "$work/cache" "$work/runtime"
chmod 700 "$work/runtime"
report="$work/report.txt"
status=0
(cd "$work" && env HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" \
    XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen SNIPORA_READY_REPORT="$report" \
    timeout --kill-after=5 90 "$ROOT/usr/bin/snipora" "$clip" "an extra argument" >"$work/run.log" 2>&1) || status=$?
[ "$status" -eq 0 ] || { cat "$work/run.log" >&2; fail "the program ended with status $status (124: it did not quit)"; }
[ -f "$report" ] || { cat "$work/run.log" >&2; fail "the program wrote no report"; }

value() { sed -n "s/^$1=//p" "$report" | tr -d '\r'; }
expect() {
    [ "$(value "$1")" = "$2" ] || { cat "$report" "$work/run.log" >&2; fail "$1 is '$(value "$1")', expected '$2'"; }
}
# The program folder is the resolved one, not the folder of the /usr/bin link.
expect programDir "$(readlink -f "$ROOT/usr/lib/snipora")"
# Every preset of the shipped presets.xml, read from that folder.
expect presets "$(grep -c '<category>' "$source/format/catalogue/presets.xml")"
expect sVideoFile "$clip"
expect bNoVideo 0
expect Max 3
echo "the unpacked program loaded the video: $(tr '\n' ' ' <"$report")"
