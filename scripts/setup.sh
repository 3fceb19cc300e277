#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the GUI checks need.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
    cmake ninja-build pkg-config g++ lld clang-format patch
    juce-modules-source
    libasound2-dev libfreetype-dev libfontconfig1-dev fonts-dejavu-core
    libx11-dev libxrandr-dev libxinerama-dev libxcursor-dev libxcomposite-dev libxext-dev
    libpng-dev libjpeg-dev zlib1g-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool x11-utils imagemagick
    desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
