#!/bin/bash
# Lists the DLLs each Windows program imports and fails on any that does not come with Windows
# itself: the programs must run on a bare system, with the compiler's runtime (libstdc++,
# libgcc, winpthread) linked in.
# Usage: dll-imports.sh OBJDUMP PROGRAM...
set -euo pipefail
objdump=$1
shift
# Part of every Windows installation (Windows 7 and later).
system_dlls=" advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll crypt32.dll dwmapi.dll gdi32.dll
  imm32.dll kernel32.dll msvcrt.dll ntdll.dll ole32.dll oleaut32.dll setupapi.dll shell32.dll
  shlwapi.dll user32.dll userenv.dll uxtheme.dll version.dll winmm.dll ws2_32.dll "
system_dlls=" $(echo $system_dlls) "
status=0
for program in "$@"; do
  if ! listing=$("$objdump" -p "$program"); then
    echo "cannot read $program" >&2
    exit 1
  fi
  dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$listing" | tr '[:upper:]' '[:lower:]' | sort -u)
  if [ -z "$dlls" ]; then
    echo "$program: no DLL imports found" >&2
    status=1
  fi
  echo "$(basename "$program"): $(echo $dlls)"
  for dll in $dlls; do
    if [[ $system_dlls != *" $dll "* ]]; then
      echo "  $dll does not come with Windows" >&2
      status=1
    fi
  done
done
exit $status
