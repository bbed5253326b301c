# Debian 12 packages Klankor needs, by purpose. Sourced by scripts/run and
# scripts/test; ensure_packages installs whatever is missing.

KLANKOR_BUILD_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libxcb1-dev libfontconfig-dev
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
    gstreamer1.0-libav gstreamer1.0-plugins-bad # AAC decoders; HLS (hlsdemux)
    gstreamer1.0-pulseaudio gstreamer1.0-alsa
    fonts-dejavu-core
    procps # pgrep: scripts/run looks for a Klankor that runs already
)

# The local radio network that the default build plays.
KLANKOR_RADIONET_PACKAGES=(icecast2 ffmpeg espeak-ng openssl python3 sox curl)

KLANKOR_TEST_PACKAGES=(
    libgtest-dev libgmock-dev
    gstreamer1.0-tools
    xvfb xauth openbox xdotool x11-utils x11-apps trayer
    dbus-daemon playerctl
    python3-dbusmock # NetworkManager and logind on a private system bus
    python3-pil # scripts/walkthrough reads its screenshots
    libx11-dev libxext-dev
    desktop-file-utils appstream clang-format
    clang-14 libclang-rt-14-dev
    imagemagick
    python3-pyatspi at-spi2-core
)

ensure_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}
