# What the end-to-end tests share, sourced by each: finding the program's windows, typing as a
# person does, reading the clipboard, and waiting for a condition.

visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
is_visible() { [ -n "$(visible "$1")" ]; }
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# Waits until `command...` succeeds, looking again every tenth of a second, for up to `seconds`;
# false if it never does. The only place the tests pause: they wait for what the program shows.
wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

key() { xdotool key --delay 60 "$@"; }
tab() { for _ in $(seq 1 "$1"); do key Tab; done; }
backtab() { for _ in $(seq 1 "$1"); do key shift+Tab; done; }
write() { xdotool type --delay 40 "$1"; }
down() { for _ in $(seq 1 "$1"); do key Down; done; }
# The clipboard as it is now; a clipboard owner that does not answer gives up after 10 s. A copy
# has arrived once the mark "cleared", put there before it, is gone.
clipboard() { timeout 10 xclip -o -selection clipboard 2>/dev/null || true; }
copied() { [ "$(clipboard)" != cleared ]; }
# Whether the window titled `$1` shows the busy colour (its background, just inside its corner).
is_busy() {
  timeout 10 import -window "$(visible "$1")" -crop 1x1+4+4 -depth 8 txt:- 2>/dev/null |
    grep -qi " #FF0000 "
}
# Without a window manager nothing gives a new window the keyboard: do it as a person's click
# would, once the window titled `$1` is shown, and wait until it has the focus. False if the
# window never shows.
focus_window() {
  wait_for 10 is_visible "$1" || return 1
  xdotool windowfocus "$(visible "$1")"
  wait_for 3 has_focus "$(visible "$1")" || true
}
