#!/usr/bin/env bash
# Runs a command on a virtual X display of its own, and ends the display afterwards.
#
# Xvfb picks the display number itself (-displayfd): the first one that no other server holds,
# taken atomically, so tests that run at once never reach for the same number. It writes the
# number once it accepts clients; the command starts only then, with DISPLAY set.
#
# Usage: with_virtual_display.sh COMMAND [ARGUMENT...]
set -euo pipefail

ready=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$ready" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null || true; rm -f "$ready"' EXIT

# The number comes as a line; a server that fails to start ends instead.
for _ in $(seq 1 600); do
  grep -q '^[0-9]\+$' "$ready" && break
  kill -0 "$server" 2>/dev/null || { echo "Xvfb ended before it took a display"; exit 1; }
  sleep 0.05
done
grep -q '^[0-9]\+$' "$ready" || { echo "Xvfb took no display in 30 s"; exit 1; }
DISPLAY=":$(head -n 1 "$ready")"
export DISPLAY

status=0
"$@" || status=$?
exit "$status"
