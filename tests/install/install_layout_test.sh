#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what lands there: exactly the executable, the
# menu entry, the metainfo and the icon, in the folders a desktop looks in; the three files name
# one another by the same id; the screenshot the metainfo names is the one in the sources; and the
# installed executable carries no path into the build tree.
set -euo pipefail
build=$1 source=$2 prefix=$3
id=io.github.nurlo.Nurlo

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

expected="bin/nurlo
share/applications/$id.desktop
share/icons/hicolor/scalable/apps/$id.svg
share/metainfo/$id.metainfo.xml"
actual=$(cd "$prefix" && find . -type f -printf '%P\n' | sort)
[ "$actual" = "$expected" ] || fail "installed files differ:"$'\n'"$actual"$'\n'"expected:"$'\n'"$expected"

[ -x "$prefix/bin/nurlo" ] || fail "bin/nurlo is not executable"
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
grep -qx "Exec=nurlo" "$desktop" || fail "the desktop entry does not start nurlo"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry does not name the installed icon"
grep -q "<id>$id</id>" "$metainfo" || fail "the metainfo's id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch the installed desktop entry"
grep -q '<binary>nurlo</binary>' "$metainfo" || fail "the metainfo does not provide bin/nurlo"
screenshot=$(sed -n 's|.*<image>.*/\(docs/[^<]*\)</image>.*|\1|p' "$metainfo")
[ -n "$screenshot" ] && [ -f "$source/$screenshot" ] ||
  fail "the metainfo's screenshot '$screenshot' is not in the sources"

if readelf -d "$prefix/bin/nurlo" | grep -Eq 'R(UN)?PATH.*'"$build"; then
  fail "the installed executable still looks for libraries in the build tree"
fi
echo "installed: $(echo "$actual" | tr '\n' ' ')"
