#!/usr/bin/env bash
# Fails when a Qt-free library or a test program of one links Qt.
#   --links FILE      the link lists of the Qt-free targets, one "target: items" a line
#   --library LIB     a static library that must call nothing of Qt
#   --program EXE     a program that must load no Qt library and call nothing of Qt
#   --qt-program EXE  a program that does link Qt: proves the checks see Qt where it is
# Qt calls are found by their demangled names (QString::, QWidget::, ...).
set -u
qt_calls() { nm -C "$@" 2>/dev/null | grep -E '(^|[^A-Za-z0-9_])Q[A-Z][A-Za-z0-9]*::' | head -3; }
qt_needed() { readelf -d "$1" 2>/dev/null | grep -E 'NEEDED.*libQt' | head -3; }
failed=0
while [ $# -gt 0 ]; do
  kind=$1 path=${2:-}
  shift 2
  case $kind in
    --links)
      hits=$(grep -E 'Qt6::|platform_qt' "$path")
      if [ -n "$hits" ]; then echo "Qt in the link list of a Qt-free target:"; echo "$hits"; failed=1; fi ;;
    --library)
      hits=$(qt_calls -u "$path")
      if [ -n "$hits" ]; then echo "$path calls Qt:"; echo "$hits"; failed=1; fi ;;
    --program)
      hits="$(qt_needed "$path")$(qt_calls "$path")"
      if [ -n "$hits" ]; then echo "$path links Qt:"; echo "$hits"; failed=1; fi ;;
    --qt-program)
      if [ -z "$(qt_needed "$path")" ] || [ -z "$(qt_calls "$path")" ]; then
        echo "$path should link Qt, yet the checks see none: they are broken"; failed=1
      fi ;;
    *) echo "unknown argument $kind"; exit 2 ;;
  esac
done
[ $failed -eq 0 ] && echo "Qt link walls hold."
exit $failed
