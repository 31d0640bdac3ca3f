# Sourced by the package checks: builds the .deb from a configured and built
# tree into a temporary folder and unpacks it there.
#   snipora_build_package <build dir> <version> <work dir>
# sets DEB (the package file) and ROOT (the unpacked tree).
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

snipora_build_package() {
    local build="$1" version="$2" work="$3"
    local arch
    arch="$(dpkg --print-architecture)"
    if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
        cat "$work/cpack.log" >&2
        fail "cpack could not build the package"
    fi
    DEB="$work/out/snipora_${version}_${arch}.deb"
    [ -f "$DEB" ] || { ls -l "$work/out" >&2; fail "no package named $(basename "$DEB")"; }
    ROOT="$work/root"
    dpkg-deb -x "$DEB" "$ROOT"
}
