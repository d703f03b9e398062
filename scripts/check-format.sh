#!/usr/bin/env bash
# Fails when a C++ source or header differs from the project's .clang-format.
# The files are formatted by clang-format 14 (Debian 12's); other major versions break and
# join lines differently, so they are refused rather than trusted. CLANG_FORMAT names another
# binary of that version.
set -euo pipefail
cd "$(dirname "$0")/.."
expected_major=14
tool=${CLANG_FORMAT:-}
if [[ -z "$tool" ]]; then
  if command -v "clang-format-$expected_major" >/dev/null 2>&1; then
    tool="clang-format-$expected_major"
  else
    tool=clang-format
  fi
fi
if ! command -v "$tool" >/dev/null 2>&1; then
  echo "format: $tool not found; install clang-format $expected_major (scripts/deps.sh)" >&2
  exit 2
fi
version=$("$tool" --version)
if [[ ! "$version" =~ version\ ([0-9]+)\. ]]; then
  echo "format: cannot read the version of $tool from: $version" >&2
  exit 2
fi
major=${BASH_REMATCH[1]}
if [[ "$major" != "$expected_major" ]]; then
  echo "format: $tool is version $major, but the files are formatted by clang-format" \
       "$expected_major; install clang-format-$expected_major or name it in CLANG_FORMAT" >&2
  exit 2
fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
else
  mapfile -d '' files < <(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0)
fi
"$tool" --dry-run -Werror "${files[@]}"
echo "format: ${#files[@]} files as .clang-format (clang-format $major) wants them"
