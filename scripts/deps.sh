# Sourced by scripts/run and scripts/test: installs the Debian packages Snipora
# needs, only those dpkg says are missing, so a second run costs nothing.
snipora_install_deps() {
    local wanted=(
        build-essential cmake ninja-build pkg-config
        qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-qpa-plugins
        libqt6multimedia6 libgl-dev
        libavformat-dev libavcodec-dev libavfilter-dev libswscale-dev libswresample-dev libavutil-dev
        ffmpeg fonts-dejavu-core
        dbus-daemon
        fp-utils dpkg-dev lintian desktop-file-utils appstream
        clang-14 libclang-rt-14-dev
        qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
    )
    local missing=()
    local pkg
    for pkg in "${wanted[@]}"; do
        dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# snipora_configure_build <build folder> [more cmake options...]
snipora_configure_build() {
    local build_dir="$1"
    shift
    cmake -S "$SNIPORA_ROOT" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
    cmake --build "$build_dir" --parallel "$(nproc)"
}
