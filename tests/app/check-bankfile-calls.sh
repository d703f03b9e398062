#!/usr/bin/env bash
# Fails when the bank file's reader, writer or codec call the program's dialogs, seams or
# globals: they get all they need from their arguments.
#   $1  the bank library (a static archive holding BankReader, BankWriter and BankCodec)
set -u
lib=$1
members="BankReader.cpp.o BankWriter.cpp.o BankCodec.cpp.o"
forbidden='MessageDlg|Seam\(|Seams\(\)|Bank\(\)|Settings\(\)|ProgramState\(\)|WorkgroupConfigured|TBusyScope|TEventPump'
failed=0
for member in $members; do
  symbols=$(nm -C -u "$lib" 2>/dev/null | awk -v m="$member:" '/:$/ { on = ($0 == m) } on && !/:$/')
  if [ -z "$(nm -C "$lib" 2>/dev/null | grep -x "$member:")" ]; then
    echo "$member is not in $lib"; failed=1; continue
  fi
  hits=$(echo "$symbols" | grep -E "$forbidden" | head -5)
  if [ -n "$hits" ]; then echo "$member calls the program:"; echo "$hits"; failed=1; fi
done
[ $failed -eq 0 ] && echo "The bank file code calls no dialog."
exit $failed
