# What the benchmarks through the real window share, sourced by each with its arguments
# (NURLO_EXECUTABLE first): the tests' helpers and a display of their own, quicker keys, the
# program's peak memory and a timed click.
# shellcheck source=../tests/e2e/x_session.sh
. "$(dirname "$0")/../tests/e2e/x_session.sh"
exe=$(realpath "$1")
start_display
export QT_QPA_PLATFORM=xcb
# Quicker keys than the tests', as the figures in the README were measured with.
key() { xdotool key --delay 40 "$@"; }
write() { xdotool type --delay 20 "$1"; }
peak() { awk '/VmHWM/ { printf "%.1f MiB", $2 / 1024 }' "/proc/$pid/status"; }

mark() { printf 'cleared' | xclip -selection clipboard; }
# What a copy put on the clipboard once the mark is gone, looked for every $poll s up to 600 s.
poll=0.02
copied() {
  local deadline=$((SECONDS + 600)) text
  until text=$(clipboard); [ "$text" != cleared ] || [ "$SECONDS" -ge "$deadline" ]; do
    sleep "$poll"
  done
  printf '%s\n' "$text"
}
# Presses "Calcola!", which has the focus, and copies "Risultato", `$1` Shift+Tabs back: the
# program handles the copy once the click has ended, so the copy marks the end. Sets `estimate`,
# `seconds` from the press to the copy seen, and the peak memory `before` the click and `after`.
timed_click() {  # BACKTABS
  sleep 0.5
  before=$(peak)
  mark
  local started
  started=$(date +%s.%N)
  key space
  backtab "$1"
  key ctrl+a ctrl+c
  estimate=$(copied)
  seconds=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
  after=$(peak)
}
