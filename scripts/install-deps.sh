#!/usr/bin/env bash
# Installs the Debian 12 packages the recorder, its tests and its benchmarks need, only those
# that are missing. Runs as root (or through sudo when available).
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl-dev
    libmp3lame-dev libmpg123-dev libpugixml-dev
    dbus dbus-bin xvfb xauth desktop-file-utils libglib2.0-bin
    lame mpg123 libxml2-utils
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
