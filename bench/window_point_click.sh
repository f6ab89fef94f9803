#!/usr/bin/env bash
# One point click of Form5 in fast mode through the real window (Xvfb, driven with xdotool): the L
# of N x N steps with sides 1, corner (N/2, N/2), "x*y", start (N/4, N/4), N = 32767 walks,
# "Salti esatti" ticked. Prints the seconds from the press of "Calcola!" to the estimate in
# "Risultato" (looked for every 20 ms), and the program's peak resident memory (VmHWM) before
# the click and after it.
#
# Usage: bench/window_point_click.sh NURLO_EXECUTABLE [N]
# Needs Xvfb, xdotool and xclip (installed by scripts/install-deps.sh):
#   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release && ninja -C build-release nurlo
#   bench/window_point_click.sh build-release/app/nurlo 32766
set -euo pipefail
# shellcheck source=window_click.sh
. "$(dirname "$0")/window_click.sh"
n=${2:-32766}

"$exe" &
pid=$!
focus Form1
# The menu's focus order: "In un punto" (square), "Esci", two square sections, then the L's
# "In un punto".
tab 3
key space
focus Form5
# Focus order: Calcola!, a, b, Dimensioni x, Dimensioni y, ascissa, ordinata, N prove,
# suddivisioni x, suddivisioni y, Dato al bordo, Risultato, Torna al menù, Grafico…, Salti esatti.
for value in $((n / 2)) $((n / 2)) 1 1 $((n / 4)) $((n / 4)) 32767 "$n" "$n"; do
  tab 1; write "$value"
done
tab 1; key Down Down Down Down
tab 4; key space
tab 1
timed_click 4
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "L $n: estimate $estimate after $seconds s; peak resident memory $before before the click, $after after"
