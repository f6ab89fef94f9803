#!/usr/bin/env bash
# Works the real program as a person does: on a virtual X display with no window manager, it
# opens screens from the menu, types into the fields with the keyboard (moving with Tab through the
# focus order), chooses a datum, presses "Calcola!", reads "Risultato" through the clipboard,
# finds risultato.m beside the executable, returns to the menu and ends with "Esci".
#
# Usage: person_test.sh NURLO_EXECUTABLE X_CLIENT SCREENSHOT_FOLDER
set -euo pipefail
# shellcheck source=x_session.sh
. "$(dirname "$0")/x_session.sh"
start_session "$@"
result_file="$(dirname "$exe")/risultato.m"
rm -f "$result_file"

copy_field() { copy ctrl+a ctrl+c; }
screenshot() { import -window root "$out/person-test-$1.png"; }
# Replaces the text of the focused field.
replace() { key ctrl+a; write "$1"; }
# The discrete harmonic function of the square of n steps with sin(3.14 i / n) on the bottom row
# and 0 on the other sides, at node (i, j), by its discrete sine series.
discrete_sine_value() {
  awk -v n="$1" -v i="$2" -v j="$3" 'BEGIN {
    pi = atan2(0, -1); u = 0
    for (k = 1; k < n; k++) {
      b = 0
      for (m = 1; m < n; m++) b += sin(m / n * 3.14) * sin(k * pi * m / n)
      b *= 2 / n
      c = 2 - cos(k * pi / n); beta = log(c + sqrt(c * c - 1))
      u += b * sin(k * pi * i / n) * exp(-beta * j) * (1 - exp(-2 * beta * (n - j))) / (1 - exp(-2 * beta * n))
    }
    printf "%.15g", u }'
}

# The menu opens with the focus on the first "In un punto": the square's point screen.
focus Form1
key space
focus Form2
# Focus order: Calcola!, Dimensioni, ascissa, ordinata, N prove, Dato al bordo, Risultato,
# Torna al menù, N° suddivisioni, Grafico…, Salti esatti. Start (2, 0) lies on the bottom border of the
# side-1 square.
tab 1; write 1
tab 1; write 2
tab 1; write 0
tab 1; write 100
tab 1; down 2  # "Seno"
tab 3; write 4
tab 3; key space
backtab 5
shown=$(copy_field)
screenshot form2
[ "$shown" = "0.999999682931835" ] || fail "Form2 shows '$shown', expected sin(0.5*3.14) = 0.999999682931835"
echo "Form2: Risultato $shown"

# From the centre of a 2000-step square the lattice walks would take many minutes: Esc stops
# them, and "Risultato" keeps the earlier estimate. The copy of it waits until the calculation
# has ended, so it shows that Esc ended it.
tab 2; replace 2000      # N° suddivisioni
backtab 5; replace 1000  # ordinata
backtab 1; replace 1000  # ascissa
tab 2; replace 32767     # N prove
tab 7; key space
until_drawn "$window" 30 is_busy "$window" || fail "Form2 did not turn red for the long run"
screenshot form2-running
key Escape
backtab 5
shown=$(copy_field)
[ "$shown" = "0.999999682931835" ] || fail "after Esc Form2 shows '$shown', expected the earlier estimate"
echo "Form2: Esc stopped the walks; Risultato still $shown"

# Ticked, "Salti esatti" runs the same 32767 walks as jumps: the estimate agrees with the exact
# discrete value at the centre (a sine series of the discrete problem) within 5 times the largest
# standard error values in [0, 1] can have, 0.5 / sqrt(32767). The time is only printed.
tab 4; key space         # Salti esatti
tab 1
started=$(date +%s.%N)
key space
backtab 5
shown=$(copy_field)
ended=$(date +%s.%N)
exact=$(discrete_sine_value 2000 1000 1000)
awk -v shown="$shown" -v exact="$exact" -v walks=32767 'BEGIN {
  d = shown - exact; if (d < 0) d = -d; exit !(shown != "" && d <= 5 * 0.5 / sqrt(walks)) }' ||
  fail "jumps at n = 2000 give '$shown', the exact discrete value is $exact"
seconds=$(awk -v a="$started" -v b="$ended" 'BEGIN { printf "%.1f", b - a }')
echo "Form2: jumps at n = 2000, N = 32767: $shown in $seconds s (exact $exact)"
tab 1; key space  # Torna al menù
focus Form1
[ -z "$(visible Form2)" ] || fail "Form2 still visible after Torna al menù"

# The second-row "In un punto": the L-domain point screen. Focus order: Calcola!, a, b, Lx, Ly,
# x0, y0, N prove, nx, ny, Dato al bordo, Risultato, Torna al menù, Grafico…, Salti esatti.
tab 3; key space
focus Form5
for value in 2 2 2 2 2 1 50 2 2; do
  tab 1; write "$value"
done
tab 1; down 5  # "x^2-y^2"
tab 5; key space
backtab 4
shown=$(copy_field)
screenshot form5
[ "$shown" = "3" ] || fail "Form5 shows '$shown', expected 2^2 - 1^2 = 3"
echo "Form5: Risultato $shown"
tab 1; key space
focus Form1

# The second-row x-section: Form6 writes risultato.m beside the executable. Focus order:
# Calcola!, a, b, Lx, Ly, ordinate, N prove, nx, ny, Dato al bordo, Torna al menù, Grafico…,
# Salti esatti.
tab 1; key space
focus Form6
for value in 2 2 2 2 1 20 4 4; do
  tab 1; write "$value"
done
tab 1; down 4  # "x*y"
listen inotifywait -m -e close_write "$(dirname "$result_file")"
tab 4; key space
finished() { grep -qx "ylabel ('Vincita')" "$result_file" 2>/dev/null; }
until_heard 60 finished || true
screenshot form6
[ -f "$result_file" ] || fail "no risultato.m beside the executable"
grep -qx 'z=x\*y;' "$result_file" || fail "risultato.m has no exact solution line"
nodes=$(grep -c '^z2(' "$result_file")
[ "$nodes" -eq 5 ] || fail "risultato.m has $nodes node lines, expected 5"
grep -qx "ylabel ('Vincita')" "$result_file" || fail "risultato.m has no closing lines"
echo "Form6: risultato.m with $nodes node lines"
backtab 3; key space
focus Form1

# "Esci" comes second in the menu's focus order; the focus is on the x-section button now.
backtab 3; key space
program_ends 5 "after Esci"
echo "person test passed"
