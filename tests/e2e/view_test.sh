#!/usr/bin/env bash
# Works the view of a run as a person does, on an X display of its own with no window manager:
# on Form2 and on Form6 it opens "Grafico" with Alt+G, runs a calculation, copies the view's
# data with Ctrl+C (read back with xclip) and saves its picture with "Salva immagine…", typing
# the file's name into the dialog.
#
# Usage: view_test.sh NURLO_EXECUTABLE OUTPUT_FOLDER
set -euo pipefail

exe=$1
out=$2
mkdir -p "$out"

# A free display: Xvfb picks it and writes its number on a pipe.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
xvfb_pid=$!
read -r -t 20 display <"$fifo" || { echo "FAIL: Xvfb did not start"; exit 1; }
rm -f "$fifo"
export DISPLAY=":$display"
# shellcheck source=x_session.sh
. "$(dirname "$0")/x_session.sh"
export QT_QPA_PLATFORM=xcb
rm -f "$out"/view-*.png

# OpenBLAS says which dense kernels it loads ("Core: ..."), at every start of the program.
OPENBLAS_VERBOSE=2 "$exe" 2>"$out/view-test-stderr.txt" &
pid=$!
cleanup() {
  kill "$pid" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  import -window root "$out/view-test-failure.png" 2>/dev/null || true
  exit 1
}
wait_visible() { wait_for 10 is_visible "$1" || fail "window $1 did not appear"; }
focus() { focus_window "$1" || fail "window $1 did not appear"; }

# Copies the view's data until `check` (an awk program over the TSV) accepts it.
copy_view_until() {
  local title=$1 check=$2 text=""
  copy_passes() {
    focus "$title"
    printf 'cleared' | xclip -selection clipboard
    key ctrl+c
    wait_for 2 copied || true
    text=$(clipboard)
    printf '%s\n' "$text" | awk -F'\t' "$check"
  }
  wait_for 60 copy_passes || fail "$title: the copied data never passed the check; last copy was: $text"
  printf '%s\n' "$text"
}
# "Salva immagine…" (Alt+S), the file's name typed into the dialog, Enter; waits for the file.
save_image() {
  local title=$1 file=$2
  focus "$title"
  key alt+s
  wait_visible "Salva immagine"
  focus "Salva immagine"
  key ctrl+a
  write "$file"
  key Return
  wait_for 10 test -s "$file" || fail "$title: no image saved at $file"
  [ "$(head -c 8 "$file" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] ||
    fail "$title: $file is no PNG"
  echo "$title: image saved, $(stat -c %s "$file") bytes"
}

# Form2, the square's point screen. Focus order: Calcola!, Dimensioni, ascissa, ordinata, N prove,
# Dato al bordo, Risultato, Torna al menù, N° suddivisioni, Grafico…, Salti esatti.
focus Form1
# The exact solutions of the view are factorised with the system BLAS. Where the processor has
# AVX2 and FMA, the program runs them with kernels that use them, not OpenBLAS's generic fallback
# (which OpenBLAS 0.3.21 takes on processors it does not know by model).
if grep -qw avx2 /proc/cpuinfo && grep -qw fma /proc/cpuinfo; then
  kernels=$(sed -n 's/^Core: //p' "$out/view-test-stderr.txt" | tail -n 1)
  if [ -n "$kernels" ] && [ "$kernels" = Prescott ]; then
    fail "the program runs the generic Prescott kernels on a processor with AVX2"
  fi
  echo "dense kernels: ${kernels:-not OpenBLAS}"
fi
key space
focus Form2
tab 1; write 1
tab 1; write 5
tab 1; write 4
tab 1; write 4000
tab 1; down 2  # "Seno"
tab 3; write 10
key alt+g
wait_visible "Grafico Form2"
focus Form2
tab 3; key space  # past Grafico… and Salti esatti, round to Calcola!
header='x0	y0	stima	errore standard	prove	esatto discreto	funzione'
copied=$(copy_view_until "Grafico Form2" \
  "NR == 1 && \$0 != \"$header\" { exit 1 } NR == 2 { row = (\$1 == 5 && \$2 == 4 && \$3 != \"\" && \$4 > 0 && \$5 == 4000 && \$6 != \"\" && \$7 == \"\") } END { exit !(NR == 2 && row) }")
echo "Grafico Form2 copied:"
printf '%s\n' "$copied"
# The estimate lies within 5 standard errors of the exact discrete value.
printf '%s\n' "$copied" | awk -F'\t' 'NR == 2 { d = $3 - $6; if (d < 0) d = -d; exit !(d <= 5 * $4) }' ||
  fail "Form2: the estimate is more than 5 standard errors from the exact discrete value"
save_image "Grafico Form2" "$out/view-form2.png"
import -window "$(visible "Grafico Form2")" "$out/view-form2-window.png" 2>/dev/null || true

# Back to the menu, then Form6, the L's x-section. Focus order: Calcola!, a, b, Lx, Ly, ordinate,
# N prove, nx, ny, Dato al bordo, Torna al menù, Grafico…, Salti esatti.
focus Form2
backtab 4; key space  # from Calcola!: Salti esatti, Grafico…, N° suddivisioni, Torna al menù
focus Form1
tab 4; key space
focus Form6
for value in 2 2 2 2 1 400 4 4; do
  tab 1; write "$value"
done
tab 1; down 4  # "x*y"
key alt+g
wait_visible "Grafico Form6"
focus Form6
tab 4; key space  # Torna al menù, Grafico…, Salti esatti, round to Calcola!
header='nodo	stima	errore standard	esatto discreto	funzione'
copied=$(copy_view_until "Grafico Form6" \
  "NR == 1 && \$0 != \"$header\" { exit 1 } NR > 1 && (\$1 != NR - 2 || \$2 == \"\" || \$4 == \"\" || \$5 == \"\") { exit 1 } END { exit !(NR == 6) }")
echo "Grafico Form6 copied:"
printf '%s\n' "$copied"
# x*y on lengths 2 x 2 of 4 x 4 steps: node k of the line j = 1 stands at (k/2, 1/2), where the
# function is k/4.
# x*y is discrete harmonic, so the exact discrete solution is the function too.
printf '%s\n' "$copied" | awk -F'\t' 'NR > 1 { f = ($1 / 2) * 0.5; d = $5 - f; e = $4 - f; if (d < 0) d = -d; if (e < 0) e = -e; if (d > 1e-12 || e > 1e-9) exit 1 }' ||
  fail "Form6: the function or the exact column is not x*y along the line"
save_image "Grafico Form6" "$out/view-form6.png"

echo "view test passed"
