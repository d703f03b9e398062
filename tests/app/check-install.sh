#!/usr/bin/env bash
# Installs the program into a temporary DESTDIR and checks that it lands where the desktop
# finds it: the program, its manual, the desktop entry naming the installed program, the icon.
set -eu
build=$1
tmp=$(mktemp -d "${TMPDIR:-/tmp}/lorvane-install.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
prefix=/opt/lorvane-check
DESTDIR="$tmp" cmake --install "$build" --prefix "$prefix" >"$tmp/install.log"
root="$tmp$prefix"
fail=0
check() { if ! "$@"; then echo "FAILED: $*"; fail=1; fi; }
check test -x "$root/bin/lorvane"
check test -s "$root/share/lorvane/lorvane.html"
check test -s "$root/share/icons/hicolor/scalable/apps/lorvane.svg"
entry="$root/share/applications/lorvane.desktop"
check test -s "$entry"
check grep -qx "Exec=$prefix/bin/lorvane" "$entry"
check grep -qx "Icon=lorvane" "$entry"
# The program looks for its manual at ../share/lorvane/ from its own folder.
check test -s "$root/bin/../share/lorvane/lorvane.html"
if command -v desktop-file-validate >/dev/null; then
  check desktop-file-validate "$entry"
else
  echo "desktop-file-validate is not installed: the entry's syntax was not checked"
fi
exit $fail
