#!/usr/bin/env bash
# Runs one point click in fast mode (bench/point_click.cpp) per process for each domain and size,
# and prints a Markdown table of its time and peak resident memory.
#
# Usage: bench/point_click.sh NURLO_POINT_CLICK [SIZE...]
# Best with a Release build:
#   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
#   ninja -C build-release nurlo_point_click
#   bench/point_click.sh build-release/bench/nurlo_point_click 1000 2000 4000 8000 16000 32766
set -euo pipefail

exe=$1
shift
sizes=("$@")
if [ ${#sizes[@]} -eq 0 ]; then
  sizes=(1000 2000 4000 8000 16000 32766)
fi

echo "| domain | n | click s | fill s | walks s | peak MiB | estimate |"
echo "|---|---|---|---|---|---|---|"
for n in "${sizes[@]}"; do
  for domain in square L; do
    "$exe" "$domain" "$n" | awk -F '\t' '{ printf "| %s | %s | %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, $5, $6, $7 }'
  done
done
