# What the end-to-end tests share, sourced by each: a display and a program of their own, the
# program's windows, typing as a person does, the clipboard, and waiting for events.

# A display of its own, ended with the script; Xvfb writes the free number it took once it serves.
start_display() {
  exec {display_fd}< <(exec Xvfb -displayfd 1 -screen 0 1600x1200x24 -nolisten tcp -noreset 2>/dev/null)
  xvfb=$!
  trap 'kill ${pid:-} ${LISTENER_PID:-} "$xvfb" 2>/dev/null || true' EXIT
  read -r -t 30 number <&"$display_fd" || fail "Xvfb took no display"
  export DISPLAY=":$number"
}
# The program on a display of its own, its errors in $out/$name-stderr.txt.
start_session() {  # NURLO X_CLIENT OUTPUT_FOLDER; sets exe, x_client, out, name and pid
  exe=$1 x_client=$2 out=$3 name=$(basename "$0" .sh)
  start_display
  QT_QPA_PLATFORM=xcb "$exe" 2>"$out/$name-stderr.txt" &
  pid=$!
}
fail() {
  echo "FAIL: $*" >&2
  [ -z "${name:-}" ] || import -window root "$out/$name-failure.png" 2>/dev/null || true
  exit 1
}
program_ends() {  # SECONDS WHAT
  timeout "$1" tail --pid="$pid" -f /dev/null || fail "the program still runs $2"
  wait "$pid" || fail "the program ended with an error"
  pid=""
}

visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
# A search fails at once, rather than waiting, when a window it looks at goes meanwhile (a dialog
# closing): it is asked again until the window shows or 30 s have passed.
shown() {  # the window titled `$1`, once it is shown
  local ids deadline=$((SECONDS + 30))
  until ids=$(timeout 5 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null); do
    ((SECONDS < deadline)) || fail "window $1 did not appear"
  done
  echo "${ids%%$'\n'*}"
}
# Without a window manager nothing gives a window the keyboard: done as a click would. Sets window.
focus() {
  window=$(shown "$1") || exit 1
  timeout 10 xdotool windowfocus --sync "$window" || fail "window $1 did not take the focus"
}

key() { xdotool key --delay 60 "$@"; }
tab() { for _ in $(seq 1 "$1"); do key Tab; done; }
backtab() { for _ in $(seq 1 "$1"); do key shift+Tab; done; }
write() { xdotool type --delay 40 "$1"; }
down() { for _ in $(seq 1 "$1"); do key Down; done; }
clipboard() { timeout 10 xclip -o -selection clipboard 2>/dev/null || true; }
# Presses the keys `$@` that copy and prints what they put on the clipboard, nothing if no copy
# comes in 60 s (the program handles keys after a calculation that runs).
copy() { if timeout 60 "$x_client" copy xdotool key --delay 60 "$@"; then clipboard; fi; }
# Whether window `$1` shows the busy colour: its background, just inside its corner, is red.
is_busy() { timeout 10 import -window "$1" -crop 1x1+4+4 -depth 8 txt:- 2>/dev/null | grep -qi " #FF0000 "; }
is_idle() { ! is_busy "$1"; }

# Starts `listener...` for until_heard: it says it listens, then prints a line per event (x_client
# damage WINDOW, for a window's drawing; inotifywait -m, for files).
listen() {
  coproc LISTENER { exec "$@" 2>&1; }
  local line=""
  until [[ "$line" == ready || "$line" == "Watches established." ]]; do
    read -r -t 10 line <&"${LISTENER[0]}" || fail "$1 did not start listening"
  done
}
# Runs `check...` until it holds, again after each event heard, for up to `$1` s; then stops
# listening. The listening began before the first check, so no event after a check is missed.
until_heard() {  # SECONDS CHECK...
  local deadline=$((SECONDS + $1)) status=0
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] && read -r -t $((deadline - SECONDS)) _ <&"${LISTENER[0]}" || { status=1; break; }
    while read -r -t 0 <&"${LISTENER[0]}" && read -r _ <&"${LISTENER[0]}"; do :; done
  done
  { kill "$LISTENER_PID" && wait "$LISTENER_PID"; } 2>/dev/null || true
  return "$status"
}
until_drawn() { listen "$x_client" damage "$1" && shift && until_heard "$@"; }  # WINDOW SECONDS CHECK...
