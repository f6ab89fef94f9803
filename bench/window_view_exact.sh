#!/usr/bin/env bash
# One click of Form2 with its view open, through the real window (Xvfb, driven with xdotool): the
# square of side 1 and N x N steps, "Seno", start at the centre, 1000 walks in fast mode
# ("Salti esatti" ticked), "Grafico…" open, so that the click also computes the exact discrete
# solution for the view (its start node and the picture's samples). Prints the seconds from the press of "Calcola!" to the
# estimate in "Risultato" (looked for every 20 ms), the exact discrete value the view shows, and
# the program's peak resident memory (VmHWM) before the click and after it.
#
# Usage: bench/window_view_exact.sh NURLO_EXECUTABLE [N]
# Needs Xvfb, xdotool and xclip (installed by scripts/install-deps.sh):
#   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release && ninja -C build-release nurlo
#   bench/window_view_exact.sh build-release/app/nurlo 1000
set -euo pipefail
# shellcheck source=window_click.sh
. "$(dirname "$0")/window_click.sh"
n=${2:-1000}

"$exe" &
pid=$!
focus Form1
key space
focus Form2
# Focus order: Calcola!, Dimensioni, ascissa, ordinata, N prove, Dato al bordo, Risultato,
# Torna al menù, N° suddivisioni, Grafico…, Salti esatti.
tab 1; write 1
tab 1; write $((n / 2))
tab 1; write $((n / 2))
tab 1; write 1000
tab 1; key Down Down  # "Seno"
tab 3; write "$n"
tab 2; key space      # "Salti esatti"
key alt+g
focus "Grafico Form2"
focus Form2
tab 1                 # round to Calcola!
timed_click 5
# The view's data: its second line holds the estimate and the exact discrete value.
focus "Grafico Form2"
mark
key ctrl+c
exact=$(copied | awk -F'\t' 'NR == 2 { print $6 }')
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "square $n with the view: estimate $estimate, exact discrete $exact, after $seconds s; peak resident memory $before before the click, $after after"
