#!/usr/bin/env bash
# Times one "Calcola!" of the square's point screen through the real window, with the program held
# to one core and then allowed two, and prints the ratio: what the program itself gains from its
# pool of threads. The click: side 1, n = 200, start at the centre (100, 100), N = 30000, "Seno".
#
# Usage: bench/window_speedup.sh NURLO_EXECUTABLE [REPETITIONS]
# Needs Xvfb, xdotool, xclip and taskset (installed by scripts/install-deps.sh); best with a
# Release build:
#   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release && ninja -C build-release nurlo
#   bench/window_speedup.sh build-release/app/nurlo 3
set -euo pipefail

# shellcheck source=window_click.sh
. "$(dirname "$0")/window_click.sh"
repetitions=${2:-3}
if [ "$(nproc --all)" -lt 2 ]; then
  echo "this machine has one processor: nothing to compare" >&2
  exit 1
fi
# Looked for ten times a second, so that the looking takes next to nothing from the cores measured.
poll=0.1

# Seconds from the press of "Calcola!" to the estimate, with the program on processors $1.
one_click() {
  taskset -c "$1" "$exe" &
  pid=$!
  focus Form1
  key space
  focus Form2
  # Focus order: Calcola!, Dimensioni, ascissa, ordinata, N prove, Dato al bordo, Risultato,
  # Torna al menù, N° suddivisioni, Grafico…, Salti esatti.
  tab 1; write 1
  tab 1; write 100
  tab 1; write 100
  tab 1; write 30000
  tab 1; key Down Down
  tab 3; write 200
  tab 3
  timed_click 5
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "$seconds"
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

one=()
two=()
for _ in $(seq 1 "$repetitions"); do
  one+=("$(one_click 0)")
  two+=("$(one_click 0,1)")
done
echo "one core:  ${one[*]} s"
echo "two cores: ${two[*]} s"
awk -v a="$(median "${one[@]}")" -v b="$(median "${two[@]}")" \
  'BEGIN { printf "median: %.2f s on one core, %.2f s on two: %.2fx\n", a, b, a / b }'
