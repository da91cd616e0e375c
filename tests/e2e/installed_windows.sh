#!/usr/bin/env bash
# The installed-Windows road of the real program under Wine: page 1 with the
# system option finds the Windows on drive D: (a folder of the host, with
# hive files saved by the platform) and shows on page 2 the network adapter
# of the running system that this Windows drives, ready for the import; the
# rescan scans that installation again; a second installation on E: leads to the choice on
# page 5, whose confirmed line is scanned; no installation leads to page 4.
# What the window shows is read from outside the process with the probe.
#   tests/e2e/installed_windows.sh path/to/orvane.exe    (the x64 build)
# ORVANE_PROBE names the probe (default: tests/orvane-probe.exe of the build);
# ORVANE_SCREENSHOT_DIR, when set, receives a picture of page 2.
set -uo pipefail
exe=$(realpath "$1")
probe=$(realpath "${ORVANE_PROBE:-$(dirname "$exe")/tests/orvane-probe.exe}")
source "$(dirname "$0")/lib.bash"

work=$(mktemp -d)
program_pid=
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  if [ -n "${WINEPREFIX:-}" ]; then
    e2e_unmap_drive d
    e2e_unmap_drive e
  fi
  e2e_cleanup
  rm -rf "$work"
}
trap cleanup EXIT

unset DISPLAY
e2e_start_display
e2e_use_prefix "${ORVANE_E2E_PREFIX:-$(dirname "$exe")/e2e-wine}"

title=" Orvane"
# Controls (identifiers of the main window): page containers 100 + n; page 2:
# TargetLine 1202, DeviceCount 1204, DeviceTree 1205, DeviceStatus1 1207,
# DeviceImport 1211; page 5: WindowsChoice 1503.
dump() { e2e_probe "$probe" dump "$title" 2>/dev/null | tr -d '\r'; }
field_of() {  # field_of KIND ID FIELD: that field of the first such line of the last dump
  awk -F'\t' -v kind="$1" -v id="$2" -v f="$3" '$1 == kind && $2 == id { print $f; exit }' "$work/dump"
}
visible_page() {
  awk -F'\t' '$1 == "control" && $2 >= 101 && $2 <= 106 && $4 == 1 { print $2 - 100; exit }' "$work/dump"
}
# Waits up to $1 seconds until the dump satisfies the shell test "$2".
wait_for() {
  local limit=$1 condition=$2 i
  for i in $(seq 1 $((limit * 4))); do
    dump >"$work/dump"
    if eval "$condition"; then return 0; fi
    sleep 0.25
  done
  return 1
}

start_program() {
  WINEDEBUG=-all "$WINE64" "$exe" >/dev/null 2>&1 &
  program_pid=$!
  window=$(e2e_wait_window "$title" 90)
  if [ -z "$window" ]; then
    e2e_fail "no window titled '$title' appeared"
    exit 1
  fi
  wait_for 30 '[ "$(visible_page)" = 1 ]' || e2e_fail "the mode page did not appear"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  win_x=$X win_y=$Y
}

stop_program() {
  kill "$program_pid" 2>/dev/null
  e2e_wait_exit "$program_pid" 30 >/dev/null
  program_pid=
}

click_at() { xdotool mousemove "$((win_x + $1))" "$((win_y + $2))" click 1; }

# Page 1: the system option, then OK.
choose_system_mode() {
  click_at $((8 + 140 + 10)) $((48 + 97 + 10))
  sleep 0.3
  click_at $((8 + 410 + 30)) $((48 + 290 + 11))
}

# Page 2 after a scan of the fixture: the adapter, the count, the status.
check_device_page() {
  local what=$1 target=$2 status=$3 import=$4
  if ! wait_for 60 '[ "$(field_of control 1207 6)" = "$status" ]'; then
    e2e_fail "$what: status line is '$(field_of control 1207 6)', expected '$status'"
    return
  fi
  [ "$(visible_page)" = 2 ] && e2e_pass "$what: device page shown" || e2e_fail "$what: page $(visible_page) shown"
  local item
  item=$(awk -F'\t' '$1 == "tree-item" && $2 == 1205' "$work/dump")
  if [ "$(printf '%s\n' "$item" | grep -c .)" = 1 ] && [ "$(printf '%s' "$item" | cut -f7)" = "Acme Gigabit Adapter" ] &&
    [ "$(printf '%s' "$item" | cut -f5)" = 1 ]; then
    e2e_pass "$what: the tree lists 'Acme Gigabit Adapter' (record 1)"
  else
    e2e_fail "$what: tree items: '$item'"
  fi
  [ "$(field_of control 1204 6)" = 1 ] && e2e_pass "$what: count 1" || e2e_fail "$what: count '$(field_of control 1204 6)'"
  e2e_pass "$what: status '$status'"
  # The running system is whatever Windows version the prefix plays.
  local line
  line=$(field_of control 1202 6)
  [[ $line == $target ]] && e2e_pass "$what: target line '$line'" ||
    e2e_fail "$what: target line '$line', expected '$target'"
  [ "$(field_of control 1211 5)" = "$import" ] && e2e_pass "$what: import enabled=$import" ||
    e2e_fail "$what: import enabled=$(field_of control 1211 5), expected $import"
  if e2e_reg query 'HKLM\X_System' >/dev/null 2>&1 || e2e_reg query 'HKLM\X_Software' >/dev/null 2>&1; then
    e2e_fail "$what: a hive is still loaded after the scan"
  else
    e2e_pass "$what: hives unloaded after the scan"
  fi
}

