#!/usr/bin/env bash
# Works "Campo intero" as a person does: Form5 with the L of 100 x 80 steps, its view (Alt+G),
# the whole field (Alt+I), then Ctrl+C copies one row per sample node whose z values are standard
# noise; the view's picture is kept beside the test's output.
#
# Usage: field_view_test.sh NURLO_EXECUTABLE X_CLIENT OUTPUT_FOLDER
set -euo pipefail
# shellcheck source=x_session.sh
. "$(dirname "$0")/x_session.sh"
start_session "$@"
rm -f "$out"/field-view.png

focus Form1
tab 3; key space
focus Form5
# Focus order: Calcola!, a, b, Lx, Ly, x0, y0, N prove, nx, ny, Dato al bordo, Risultato, Torna
# al menù, Grafico…, Salti esatti.
for value in 50 40 1 1 3 2 1000 100 80; do tab 1; write "$value"; done
tab 1; down 3  # "exp(x)*sin(y)"
tab 4; key space  # Salti esatti
key alt+g
shown "Grafico Form5" >/dev/null
focus "Grafico Form5"
key alt+i

# 64 x 64 nodes, none on the L's segments: the header and 4096 rows of six fields, each z a
# number; then their mean within 0.1 of 0 and their standard deviation within 0.9..1.1.
header=$'x0\ty0\tstima\terrore standard\tesatto discreto\tz'
text=""
copy_passes() {
  text=$(copy ctrl+c)
  printf '%s\n' "$text" | awk -F'\t' -v header="$header" '
    NR == 1 && $0 != header { exit 1 }
    NR > 1 && (NF != 6 || $6 == "" || $6 == "NaN") { exit 1 }
    END { exit !(NR == 4097) }'
}
focus "Grafico Form5"
until_drawn "$window" 120 copy_passes ||
  fail "the copied field never had its 4096 rows; last copy began: $(printf '%s\n' "$text" | head -n 3)"
summary=$(printf '%s\n' "$text" | awk -F'\t' 'NR > 1 { n++; s += $6; q += $6 * $6 }
  END { m = s / n; printf "%d %.4f %.4f", n, m, sqrt((q - n * m * m) / (n - 1)) }')
echo "field copied: nodes, z mean, z deviation: $summary"
read -r nodes mean deviation <<<"$summary"
awk -v m="$mean" -v d="$deviation" 'BEGIN { exit !(m >= -0.1 && m <= 0.1 && d >= 0.9 && d <= 1.1) }' ||
  fail "z is not standard noise: mean $mean, deviation $deviation over $nodes nodes"
import -window "$window" "$out/field-view.png" 2>/dev/null || fail "no picture of the view"
echo "field view test passed"
