#!/usr/bin/env bash
# Works the view of a run as a person does, on Form2 and Form6: opens "Grafico" (Alt+G), runs a
# calculation, copies the view's data (Ctrl+C) and saves its picture with "Salva immagine…".
#
# Usage: view_test.sh NURLO_EXECUTABLE X_CLIENT OUTPUT_FOLDER
set -euo pipefail
# shellcheck source=x_session.sh
. "$(dirname "$0")/x_session.sh"
start_session "$@"
rm -f "$out"/view-*.png

open_view() { key alt+g; shown "Grafico $1" >/dev/null; focus "$1"; }
# Copies view `$1`'s data, again each time it is drawn, until they have the header `$2` and awk
# program `$3` accepts them; then holds them to awk program `$4` (or fails with `$5`); saves it.
check_view() {  # TITLE HEADER COMPLETE RIGHT FAULT
  local title=$1 header=$2 complete=$3 text=""
  copy_passes() {
    text=$(copy ctrl+c)
    printf '%s\n' "$text" | awk -F'\t' -v header="$header" "NR == 1 && \$0 != header { exit 1 } $complete"
  }
  focus "$title"
  until_drawn "$window" 60 copy_passes ||
    fail "$title: the copied data never passed the check; last copy was: $text"
  printf '%s copied:\n%s\n' "$title" "$text"
  printf '%s\n' "$text" | awk -F'\t' "$4" || fail "$5"
  local file="$out/view-${title##* }.png"
  key alt+s
  focus "Salva immagine"
  key ctrl+a; write "$file"
  listen inotifywait -m -e close_write "$out"
  key Return
  until_heard 10 test -s "$file" || fail "$title: no image saved at $file"
  [ "$(head -c 8 "$file" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "$title: $file is no PNG"
  echo "$title: image saved, $(stat -c %s "$file") bytes"
}

focus Form1
key space
focus Form2
# Focus order: Calcola!, Dimensioni, ascissa, ordinata, N prove, Dato al bordo, Risultato, Torna
# al menù, N° suddivisioni, Grafico…, Salti esatti.
for value in 1 5 4 4000; do tab 1; write "$value"; done
tab 1; down 2  # "Seno"
tab 3; write 10
open_view Form2
tab 3; key space  # past Grafico… and Salti esatti, round to Calcola!
# The estimate lies within 5 standard errors of the exact discrete value.
check_view "Grafico Form2" $'x0\ty0\tstima\terrore standard\tprove\tesatto discreto\tfunzione' \
  'NR == 2 { row = ($1 == 5 && $2 == 4 && $3 != "" && $4 > 0 && $5 == 4000 && $6 != "" && $7 == "") } END { exit !(NR == 2 && row) }' \
  'NR == 2 { d = $3 - $6; if (d < 0) d = -d; exit !(d <= 5 * $4) }' \
  "Form2: the estimate is more than 5 standard errors from the exact discrete value"

# Back to the menu, then Form6, the L's x-section. Focus order: Calcola!, a, b, Lx, Ly, ordinate,
# N prove, nx, ny, Dato al bordo, Torna al menù, Grafico…, Salti esatti.
focus Form2
backtab 4; key space  # from Calcola!: Salti esatti, Grafico…, N° suddivisioni, Torna al menù
focus Form1
tab 4; key space
focus Form6
for value in 2 2 2 2 1 400 4 4; do tab 1; write "$value"; done
tab 1; down 4  # "x*y"
open_view Form6
tab 4; key space  # Torna al menù, Grafico…, Salti esatti, round to Calcola!
# x*y on lengths 2 x 2 of 4 x 4 steps: node k of the line j = 1 stands at (k/2, 1/2), where the
# function, discrete harmonic, is k/4, and so is the exact discrete solution.
check_view "Grafico Form6" $'nodo\tstima\terrore standard\tesatto discreto\tfunzione' \
  'NR > 1 && ($1 != NR - 2 || $2 == "" || $4 == "" || $5 == "") { exit 1 } END { exit !(NR == 6) }' \
  'NR > 1 { f = ($1 / 2) * 0.5; d = $5 - f; e = $4 - f; if (d < 0) d = -d; if (e < 0) e = -e; if (d > 1e-12 || e > 1e-9) exit 1 }' \
  "Form6: the function or the exact column is not x*y along the line"
echo "view test passed"
