#!/usr/bin/env bash
# The program must start on a bare WinPE: it may import only system DLLs that
# every Windows has (the device, version and network libraries are loaded at
# run time), and carries its manifest and version resource.
#   tests/e2e/pe_imports.sh path/to/orvane.exe [x86-64|i386]   (default x86-64)
set -uo pipefail
source "$(dirname "$0")/lib.bash"
exe=$1
arch=${2:-x86-64}
objdump=$(command -v x86_64-w64-mingw32-objdump || command -v objdump)

case $arch in
  x86-64) want_format="pei-x86-64" want_magic="PE32+" ;;
  i386) want_format="pei-i386" want_magic="PE32" ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac

headers=$("$objdump" -p "$exe") || { echo "FAIL: cannot read $exe" >&2; exit 1; }
format=$(printf '%s\n' "$headers" | sed -n 's/.*file format \(.*\)$/\1/p' | head -1)
magic=$(printf '%s\n' "$headers" | awk '$1 == "Magic" {print $2}')
[ "$format" = "$want_format" ] || e2e_fail "$exe is $format, expected $want_format"
case "$want_magic:$magic" in
  PE32+:020b | PE32:010b) ;;
  *) e2e_fail "$exe has optional-header magic $magic, expected $want_magic" ;;
esac

allowed=" kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comctl32.dll comdlg32.dll \
ole32.dll oleaut32.dll msvcrt.dll shlwapi.dll uxtheme.dll msimg32.dll ntdll.dll "
imports=$(printf '%s\n' "$headers" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
[ -n "$imports" ] || e2e_fail "$exe lists no imported DLLs"
for dll in $imports; do
  case "$allowed" in
    *" $dll "*) ;;
    *) e2e_fail "$exe imports $dll, which is not a system DLL every WinPE has" ;;
  esac
done

grep -aq 'requireAdministrator' "$exe" || e2e_fail "$exe has no manifest asking for administrator rights"
grep -aq 'Microsoft.Windows.Common-Controls' "$exe" || e2e_fail "$exe has no common-controls dependency"
versions=$(strings -el "$exe")
grep -qx '2.0.3.2' <<<"$versions" || e2e_fail "$exe has no version strings 2.0.3.2"

[ "$E2E_FAILURES" -eq 0 ] && e2e_pass "$exe is $want_magic ($format) and imports only:" $imports
e2e_finish
