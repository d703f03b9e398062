#!/usr/bin/env bash
# Fails when a Qt header is included where the architecture forbids it: the Qt-free libraries,
# the application's non-visual code, and platform's public headers, core and headless backend.
#   check-qt-walls.sh ROOT [--sources LIST]
# LIST names more Qt-free files, one path a line: the sources of the Qt-free libraries that
# share a folder with their Qt shells (controls).
root=${1:-.}
list=
if [ "${2:-}" = --sources ]; then list=${3:-}; fi
cd "$root" || exit 2
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/[^>"]*)[>"]'
hits=$(grep -rnE "$pattern" --include='*.h' --include='*.cpp' \
  utility VirtualTree memo report net platform/include platform/src platform/headless \
  app/*.h app/*.cpp app/bankfile 2>/dev/null | grep -v '^app/main.cpp:')
if [ -n "$list" ]; then
  if [ ! -s "$list" ]; then
    echo "The list of Qt-free sources ($list) is missing or empty"
    exit 2
  fi
  more=$(tr '\n' '\0' <"$list" | xargs -0 grep -nHE "$pattern" 2>/dev/null)
  hits=$(printf '%s\n%s' "$hits" "$more" | sed '/^$/d')
fi
if [ -n "$hits" ]; then
  echo "Qt headers where they are not allowed:"
  echo "$hits"
  exit 1
fi
echo "Qt include walls hold."
