#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Zensoria need
# ("deps.sh fuzz": also what fuzzing needs; "deps.sh package": also what packaging needs;
# "deps.sh e2e": also what scripts/update-e2e.sh needs).
# Packages already present are left alone, so a second run costs almost nothing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
    libzip-dev libsodium-dev libxlsxwriter-dev openssl
    fonts-liberation2 fonts-dejavu-core
    poppler-utils
    xvfb xauth
    dpkg-dev file
    python3
    # Reading back the Excel workbook in the tests (with the system's python3).
    python3-openpyxl
    # The accessibility test: its own session and accessibility bus, the tree read by pyatspi.
    dbus-daemon at-spi2-core python3-pyatspi xdotool
    # The CSV export's test opens the file in LibreOffice Calc.
    libreoffice-calc-nogui
)
# Fuzzing (scripts/fuzz.sh) needs clang and its libFuzzer.
if [ "${1:-}" = fuzz ]; then
    packages+=(clang libclang-rt-14-dev)
fi
# The package step (scripts/package.sh) checks the Debian package with lintian.
if [ "${1:-}" = package ]; then
    packages+=(lintian)
fi
# The update's run from start to finish (scripts/update-e2e.sh) takes screenshots and packs
# the update archive.
if [ "${1:-}" = e2e ]; then
    packages+=(imagemagick zip)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update
    # Through env, since sudo drops the caller's environment.
    "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y --no-install-recommends "${missing[@]}"
fi
