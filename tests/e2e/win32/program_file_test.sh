#!/usr/bin/env bash
# Checks the Windows program's file without running it: a 32-bit console
# program that imports only system DLLs, so it runs on a bare Windows.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../scripts/lib.sh"

exe=$BRISQUEL_ROOT/build/win32/brisquel.exe
pe=$(i686-w64-mingw32-objdump -p "$exe")
dlls=$(sed -n 's/^\tDLL Name: //p' <<<"$pe" | tr '[:lower:]' '[:upper:]' | sort | tr '\n' ' ')
if grep -q 'file format pei-i386' <<<"$pe" && grep -q 'Subsystem.*(Windows CUI)' <<<"$pe" &&
  [ "$dlls" = "KERNEL32.DLL MSVCRT.DLL USER32.DLL " ]; then
  echo "ok   32-bit console program importing only system DLLs"
else
  echo "FAIL program file: imports $dlls"
  exit 1
fi
