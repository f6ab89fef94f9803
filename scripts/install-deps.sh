#!/usr/bin/env bash
# Installs on Debian 12 what Nurlo needs, and nothing when all is there:
#   scripts/install-deps.sh          to build the program (and its Debian package) and run it;
#   scripts/install-deps.sh --tests  also to build and run every test and benchmark.
# It uses apt-get, through sudo when not run as root.
set -euo pipefail

# Building: the compiler and tools, Qt with its charts, the random generators, and FFTW, whose
# sine transforms give the exact discrete solution; dpkg-dev and file are what `cpack -G DEB` asks
# to work out the package's dependencies.
build_packages=(
  cmake ninja-build g++ dpkg-dev file
  qt6-base-dev qt6-charts-dev libpcg-cpp-dev libfftw3-dev
)
# Running: the platform plugins that show the windows and the faces of the captions.
run_packages=(qt6-qpa-plugins fonts-cherrybomb fonts-crosextra-carlito fonts-dejavu-core)
# Testing: the format check, the test and benchmark libraries, Qt's private headers (the tests
# post window-system events), Eigen's sparse direct solve (headers only) that the exact solution
# is checked against, the validators of the desktop entry and metainfo, and an X server with the
# tools that work the real window.
test_packages=(
  clang-format libgtest-dev libbenchmark-dev qt6-base-private-dev libeigen3-dev
  desktop-file-utils appstream
  xvfb xauth xdotool xclip imagemagick libx11-dev libxfixes-dev libxdamage-dev inotify-tools locales
)
# Octave runs the result scripts in the tests; its recommendations are a desktop's worth.
lean_test_packages=(octave gnuplot-nox fonts-freefont-otf)

tests=false
case "${1:-}" in
  "") ;;
  --tests) tests=true ;;
  *) echo "usage: $0 [--tests]" >&2; exit 2 ;;
esac

missing() {
  local wanted=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || wanted+=("$package")
  done
  echo "${wanted[@]}"
}

sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

wanted=("${build_packages[@]}" "${run_packages[@]}")
lean_wanted=()
if $tests; then
  wanted+=("${test_packages[@]}")
  lean_wanted+=("${lean_test_packages[@]}")
fi
need=$(missing "${wanted[@]}")
need_lean=$(missing "${lean_wanted[@]}")
if [ -n "$need$need_lean" ]; then
  export DEBIAN_FRONTEND=noninteractive
  sudo_if_needed apt-get update -qq
  [ -z "$need" ] || sudo_if_needed apt-get install -y -qq $need
  [ -z "$need_lean" ] || sudo_if_needed apt-get install -y -qq --no-install-recommends $need_lean
fi

# A locale with a decimal comma, so that the tests can show that numbers keep their point.
if $tests && ! locale -a 2>/dev/null | grep -qi '^it_IT\.utf-\?8$'; then
  sudo_if_needed sed -i 's/^# *\(it_IT.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  sudo_if_needed locale-gen >/dev/null
fi
