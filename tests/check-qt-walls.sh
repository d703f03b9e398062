#!/usr/bin/env bash
# Fails when a Qt header is included where the architecture forbids it: the Qt-free libraries,
# the application's non-visual code, and platform's public headers, core and headless backend.
root=${1:-.}
cd "$root" || exit 2
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/[^>"]*)[>"]'
hits=$(grep -rnE "$pattern" --include='*.h' --include='*.cpp' \
  utility VirtualTree memo report net platform/include platform/src platform/headless \
  app/*.h app/*.cpp app/bankfile 2>/dev/null | grep -v '^app/main.cpp:')
if [ -n "$hits" ]; then
  echo "Qt headers where they are not allowed:"
  echo "$hits"
  exit 1
fi
echo "Qt include walls hold."
