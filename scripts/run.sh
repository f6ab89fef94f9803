#!/usr/bin/env bash
# Installs what building and running need (only what is missing), builds Nurlo and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DNURLO_BENCH=OFF
cmake --build build --target nurlo
exec build/app/nurlo
