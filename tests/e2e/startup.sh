#!/usr/bin/env bash
# Start-up of the real program under Wine: the WinPE check with its message
# box in English and German, and a start inside a WinPE-like prefix that sizes
# the write-filter cache, leaves the system drive clean and reaches the run mode.
#   tests/e2e/startup.sh path/to/orvane.exe    (the x64 build)
set -uo pipefail
exe=$(realpath "$1")
source "$(dirname "$0")/lib.bash"

work=$(mktemp -d)
trap 'e2e_cleanup; rm -rf "$work"' EXIT
e2e_start_display
e2e_use_prefix "${ORVANE_E2E_PREFIX:-$(dirname "$exe")/e2e-wine}" --desktop

title="Orvane 2.0.3.2"
fbwf_key='HKLM\SYSTEM\ControlSet001\Services\FBWF'
e2e_reg delete "$fbwf_key" /f >/dev/null 2>&1

# Starts the program with the given locale and arguments; the message box
# texts end up in $work/trace.
start_program() {
  local lang=$1
  shift
  LANG=$lang LC_ALL= WINEDEBUG=+msgbox "$WINE64" "$exe" "$@" >/dev/null 2>"$work/trace" &
  program_pid=$!
}

# --- a desktop system: refused with the WinPE box, in the user's language ---
check_refusal() {
  local lang=$1 expected=$2
  start_program "$lang"
  local box
  box=$(e2e_wait_window "$title" 90)
  if [ -z "$box" ]; then
    e2e_fail "$lang: no box titled '$title' appeared"
    kill "$program_pid" 2>/dev/null
    return
  fi
  e2e_close_box "$box"
  local rc=0
  e2e_wait_exit "$program_pid" 60 || rc=$?
  local texts
  texts=$(e2e_box_texts "$work/trace")
  if [ "$texts" = "$expected" ]; then
    e2e_pass "$lang: box '$title' says '$expected'"
  else
    e2e_fail "$lang: box texts were '$texts', expected '$expected'"
  fi
  if [ "$rc" -ne 1 ]; then
    e2e_fail "$lang: exit code $rc after the refusal, expected 1"
  else
    e2e_pass "$lang: program ended after the box"
  fi
}

check_refusal C.UTF-8 "              For WinPE only"

# German needs a locale the C library knows; Wine then reports German (7).
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ "$(id -u)" -eq 0 ] && grep -q 'de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen && locale-gen >/dev/null
  fi
fi
german=$(LANG=de_DE.UTF-8 e2e_reg query 'HKCU\Control Panel\International' /v Locale 2>/dev/null |
  awk '/Locale/ {print $3}' | tr -d '\r')
if [ "$german" != "00000407" ]; then
  e2e_fail "Wine does not report German under LANG=de_DE.UTF-8 (locale '$german'); run scripts/install-toolchain"
else
  check_refusal de_DE.UTF-8 "     Nur unter WinPE starten"
fi

if e2e_reg query "$fbwf_key" /v WinPECacheThreshold >/dev/null 2>&1; then
  e2e_fail "the write-filter cache was sized outside WinPE"
fi

# --- inside WinPE: no box, cache threshold written, run mode reached ----------
"$E2E_ROOT/scripts/winpe-prefix" "$WINEPREFIX"

check_winpe_start() {
  local label=$1
  shift
  e2e_reg delete "$fbwf_key" /f >/dev/null 2>&1
  start_program C.UTF-8 "$@"
  # The run mode either opens its window (titled " Orvane") or, with no
  # window to open, ends the process at once; both mean start-up is through.
  local rc=124 i
  for i in $(seq 1 450); do
    if ! kill -0 "$program_pid" 2>/dev/null; then
      rc=0
      wait "$program_pid" || rc=$?
      break
    fi
    if [ -n "$(xdotool search --name '^ Orvane$' 2>/dev/null | head -1)" ]; then
      rc=0
      kill "$program_pid" 2>/dev/null
      wait "$program_pid" 2>/dev/null
      break
    fi
    sleep 0.2
  done
  [ "$rc" -eq 124 ] && kill "$program_pid" 2>/dev/null
  local texts
  texts=$(e2e_box_texts "$work/trace")
  if [ -n "$texts" ]; then
    e2e_fail "$label: unexpected message box '$texts'"
    local box
    box=$(e2e_wait_window "$title" 1)
    [ -n "$box" ] && e2e_close_box "$box"
  fi
  if [ "$rc" -ne 0 ]; then
    e2e_fail "$label: exit code $rc, expected 0"
  else
    e2e_pass "$label: start-up reached the run mode"
  fi
  local value
  value=$(e2e_reg query "$fbwf_key" /v WinPECacheThreshold 2>/dev/null | tr -d '\r' |
    awk '$1 == "WinPECacheThreshold" {print $2, $3}')
  # Wine's memory is the host's: one eighth of it, or the asked share, capped at 130 MiB.
  local mib=$(( $(awk '/^MemTotal:/ {print $2}' /proc/meminfo) / 1024 ))
  local percent=${expected_percent:-0} expected
  if [ "$percent" -gt 0 ]; then expected=$((mib / 100 * percent)); else expected=$((mib / 8)); fi
  [ "$expected" -gt 130 ] && expected=130
  if [ "$value" = "$(printf 'REG_DWORD 0x%x' "$expected")" ]; then
    e2e_pass "$label: WinPECacheThreshold is $value"
  else
    e2e_fail "$label: WinPECacheThreshold reads '$value', expected REG_DWORD of $expected"
  fi
  local leftovers
  leftovers=$(find "$WINEPREFIX/drive_c" -maxdepth 1 -iname 'orvane-write-test-*' | head -3)
  if [ -n "$leftovers" ]; then
    e2e_fail "$label: the write test left $leftovers behind"
  fi
}

expected_percent=0 check_winpe_start "WinPE, interactive"
expected_percent=1 check_winpe_start "WinPE, unattended with -f:1 -d" -f:1 -d

if [ "$E2E_FAILURES" -ne 0 ]; then
  echo "$E2E_FAILURES check(s) failed"
  exit 1
fi
echo "all start-up checks passed"
