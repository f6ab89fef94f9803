#!/usr/bin/env bash
# The view of a point click while the click runs, through the real program: it shows the walks so
# far (a count strictly between 0 and N), and it copies, selects and saves at once, while the
# screen is still busy with the walks. Esc then ends the click.
#
# Usage: live_view_test.sh NURLO_EXECUTABLE X_CLIENT OUTPUT_FOLDER
set -euo pipefail
# shellcheck source=x_session.sh
. "$(dirname "$0")/x_session.sh"
start_session "$@"
rm -f "$out"/live-view.png

focus Form1
key space
focus Form2
screen=$window
# Focus order: Calcola!, Dimensioni, ascissa, ordinata, N prove, Dato al bordo, Risultato, Torna
# al menù, N° suddivisioni, Grafico…, Salti esatti. Step-by-step walks on 600 steps: a long click.
for value in 1 100 150 32767; do tab 1; write "$value"; done
tab 1; down 2  # "Seno"
tab 3; write 600
key alt+g
# Beside the screen (no window manager places it), so that the screen's colour shows.
xdotool windowmove --sync "$(shown "Grafico Form2")" 560 0
focus Form2
tab 3; key space  # past Grafico… and Salti esatti, round to Calcola!
until_drawn "$screen" 60 is_busy "$screen" || fail "the click did not begin"

# Ctrl+C in the view copies the walks so far, again each time the view is drawn, until they
# count some walks and not yet all.
focus "Grafico Form2"
view=$window
text=""
walks_so_far() {
  text=$(copy ctrl+c)
  printf '%s\n' "$text" | awk -F'\t' 'NR == 2 { ok = ($3 != "" && $5 > 0 && $5 < 32767) } END { exit !ok }'
}
until_drawn "$view" 60 walks_so_far || fail "the view never copied a count of walks between 0 and N; last copy: $text"
is_busy "$screen" || fail "the click ended before the view copied its walks so far"
printf 'copied during the click:\n%s\n' "$text"

# The numbers, selected with the mouse and the keyboard: "Prove: k di 32767".
eval "$(xdotool getwindowgeometry --shell "$view")"
xdotool mousemove --window "$view" $((WIDTH / 2)) $((HEIGHT - 90)) click 1
numbers=$(copy ctrl+a ctrl+c)
[[ "$numbers" =~ Prove:\ ([0-9]+)\ di\ 32767 ]] && [ "${BASH_REMATCH[1]}" -gt 0 ] ||
  fail "the numbers did not show the walks so far: $numbers"
is_busy "$screen" || fail "the click ended before the numbers were copied"

# "Salva immagine…" saves while the walks go on.
file="$out/live-view.png"
key alt+s
focus "Salva immagine"
key ctrl+a; write "$file"
listen inotifywait -m -e close_write "$out"
key Return
until_heard 30 test -s "$file" || fail "no image saved at $file during the click"
is_busy "$screen" || fail "the click ended before the image was saved"
echo "image saved during the click, $(stat -c %s "$file") bytes"

focus Form2
key Escape
until_drawn "$screen" 60 is_idle "$screen" || fail "Esc did not end the click"
echo "live view test passed"
