#!/usr/bin/env bash
# The first walks of a point click in its view, through the real window (Xvfb, driven with
# xdotool): Form2, side 1, n = 300, start (100, 150), "Seno", N = 32767, step by step, "Grafico…"
# open. Presses "Calcola!" and copies the view's data (Ctrl+C in the view, which answers during
# the click) until they count some walks; prints the seconds from the press to that copy (an
# upper bound of the first picture of walks: the view draws a click's first walks as they come),
# then Esc. Repeats R times (default 5).
#
# Usage: bench/window_live_view.sh NURLO_EXECUTABLE [R]   (NURLO_EXECUTABLE in a build with the
# end-to-end tests' x_client)
set -euo pipefail
# shellcheck source=window_click.sh
. "$(dirname "$0")/window_click.sh"
runs=${2:-5}
# The build's own X client, for the copies (tests/e2e/x_client.cpp).
x_client=$(dirname "$exe")/../tests/e2e/x_client

"$exe" &
pid=$!
focus Form1
key space
focus Form2
screen=$window
# Focus order: Calcola!, Dimensioni, ascissa, ordinata, N prove, Dato al bordo, Risultato,
# Torna al menù, N° suddivisioni, Grafico…, Salti esatti.
for value in 1 100 150 32767; do tab 1; write "$value"; done
tab 1; key Down Down  # "Seno"
tab 3; write 300
key alt+g
view=$(shown "Grafico Form2")
xdotool windowmove --sync "$view" 560 0
focus Form2
tab 3  # round to Calcola!, which keeps the focus from then on
for run in $(seq 1 "$runs"); do
  focus Form2
  started=$(date +%s.%N)
  key space
  timeout 10 xdotool windowfocus --sync "$view"
  walks=""
  until [ -n "$walks" ] && [ "$walks" -gt 0 ]; do
    walks=$(copy ctrl+c | awk -F'\t' 'NR == 2 { print $5 }')
  done
  seconds=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
  echo "run $run: $walks walks in the view $seconds s after the press"
  focus Form2
  key Escape
  until is_idle "$screen"; do sleep 0.1; done
done
kill "$pid"
wait "$pid" 2>/dev/null || true
