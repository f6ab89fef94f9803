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

exe=$(realpath "$1")
n=${2:-32766}
if [ -z "${NURLO_CLICK_DISPLAY:-}" ]; then
  exec env NURLO_CLICK_DISPLAY=1 "$(dirname "$0")/../tests/e2e/with_virtual_display.sh" "$0" "$@"
fi
export QT_QPA_PLATFORM=xcb

# shellcheck source=../tests/e2e/x_session.sh
. "$(dirname "$0")/../tests/e2e/x_session.sh"
focus() { focus_window "$1"; }
# Quicker keys than the tests', as the figures in the README were measured with.
key() { xdotool key --delay 40 "$@"; }
write() { xdotool type --delay 20 "$1"; }
peak() { awk '/VmHWM/ { printf "%.1f MiB", $2 / 1024 }' "/proc/$1/status"; }

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
tab 1; write $((n / 2))
tab 1; write $((n / 2))
tab 1; write 1
tab 1; write 1
tab 1; write $((n / 4))
tab 1; write $((n / 4))
tab 1; write 32767
tab 1; write "$n"
tab 1; write "$n"
tab 1; key Down Down Down Down
tab 4; key space
tab 1
sleep 0.5
before=$(peak "$pid")
printf 'cleared' | xclip -selection clipboard
started=$(date +%s.%N)
key space
# Held back until the estimate is shown: the copy of "Risultato" marks the end.
backtab 4
key ctrl+a ctrl+c
for _ in $(seq 1 30000); do
  shown=$(xclip -o -selection clipboard 2>/dev/null || true)
  [ "$shown" != "cleared" ] && break
  sleep 0.02
done
ended=$(date +%s.%N)
after=$(peak "$pid")
kill "$pid"
wait "$pid" 2>/dev/null || true
awk -v a="$started" -v b="$ended" -v r="$shown" -v m0="$before" -v m1="$after" -v n="$n" \
  'BEGIN { printf "L %s: estimate %s after %.2f s; peak resident memory %s before the click, %s after\n", n, r, b - a, m0, m1 }'
