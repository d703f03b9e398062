#!/usr/bin/env bash
# Fails when a C++ source or header differs from the project's .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
else
  mapfile -d '' files < <(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0)
fi
clang-format --dry-run -Werror "${files[@]}"
echo "format: ${#files[@]} files as .clang-format wants them"
