#!/usr/bin/env bash
# Installs the Debian packages Zelmora needs to build, run and test.
# Idempotent and non-interactive: safe in CI with no terminal and no stdin.
set -euo pipefail

packages=(
  g++ cmake ninja-build make
  libsundials-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  libglu1-mesa-dev libgl-dev
  xvfb xauth openbox
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2
  libuemf-dev
  locales
  clang libclang-rt-14-dev
)
# Extra packages may be asked for by name (e.g. nwchem to regenerate fixtures).
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if [ ${#missing[@]} -ne 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq </dev/null
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi

# The locale-independence tests need a comma-decimal locale.
if ! locale -a 2>/dev/null | grep -qixE 'de_DE\.utf-?8'; then
  echo "Generating locale de_DE.UTF-8"
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8 </dev/null
fi
