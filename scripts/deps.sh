#!/usr/bin/env bash
# Installs what building, running and testing Lorvane needs on Debian 12; skips what is there.
# Arguments name the test builds to be made (scripts/test-build.sh); only `clang` adds packages.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config locales
  qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  zlib1g-dev libcups2-dev fonts-liberation2 clang-format poppler-utils
  liblz4-dev nlohmann-json3-dev desktop-file-utils
  xvfb xdotool imagemagick openbox x11-utils cups-daemon cups-client
)
# The Clang build (scripts/test-build.sh clang) needs Clang and its sanitizers' libraries besides.
for build in "$@"; do
  if [ "$build" = clang ]; then packages+=(clang libclang-rt-dev); fi
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
