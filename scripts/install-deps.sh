#!/usr/bin/env bash
# Installs what Nurlo needs to build, run and test on Debian 12, and nothing when all is there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang-format
  qt6-base-dev qt6-base-private-dev qt6-qpa-plugins qt6-charts-dev
  libgtest-dev libbenchmark-dev libpcg-cpp-dev
  libfftw3-dev libeigen3-dev
  fonts-cherrybomb fonts-crosextra-carlito fonts-dejavu-core
  xvfb xauth xdotool xclip imagemagick libx11-dev libxfixes-dev libxdamage-dev inotify-tools locales
)
# The exact discrete solution comes from FFTW's sine transforms (libfftw3-dev); the tests check it
# against a sparse direct solve of Eigen's (libeigen3-dev, headers only).
# Octave runs the result scripts in the tests; its recommendations are a desktop's worth.
lean_packages=(octave gnuplot-nox fonts-freefont-otf)

missing() {
  local wanted=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || wanted+=("$package")
  done
  echo "${wanted[@]}"
}

sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

need=$(missing "${packages[@]}")
need_lean=$(missing "${lean_packages[@]}")
if [ -n "$need$need_lean" ]; then
  export DEBIAN_FRONTEND=noninteractive
  sudo_if_needed apt-get update -qq
  [ -z "$need" ] || sudo_if_needed apt-get install -y -qq $need
  [ -z "$need_lean" ] || sudo_if_needed apt-get install -y -qq --no-install-recommends $need_lean
fi

# A locale with a decimal comma, so that the tests can show that numbers keep their point.
if ! locale -a 2>/dev/null | grep -qi '^it_IT\.utf-\?8$'; then
  sudo_if_needed sed -i 's/^# *\(it_IT.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  sudo_if_needed locale-gen >/dev/null
fi
