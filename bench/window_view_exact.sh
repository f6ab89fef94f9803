#!/usr/bin/env bash
# One click of Form2 with its view open, through the real window (Xvfb, driven with xdotool): the
# square of side 1 and N x N steps, "Seno", start at the centre, 1000 walks in fast mode
# ("Salti esatti" ticked), "Grafico…" open, so that the click also computes the exact discrete
# solution of the whole grid for the view. Prints the seconds from the press of "Calcola!" to the
# estimate in "Risultato" (looked for every 20 ms), the exact discrete value the view shows, and
# the program's peak resident memory (VmHWM) before the click and after it.
#
# Usage: bench/window_view_exact.sh NURLO_EXECUTABLE [N]
# Needs Xvfb, xdotool and xclip (installed by scripts/install-deps.sh):
#   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release && ninja -C build-release nurlo
#   bench/window_view_exact.sh build-release/app/nurlo 1000
set -euo pipefail

exe=$(realpath "$1")
n=${2:-1000}
if [ -z "${NURLO_CLICK_DISPLAY:-}" ]; then
  exec env NURLO_CLICK_DISPLAY=1 "$(dirname "$0")/../tests/e2e/with_virtual_display.sh" "$0" "$@"
fi
export QT_QPA_PLATFORM=xcb

# shellcheck source=../tests/e2e/x_session.sh
. "$(dirname "$0")/../tests/e2e/x_session.sh"
focus() { focus_window "$1"; }
key() { xdotool key --delay 40 "$@"; }
write() { xdotool type --delay 20 "$1"; }
peak() { awk '/VmHWM/ { printf "%.1f MiB", $2 / 1024 }' "/proc/$1/status"; }

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
sleep 0.5
before=$(peak "$pid")
printf 'cleared' | xclip -selection clipboard
started=$(date +%s.%N)
key space
# Held back until the click has ended: the copy of "Risultato" marks the end.
backtab 5
key ctrl+a ctrl+c
for _ in $(seq 1 30000); do
  shown=$(xclip -o -selection clipboard 2>/dev/null || true)
  [ "$shown" != "cleared" ] && break
  sleep 0.02
done
ended=$(date +%s.%N)
after=$(peak "$pid")
# The view's data: its second line holds the estimate and the exact discrete value.
focus "Grafico Form2"
printf 'cleared' | xclip -selection clipboard
key ctrl+c
wait_for 10 copied || true
exact=$(clipboard | awk -F'\t' 'NR == 2 { print $6 }')
kill "$pid"
wait "$pid" 2>/dev/null || true
awk -v a="$started" -v b="$ended" -v r="$shown" -v e="$exact" -v m0="$before" -v m1="$after" \
  -v n="$n" 'BEGIN { printf "square %s with the view: estimate %s, exact discrete %s, after %.2f s; peak resident memory %s before the click, %s after\n", n, r, e, b - a, m0, m1 }'
