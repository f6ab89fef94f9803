#!/usr/bin/env bash
# Installs what building, running and testing need (only what is missing), checks that every
# source is formatted with the project's .clang-format, builds everything with warnings as errors
# and runs every test; then builds the engine and output tests with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --tests

find app bench conventions engine output screens tests view -name '*.cpp' -o -name '*.hpp' |
  sort | xargs clang-format --dry-run --Werror

cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNURLO_WERROR=ON
cmake --build build-test
ctest --test-dir build-test --output-on-failure

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNURLO_WERROR=ON -DNURLO_SANITIZE=ON \
  -DNURLO_GUI=OFF -DNURLO_BENCH=OFF
cmake --build build-sanitize
ctest --test-dir build-sanitize --output-on-failure
