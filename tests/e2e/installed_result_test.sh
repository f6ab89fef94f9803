#!/usr/bin/env bash
# The installed program, run by a user who cannot write the folder it is installed in, writes
# risultato.m in that user's documents folder (made for it) and nothing beside itself.
#
# It installs the build into a prefix of its own, takes the right to write from its bin folder
# and runs the program there as a user without it (nobody, when the test runs as root, since
# root writes anywhere), with a home of its own and no documents folder yet; then, as a person
# does, it opens the square's x-section from the menu, fills it in and presses "Calcola!".
#
# Usage: installed_result_test.sh NURLO_EXECUTABLE X_CLIENT OUTPUT_FOLDER BUILD_FOLDER
set -euo pipefail
# shellcheck source=x_session.sh
. "$(dirname "$0")/x_session.sh"
x_client=$2 out=$3 build=$4 name=installed_result_test

work=$(mktemp -d)
chmod 755 "$work"
prefix=$work/prefix home=$work/home
cmake --install "$build" --prefix "$prefix" >/dev/null
exe=$prefix/bin/nurlo
chmod a-w "$prefix/bin"
mkdir "$home"
run_as=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody "$home"
  run_as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
documents=$home/Documents

start_display
trap 'kill ${pid:-} ${LISTENER_PID:-} "$xvfb" 2>/dev/null || true; chmod -R u+w "$work"; rm -rf "$work"' EXIT
"${run_as[@]}" env -u XDG_CONFIG_HOME -u XDG_DOCUMENTS_DIR HOME="$home" QT_QPA_PLATFORM=xcb \
  "$exe" 2>"$out/$name-stderr.txt" &
pid=$!

# The menu's focus order: the square's point, "Esci", the square's x-section.
focus Form1
tab 2; key space
focus Form3
# Calcola!, Dimensioni, Ordinata sezione, N prove, N° suddivisioni, Dato al bordo.
for value in 1 2 50 4; do
  tab 1; write "$value"
done
tab 1; down 2  # "Seno"
[ -d "$documents" ] || fail "the program made no documents folder at $documents"
listen inotifywait -m -e close_write "$documents"
tab 4; key space
written() { [ "$(grep -c . "$documents/risultato.m" 2>/dev/null)" = 5 ]; }
until_heard 60 written || fail "no risultato.m of 5 lines in $documents"
[ ! -e "$prefix/bin/risultato.m" ] || fail "risultato.m beside the installed executable"
echo "risultato.m in the documents folder: $(tr '\n' ' ' <"$documents/risultato.m")"
backtab 3; key space
focus Form1
backtab 1; key space  # "Esci", before the x-section button in the focus order
program_ends 5 "after Esci"
echo "installed result test passed"
