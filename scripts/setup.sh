#!/usr/bin/env bash
# Installs, with apt-get, exactly the Debian packages Driftline needs to build, test and run.
# Does nothing when they are all present.
set -euo pipefail
packages=(
  g++ cmake ninja-build pkg-config
  googletest libgtest-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev fonts-dejavu-core
  xvfb xauth
  liberfa-dev libcfitsio-dev libeigen3-dev
  dpkg-dev file  # the Debian package: CPack finds its library dependencies with dpkg-shlibdeps and file
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
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
