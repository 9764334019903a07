#!/usr/bin/env bash
# Installs the Debian packages the project needs, when they are missing.
# clang and its runtime serve the fuzz targets and the sanitizer runs;
# poppler-utils' pdftoppm lets the tests look at the pages saved as PDF;
# qt6-translations-l10n gives Qt's own dialogs and buttons in Japanese;
# libhwy-dev holds the headers of Highway, the portable vector operations of
# the engine's lanes.
set -euo pipefail

PACKAGES=(
    g++ cmake make libhwy-dev
    clang-14 libclang-rt-14-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libgl-dev qt6-translations-l10n
    xterm fonts-noto-cjk
    xvfb xauth
    poppler-utils
    python3 python3-numpy python3-xraylib
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
