#!/usr/bin/env bash
# Installs the Debian packages Vantrel builds and tests with (root or sudo).
set -euo pipefail
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  g++ cmake ninja-build pkg-config \
  qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins libsodium-dev \
  qt6-translations-l10n clang-format desktop-file-utils appstream libxml2-utils fonts-dejavu-core xvfb xauth >/dev/null
