#!/usr/bin/env bash
# The import from the installed Windows in the real program under Wine: page 1
# with the system option lists on page 2 the adapter that the Windows on D:
# drives; ticked and imported, its driver is exported out of D: and installed
# on the running system's device, the item turns blue, the log holds the
# Host-Install lines, and every file on D: is as it was before.
#   tests/e2e/host_import.sh path/to/orvane.exe    (the x64 build)
# ORVANE_PROBE names the probe (default: tests/orvane-probe.exe of the build);
# ORVANE_SCREENSHOT_DIR, when set, receives a picture of page 2 after the import.
set -uo pipefail
exe=$(realpath "$1")
probe=$(realpath "${ORVANE_PROBE:-$(dirname "$exe")/tests/orvane-probe.exe}")
source "$(dirname "$0")/lib.bash"

work=$(mktemp -d)
program_pid=
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  [ -n "${WINEPREFIX:-}" ] && e2e_unmap_drive d
  e2e_cleanup
  rm -rf "$work"
}
trap cleanup EXIT
unset DISPLAY
e2e_start_display
e2e_use_prefix "${ORVANE_E2E_PREFIX:-$(dirname "$exe")/e2e-wine}"

# Controls: page 1 container 101; page 2 DeviceTree 1205, DeviceStatus1 1207.
dump() { e2e_probe "$probe" dump " Orvane" 2>/dev/null | tr -d '\r' >"$work/dump"; }
field_of() { awk -F'\t' -v k="$1" -v id="$2" -v f="$3" '$1 == k && $2 == id { print $f; exit }' "$work/dump"; }
# wait_line KIND ID FIELD TEXT: up to 60 s until that field of the first such line shows TEXT.
wait_line() {
  for _ in $(seq 1 240); do
    dump
    [ "$(field_of "$1" "$2" "$3")" = "$4" ] && return 0
    sleep 0.25
  done
  return 1
}
blue_pixels() {  # of the tree's item rows
  import -window root -crop "470x120+$((win_x + 16))+$((win_y + 140))" -depth 8 txt:- 2>/dev/null |
    grep -ic '#0000FF'
}
click_at() { xdotool mousemove "$((win_x + $1))" "$((win_y + $2))" click 1; }
# Every file and folder on D:, with the files' hashes.
disk_state() { (cd "$work/disk-d" && find . -printf '%y %p\n' | sort && find . -type f -exec sha256sum {} + | sort); }
service_installed() { e2e_reg query 'HKLM\System\CurrentControlSet\Services\AcmeGbe' >/dev/null 2>&1; }

# The installed Windows on D:, with its copy of the adapter's driver where its INF installed it.
e2e_installed_windows "$probe" "$work/disk-d/Windows" || { e2e_fail "could not build the installation on D:"; exit 1; }
mkdir -p "$work/disk-d/Windows/System32/drivers"
printf 'acmegbe driver image of the test fixture\n' >"$work/disk-d/Windows/System32/drivers/acmegbe.sys"
e2e_map_drive d "$work/disk-d" Data
e2e_acme_device "$probe" || e2e_fail "the test device could not be registered"
disk_state >"$work/before"
# Nothing of an earlier run counts: its log, the adapter's service and driver file.
installed_sys=$WINEPREFIX/drive_c/windows/system32/drivers/acmegbe.sys
e2e_reg delete 'HKLM\System\CurrentControlSet\Services\AcmeGbe' /f >/dev/null 2>&1
rm -f "$WINEPREFIX/drive_c/Orvane.log" "$installed_sys"

WINEDEBUG=-all "$WINE64" "$exe" >/dev/null 2>&1 &
program_pid=$!
window=$(e2e_wait_window " Orvane" 90)
[ -n "$window" ] || { e2e_fail "no window appeared"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"
win_x=$X win_y=$Y
wait_line control 101 4 1 || e2e_fail "page 1 did not appear"
click_at $((8 + 140 + 10)) $((48 + 97 + 10))  # page 1: system option, OK
sleep 0.3
click_at $((8 + 410 + 30)) $((48 + 290 + 11))
e2e_expect "page 2 lists the adapter" wait_line control 1207 6 "1 Driver found"

click_at $((8 + 7 + 9)) $((48 + 90 + 9))  # the item's check box
e2e_expect "item ticked" wait_line tree-item 1205 4 1
click_at $((8 + 410 + 35)) $((48 + 290 + 11))  # Import
e2e_expect "import ended" wait_line control 1207 6 "1 / 1 Driver Installed successfully"
e2e_expect_eq "item unticked" "$(field_of tree-item 1205 4)" 0
xdotool mousemove 0 0
for _ in $(seq 1 40); do [ "$(blue_pixels)" -gt 20 ] && break; sleep 0.25; done
e2e_expect "the item's text is blue" test "$(blue_pixels)" -gt 20
[ -n "${ORVANE_SCREENSHOT_DIR:-}" ] && mkdir -p "$ORVANE_SCREENSHOT_DIR" &&
  import -window root -crop "512x390+$win_x+$win_y" "$ORVANE_SCREENSHOT_DIR/page2-import.png" 2>/dev/null

# The log, its date and WinPE lines (whose texts vary) checked for their form.
log=$(tr -d '\r' <"$WINEPREFIX/drive_c/Orvane.log" 2>/dev/null |
  sed -e 's/^Date: Day:[0-9]* Month:[0-9]* Year:[0-9]\{4\}$/DATE/' -e 's/^WinPE: Win .* (64 Bit)$/WINPE/')
expected=$(printf '%s\n' "" "Orvane (Host-Install)" "Orvane driver installer for WinPE" DATE "" WINPE \
  "Host OS: Win 10 (64 Bit)" "" "Install: Acme Gigabit Adapter" "successfully installed")
e2e_expect_eq "log header and lines" "$log" "$expected"
e2e_expect "the adapter's service is installed" service_installed
e2e_expect "the driver file is installed" test -f "$installed_sys"
e2e_expect "every file on D: as before" cmp -s "$work/before" <(disk_state)
e2e_finish
