#!/usr/bin/env bash
# Start-up of the real program under Wine: the WinPE check with its message
# box in English and German, and a start inside a WinPE-like prefix that sizes
# the write-filter cache, leaves the system drive clean and reaches the run mode.
#   tests/e2e/startup.sh path/to/orvane.exe    (the x64 build)
set -uo pipefail
source "$(dirname "$0")/lib.bash"
e2e_setup "$1" --desktop

title="Orvane 2.0.3.2"
fbwf='HKLM\SYSTEM\ControlSet001\Services\FBWF'
e2e_wine reg delete "$fbwf" /f >/dev/null 2>&1

# --- a desktop system: refused with the WinPE box, in the user's language ---
check_refusal() {
  e2e_box "$title" env LANG="$1" LC_ALL= "$WINE64" "$exe"
  e2e_expect_eq "$1: box '$title' says" "$box_texts" "$2"
  e2e_expect_eq "$1: exit code after the refusal" "$code" 1
}

check_refusal C.UTF-8 "              For WinPE only"

# German needs a locale the C library knows (scripts/install-toolchain makes
# it); Wine then reports German (7).
german=$(LANG=de_DE.UTF-8 e2e_wine reg query 'HKCU\Control Panel\International' /v Locale | grep -o '[0-9A-F]\{8\}')
e2e_expect_eq "Wine's locale under LANG=de_DE.UTF-8 (else run scripts/install-toolchain)" "$german" 00000407 &&
  check_refusal de_DE.UTF-8 "     Nur unter WinPE starten"

# The cache threshold as "REG_DWORD 0x...", empty when there is none.
threshold() { e2e_wine reg query "$fbwf" /v WinPECacheThreshold 2>/dev/null | grep -o 'REG_DWORD\s*\w*' | tr -s ' '; }
e2e_expect_eq "write-filter cache sized outside WinPE" "$(threshold)" ""

# --- inside WinPE: no box, cache threshold written, run mode reached ----------
"$E2E_ROOT/scripts/winpe-prefix" "$WINEPREFIX"
# Wine's memory is the host's: one eighth of it, or the asked share, capped at 130 MiB.
mib=$(($(awk '/^MemTotal:/ {print $2}' /proc/meminfo) / 1024))

# check_winpe_start LABEL MIB ARGS...: a start with ARGS; MIB is the cache
# threshold it writes (capped at 130).
check_winpe_start() {
  local label=$1 expected=$(($2 > 130 ? 130 : $2)) rc=124 pid
  e2e_wine reg delete "$fbwf" /f >/dev/null 2>&1
  WINEDEBUG=+msgbox "$WINE64" "$exe" "${@:3}" >/dev/null 2>"$work/trace" &
  pid=$!
  # The run mode either opens its window (titled " Orvane") or, with no
  # window to open, ends the process at once; both mean start-up is through.
  e2e_until 90 eval '! kill -0 $pid 2>/dev/null || [ "$(e2e_count_windows)" -gt 0 ]' && rc=0
  kill -0 "$pid" 2>/dev/null || wait "$pid" || rc=$?
  kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  e2e_expect_eq "$label: message boxes" "$(e2e_box_texts)" ""
  e2e_expect_eq "$label: exit code of a start that reached the run mode" "$rc" 0
  e2e_expect_eq "$label: WinPECacheThreshold" "$(threshold)" "$(printf 'REG_DWORD 0x%x' "$expected")"
  e2e_expect_eq "$label: files the write test left behind" \
    "$(find "$WINEPREFIX/drive_c" -maxdepth 1 -iname 'orvane-write-test-*' | head -3)" ""
}

check_winpe_start "WinPE, interactive" $((mib / 8))
check_winpe_start "WinPE, unattended with -f:1 -d" $((mib / 100)) -f:1 -d

e2e_finish
