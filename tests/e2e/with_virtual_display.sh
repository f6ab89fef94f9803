#!/usr/bin/env bash
# Runs a command on a virtual X display of its own, and ends the display afterwards.
#
# Xvfb picks the display number itself (-displayfd): the first one that no other server holds,
# taken atomically, so tests that run at once never reach for the same number. The command starts
# once the server accepts clients, with DISPLAY set.
#
# Usage: with_virtual_display.sh COMMAND [ARGUMENT...]
set -euo pipefail

# Xvfb writes the display number as a line on descriptor 3 once it accepts clients; reading it
# from a pipe blocks until then, or ends at once if the server ends first.
folder=$(mktemp -d)
mkfifo "$folder/ready"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$folder/ready" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null || true; rm -rf "$folder"' EXIT

number=""
read -r -t 30 number <"$folder/ready" || true
[[ "$number" =~ ^[0-9]+$ ]] || { echo "Xvfb took no display in 30 s"; exit 1; }
DISPLAY=":$number"
export DISPLAY

status=0
"$@" || status=$?
exit "$status"
