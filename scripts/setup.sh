#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, fuzz and
# benchmark. Safe to run again: packages already present are not reinstalled,
# and apt is not touched at all when nothing is missing.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config ccache make
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libhidapi-dev libudev-dev libxcb-xkb-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool trayer x11-utils
  fonts-dejavu-core fonts-wqy-microhei
  g++-mingw-w64-x86-64-posix wine64
  desktop-file-utils appstream dpkg-dev file groff-base lintian
  qt6-translations-l10n
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  echo "setup: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
