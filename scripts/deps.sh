#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail
packages=(cmake ninja-build g++ clang clang-format libgtest-dev libgmock-dev googletest
          libbenchmark-dev python3 qt6-base-dev qt6-base-dev-tools libgl-dev
          libcurl4-openssl-dev libjpeg62-turbo-dev libsqlite3-dev python3-pyftpdlib
          xvfb xauth fonts-dejavu-core poppler-utils xdg-utils shared-mime-info
          libreoffice-calc-nogui qt6-translations-l10n)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