# --- fixture -----------------------------------------------------------------
e2e_installed_windows "$probe" "$work/disk-d/Windows" || { e2e_fail "could not build the installation on D:"; exit 1; }
e2e_map_drive d "$work/disk-d" Data
e2e_unmap_drive e
type=$(e2e_probe "$probe" drive-type 'D:\' | tr -d '\r')
[ "$type" = 3 ] && e2e_pass "drive D: is a fixed drive" || e2e_fail "drive D: has type '$type', expected 3 (fixed)"
e2e_acme_device "$probe" || e2e_fail "the test device could not be registered"

# --- one installation: page 2 with the adapter ---------------------------------
start_program
choose_system_mode
check_device_page "D:\\Windows" "Host: Win 10 64 Bit -----> WinPE: Win * 64 Bit" "1 Driver found" 1
if [ -n "${ORVANE_SCREENSHOT_DIR:-}" ]; then
  mkdir -p "$ORVANE_SCREENSHOT_DIR"
  xdotool mousemove 0 0
  sleep 0.5
  import -window root -crop "512x390+$win_x+$win_y" "$ORVANE_SCREENSHOT_DIR/page2-devices.png" 2>/dev/null
fi

# The rescan scans the installation of the last scan again: made 32-bit in
# the meantime, it no longer offers the import.
e2e_hive_file "$probe" "$E2E_INSTALLED_WINDOWS/system.reg" "$work/disk-d/Windows/System32/config/SYSTEM" x86 ||
  e2e_fail "could not rewrite the SYSTEM hive on D:"
click_at $((8 + 290 + 35)) $((48 + 290 + 11))
check_device_page "rescan" "Host: Win 10 32 Bit -----> WinPE: Win * 64 Bit" "Architecture not compatibel" 0
e2e_hive_file "$probe" "$E2E_INSTALLED_WINDOWS/system.reg" "$work/disk-d/Windows/System32/config/SYSTEM" ||
  e2e_fail "could not restore the SYSTEM hive on D:"
stop_program

# --- two installations: the choice on page 5 ----------------------------------
e2e_installed_windows "$probe" "$work/disk-e/Win10" x86 || e2e_fail "could not build the installation on E:"
e2e_map_drive e "$work/disk-e" ""
start_program
choose_system_mode
if wait_for 30 '[ "$(visible_page)" = 5 ]'; then
  lines=$(awk -F'\t' '$1 == "list-line" && $2 == 1503 { print $4 }' "$work/dump" | paste -sd'|')
  [ "$lines" = 'D:\Windows - (Data)|E:\Win10 - ()' ] && e2e_pass "page 5 lists both installations" ||
    e2e_fail "page 5 lists '$lines'"
  e2e_probe "$probe" select "$title" 1503 1 || e2e_fail "could not select the second line"
  click_at $((8 + 410 + 30)) $((48 + 290 + 11))
  # The 32-bit installation on E: was scanned: its line, and no import.
  check_device_page "E:\\Win10" "Host: Win 10 32 Bit -----> WinPE: Win * 64 Bit" "Architecture not compatibel" 0
else
  e2e_fail "page 5 did not appear with two installations (page $(visible_page))"
fi
stop_program

# --- no installation: page 4 ----------------------------------------------------
e2e_unmap_drive d
e2e_unmap_drive e
start_program
choose_system_mode
if wait_for 30 '[ "$(visible_page)" = 4 ]'; then
  e2e_pass "no installation leads to page 4"
else
  e2e_fail "no installation: page $(visible_page) shown instead of page 4"
fi
stop_program

[ "$E2E_FAILURES" -eq 0 ] || exit 1
