#!/usr/bin/env bash
# Clicks and closes during a calculation, through the real program on a virtual X display: each
# is held while the walks run and lands where it was aimed once they end, however many come.
#
# Every run here is sized to take minutes (32767 lattice walks from the centre of a 2000-step
# square), so input sent while it runs always arrives during it; the input goes once the screen
# shows the busy colour, and the test's Esc ends the run. Nothing waits a fixed time for an
# outcome: each check waits for its condition, with a generous deadline.
#
# Usage: held_clicks_test.sh NURLO_EXECUTABLE CLOSE_WINDOW_EXECUTABLE SCREENSHOT_FOLDER
set -euo pipefail

exe=$1
close_window=$2
shots=$3
if [ -z "${NURLO_HELD_TEST_DISPLAY:-}" ]; then
  exec env NURLO_HELD_TEST_DISPLAY=1 "$(dirname "$0")/with_virtual_display.sh" "$0" "$@"
fi

# shellcheck source=x_session.sh
. "$(dirname "$0")/x_session.sh"
export QT_QPA_PLATFORM=xcb
"$exe" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

fail() {
  echo "FAIL: $*"
  import -window root "$shots/held-clicks-failure.png" 2>/dev/null || true
  exit 1
}
# Waits up to `seconds` for `condition` (a command); fails the test with `what` if it never holds.
wait_until() {
  local seconds=$1 what=$2
  shift 2
  wait_for "$seconds" "$@" || fail "$what"
}
is_hidden() { [ -z "$(visible "$1")" ]; }

# Positions are the screens' design in twips, turned into pixels by the window's own width.
window=""
scale=""
use_window() {  # NAME DESIGNED_WIDTH_IN_TWIPS
  wait_until 30 "window $1 did not appear" is_visible "$1"
  window=$(visible "$1")
  eval "$(xdotool getwindowgeometry --shell "$window")"
  scale=$(awk -v w="$WIDTH" -v t="$2" 'BEGIN { print w / t }')
  xdotool windowfocus "$window"
}
px() { awk -v t="$1" -v s="$scale" 'BEGIN { printf "%d", t * s + 0.5 }'; }
click() { xdotool mousemove --window "$window" "$(px "$1")" "$(px "$2")" click 1; }
# Form2's controls, by the middle of their design rectangles.
click_side() { click 3000 427; }           # Text1 "Dimensioni"
click_start_x() { click 3000 1462; }       # Text2
click_start_y() { click 3000 1942; }       # Text3
click_walks() { click 3000 2707; }         # Text4 "N prove"
click_divisions() { click 6847 487; }      # Text6 "N° suddivisioni"
click_result() { click 6847 2587; }        # Text5 "Risultato"
click_calculate() { click 2947 4147; }     # Command1 "Calcola!"
click_back() { click 6487 4147; }          # Command2 "Torna al menù"
click_fast_walks() { click 1200 4957; }    # Check1's box, at its left end

# The screen is red while it calculates: one pixel of its background tells.
busy() {
  timeout 10 import -window "$window" -crop "1x1+$(px 150)+$(px 150)" -depth 8 txt:- 2>/dev/null |
    grep -qi " #FF0000 "
}
idle() { ! busy; }
# The pixels of the check box's square, to compare its look with itself ticked and unticked.
fast_walks_look() {
  timeout 10 import -window "$window" -crop "$(px 300)x$(px 285)+$(px 1080)+$(px 4815)" +repage ppm:- |
    md5sum
}
# Starts the long run and waits until it is under way, so that what follows arrives during it.
start_long_run() {
  click_calculate
  wait_until 60 "the run did not begin" busy
}
# Ends the run with Esc and waits until the screen is no longer red.
end_run() {
  key Escape
  wait_until 120 "the run did not end after Esc" idle
}
result_text() {
  printf 'cleared' | xclip -selection clipboard
  click_result
  key ctrl+a ctrl+c
  clipboard
}

# The menu's first "In un punto" opens Form2.
use_window Form1 8775
click 1027 2107
use_window Form2 8070
click_side; write 1
click_start_x; write 1000
click_start_y; write 1000
click_walks; write 32767
key Tab Down Down  # "Dato al bordo": "Seno"
click_divisions; write 2000

# How the check box looks ticked and unticked, away from the focus.
click_fast_walks; click_side; ticked=$(fast_walks_look)
click_fast_walks; click_side; unticked=$(fast_walks_look)
[ "$ticked" != "$unticked" ] || fail "the check box looks the same ticked and unticked"

# A click on the check box, then in a field: the box is ticked afterwards.
start_long_run
click_fast_walks
click_side
end_run
wait_until 10 "Check1 is not ticked after a click on it and one in a field" \
  test "$(fast_walks_look)" = "$ticked"
echo "held: Check1 then a field: Check1 ticked"
click_fast_walks; click_side  # unticked again

# Three clicks: the check box, a field, then "Calcola!": a second run starts, with the jumps
# just ticked, and shows its estimate within seconds; the first run, ended by Esc, showed none.
start_long_run
click_fast_walks
click_side
click_calculate
end_run
shown=""
read_result() { shown=$(result_text); [[ "$shown" =~ ^-?[0-9] ]]; }
wait_until 120 "no second run after clicks on Check1, a field and Calcola! (Risultato '$shown')" \
  read_result
echo "held: Check1, a field, then Calcola!: the second run shows $shown"
click_fast_walks; click_side  # unticked again

# A click in a field, then "Torna al menù": the menu shows afterwards.
start_long_run
click_side
click_back
end_run
wait_until 30 "Form1 is not shown after a click in a field and on Torna al menù" is_visible Form1
is_hidden Form2 || fail "Form2 still shown after Torna al menù"
echo "held: a field then Torna al menù: the menu"

# The window manager's close of the screen during a run returns to the menu afterwards.
use_window Form1 8775
click 1027 2107  # "In un punto"
use_window Form2 8070
start_long_run
"$close_window" "$window"
end_run
wait_until 30 "Form1 is not shown after a close of Form2 during its run" is_visible Form1
is_hidden Form2 || fail "Form2 still shown after its close"
echo "held: a close of Form2: the menu"

# A close of the (hidden) menu during a run ends the program once the run has ended.
use_window Form1 8775
click 1027 2107
use_window Form2 8070
start_long_run
menu=$(xdotool search --name '^Form1$' | head -n 1)
"$close_window" "$menu"
busy || fail "the run ended at the close of the menu"
key Escape  # the program ends with the run: its windows go, so no look at the colour now
ended() { ! kill -0 "$pid" 2>/dev/null; }
wait_until 30 "the program still runs after a close of the menu during the run" ended
wait "$pid" || fail "the program ended with an error"
trap - EXIT
echo "held: a close of the menu: the program ended after the run"
echo "held clicks test passed"
