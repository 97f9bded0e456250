#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Vrel need.
# Idempotent: the package lists are refreshed only when something is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev libgl1-mesa-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libxlsxwriter-dev
    libmosquitto-dev mosquitto mosquitto-clients openssl
    libpq-dev postgresql
    poppler-utils fonts-liberation
    clang libclang-rt-14-dev
    qt6-l10n-tools qt6-tools-dev qt6-svg-dev qtkeychain-qt6-dev qt6-translations-l10n
    dpkg-dev desktop-file-utils appstream shared-mime-info xdg-utils libglib2.0-bin
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
