#!/usr/bin/env bash
# Clicks and closes during a calculation, through the real program: each is held while the walks
# run and lands where it was aimed once they end. Every run would take minutes (32767 walks from
# the centre of a 2000-step square): input sent once the screen is red arrives during it.
#
# Usage: held_clicks_test.sh NURLO_EXECUTABLE X_CLIENT OUTPUT_FOLDER
set -euo pipefail
# shellcheck source=x_session.sh
. "$(dirname "$0")/x_session.sh"
start_session "$@"

# Positions are the screens' design in twips, turned into pixels by the window's own width.
use_window() {  # NAME DESIGNED_WIDTH_IN_TWIPS
  focus "$1"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  scale=$(awk -v w="$WIDTH" -v t="$2" 'BEGIN { print w / t }')
}
px() { awk -v t="$1" -v s="$scale" 'BEGIN { printf "%d", t * s + 0.5 }'; }
click() { xdotool mousemove --window "$window" "$(px "$1")" "$(px "$2")" click 1; }
open_form2() { use_window Form1 8775; click 1027 2107; use_window Form2 8070; }  # "In un punto"
click_side() { click 3000 427; }        # Text1 "Dimensioni"
click_calculate() { click 2947 4147; }  # Command1 "Calcola!"
toggle() { click 1200 4957; click_side; }  # Check1's box at its left end, then away from it
fast_walks_look() {  # the pixels of the check box's square
  timeout 10 import -window "$window" -crop "$(px 300)x$(px 285)+$(px 1080)+$(px 4815)" +repage ppm:- |
    md5sum
}
start_long_run() {
  click_calculate
  until_drawn "$window" 60 is_busy "$window" || fail "the run did not begin"
}
end_run() {
  key Escape
  until_drawn "$window" 120 is_idle "$window" || fail "the run did not end after Esc"
}

open_form2
click_side; write 1
click 3000 1462; write 1000   # Text2, the start's abscissa
click 3000 1942; write 1000   # Text3, its ordinate
click 3000 2707; write 32767  # Text4 "N prove"
key Tab Down Down             # "Dato al bordo": "Seno"
click 6847 487; write 2000    # Text6 "N° suddivisioni"
toggle; ticked=$(fast_walks_look)
toggle; unticked=$(fast_walks_look)
[ "$ticked" != "$unticked" ] || fail "the check box looks the same ticked and unticked"

start_long_run; toggle; end_run
looks_ticked() { [ "$(fast_walks_look)" = "$ticked" ]; }
until_drawn "$window" 10 looks_ticked || fail "Check1 is not ticked after a click on it and one in a field"
toggle

# A second run starts, with the jumps just ticked; the first, ended by Esc, showed no estimate.
# The copy of "Risultato" is held until the second run has ended.
start_long_run; toggle; click_calculate; end_run
click 6847 2587  # Text5 "Risultato"
shown=$(copy ctrl+a ctrl+c)
[[ "$shown" =~ ^-?[0-9] ]] || fail "no second run after clicks on Check1, a field and Calcola! (Risultato '$shown')"
toggle

# A click in a field and on "Torna al menù", or the window manager's close of the screen, during
# a run: the menu afterwards.
for leave in 'click_side; click 6487 4147' '"$x_client" close "$window"'; do
  start_long_run; eval "$leave"; end_run
  shown Form1 >/dev/null
  [ -z "$(visible Form2)" ] || fail "Form2 still shown after $leave"
  open_form2
done

# A close of the (hidden) menu during a run ends the program once the run has ended.
start_long_run
"$x_client" close "$(xdotool search --name '^Form1$' | head -n 1)"
is_busy "$window" || fail "the run ended at the close of the menu"
key Escape  # the program ends with the run: its windows go, so no look at the colour now
program_ends 30 "after a close of the menu during the run"
echo "held clicks test passed"
