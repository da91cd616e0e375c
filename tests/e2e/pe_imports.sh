#!/usr/bin/env bash
# The program must start on a bare WinPE: it may import only system DLLs that
# every Windows has (the device, version and network libraries are loaded at
# run time), and carries its manifest and version resource.
#   tests/e2e/pe_imports.sh path/to/orvane.exe [x86-64|i386]   (default x86-64)
set -uo pipefail
source "$(dirname "$0")/lib.bash"
exe=$1
objdump=$(command -v x86_64-w64-mingw32-objdump || command -v objdump)

# The file format and the optional header's magic (PE32+ or PE32).
declare -A formats=([x86-64]="pei-x86-64 020b" [i386]="pei-i386 010b")
want=${formats[${2:-x86-64}]:?unknown architecture ${2:-}}

headers=$("$objdump" -p "$exe") || { echo "FAIL: cannot read $exe" >&2; exit 1; }
e2e_expect_eq "$exe: file format and optional-header magic" \
  "$(sed -n 's/.*file format \(.*\)$/\1/p' <<<"$headers" | head -1) $(awk '$1 == "Magic" {print $2}' <<<"$headers")" \
  "$want"

allowed="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comctl32.dll comdlg32.dll ole32.dll oleaut32.dll
msvcrt.dll shlwapi.dll uxtheme.dll msimg32.dll ntdll.dll"
imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers" | sort -u)
e2e_expect "$exe imports:$(printf ' %s' $imports)" [ -n "$imports" ]
e2e_expect_eq "$exe: imported DLLs that not every WinPE has" \
  "$(comm -23 - <(printf '%s\n' $allowed | sort) <<<"$imports" | paste -sd' ')" ""

e2e_expect "$exe has a manifest asking for administrator rights" grep -aq 'requireAdministrator' "$exe"
e2e_expect "$exe has a common-controls dependency" grep -aq 'Microsoft.Windows.Common-Controls' "$exe"
e2e_expect "$exe has the version strings 2.0.3.2" grep -qx '2.0.3.2' <<<"$(strings -el "$exe")"
e2e_finish
