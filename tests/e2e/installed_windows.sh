#!/usr/bin/env bash
# The installed-Windows road of the real program under Wine: page 1 with the
# system option finds the Windows on drive D: (a folder of the host, with
# hive files saved by the platform) and shows on page 2 the network adapter
# of the running system that this Windows drives. Ticked and imported, its
# driver is exported out of D: and installed on the running system's device,
# the item turns blue, the log holds the Host-Install lines, and every file
# on D: is as it was before. The rescan scans that installation again; a
# second installation on E: leads to the choice on page 5, whose confirmed
# line is scanned; no installation leads to page 4. What the window shows is
# read from outside the process with the probe.
#   tests/e2e/installed_windows.sh path/to/orvane.exe    (the x64 build)
# ORVANE_PROBE names the probe (default: tests/orvane-probe.exe of the build);
# ORVANE_SCREENSHOT_DIR, when set, receives pictures of page 2 before and
# after the import.
set -uo pipefail
source "$(dirname "$0")/lib.bash"
e2e_setup "$1"

# Controls (identifiers of the main window): page 2: TargetLine 1202,
# DeviceCount 1204, DeviceTree 1205, DeviceStatus1 1207, DeviceImport 1211;
# page 5: WindowsChoice 1503.
start_program() {
  e2e_start "$exe"
  e2e_wait_page 1 || e2e_fail "the mode page did not appear"
  e2e_choose_mode system
}

# check_device_page WHAT TARGET STATUS IMPORT: page 2 after a scan of the
# fixture shows the adapter (record 1), the count, the target line (a
# pattern: the running system is whatever Windows version the prefix plays),
# that status and the import button enabled or not; the scan's hives are
# unloaded again.
check_device_page() {
  e2e_expect "$1: status line '$3'" e2e_wait_field control 1207 6 "$3" || return
  local got want="page 2|1|Acme Gigabit Adapter|count 1|import $4|$2|hives unloaded"
  got="page $(e2e_page)|$(awk -F'\t' '$1 == "tree-item" && $2 == 1205 { print $5 "|" $6 }' "$work/dump")"
  got+="|count $(e2e_field control 1204 6)|import $(e2e_field control 1211 5)|$(e2e_field control 1202 6)|hives "
  got+=$(e2e_wine reg query HKLM | tr -d '\r' | grep -io '\\X_S[a-z]*$' || echo unloaded)
  # shellcheck disable=SC2053
  [[ $got == $want ]] && echo "ok: $1: $got" || e2e_fail "$1: got '$got', expected '$want'"
}

# Every file and folder on D:, with the files' hashes.
disk_state() { (cd "$work/disk-d" && find . -printf '%y %p\n' | sort && find . -type f -exec sha256sum {} + | sort); }

# --- fixture: a 64-bit installation on D:, a 32-bit one for E: ----------------
e2e_installed_windows "$probe" "$work/disk-d/Windows" || { e2e_fail "could not build the installation on D:"; exit 1; }
e2e_installed_windows "$probe" "$work/disk-e/Win10" x86 || e2e_fail "could not build the installation on E:"
system=$work/disk-d/Windows/System32/config/SYSTEM
cp "$system" "$work/SYSTEM.amd64"
e2e_map_drive d "$work/disk-d" Data
e2e_unmap_drive e
e2e_acme_device "$probe" || e2e_fail "the test device could not be registered"
disk_state >"$work/before"
# Nothing of an earlier run counts: its log, the adapter's service and driver file.
installed_sys=$WINEPREFIX/drive_c/windows/system32/drivers/acmegbe.sys
e2e_wine reg delete 'HKLM\System\CurrentControlSet\Services\AcmeGbe' /f >/dev/null 2>&1
rm -f "$WINEPREFIX/drive_c/Orvane.log" "$installed_sys"

# --- one installation: page 2 with the adapter, and its import ----------------
start_program
check_device_page "D:\\Windows" "Host: Win 10 64 Bit -----> WinPE: Win * 64 Bit" "1 Driver found" 1
e2e_shot "$window" page2-devices.png

e2e_click $((8 + 7 + 9)) $((48 + 90 + 9))  # the item's check box
e2e_expect "item ticked" e2e_wait_field tree-item 1205 4 1
e2e_click $((8 + 410 + 35)) $((48 + 290 + 11))  # Import
e2e_expect "import ended" e2e_wait_field control 1207 6 "1 / 1 Driver Installed successfully"
e2e_expect_eq "item unticked" "$(e2e_field tree-item 1205 4)" 0
xdotool mousemove 0 0
# Many blue pixels in the tree's item rows.
e2e_expect "the item's text is blue" e2e_until 10 eval '[ "$(import -window root -crop \
  "470x120+$((win_x + 16))+$((win_y + 140))" -depth 8 txt:- 2>/dev/null | grep -ic "#0000FF")" -gt 20 ]'
e2e_shot "$window" page2-import.png
e2e_expect_eq "log header and lines" "$(e2e_log)" "$(printf '%s\n' "" "Orvane (Host-Install)" \
  "Orvane driver installer for WinPE" DATE "" WINPE "Host OS: Win 10 (64 Bit)" "" "Install: Acme Gigabit Adapter" \
  "successfully installed")"
e2e_expect "the adapter's service" eval 'e2e_wine reg query "HKLM\System\CurrentControlSet\Services\AcmeGbe" >/dev/null'
e2e_expect "the driver file is installed" test -f "$installed_sys"
e2e_expect "every file on D: as before" cmp -s "$work/before" <(disk_state)

# The rescan scans the installation of the last scan again: made 32-bit in
# the meantime (the SYSTEM hive of E:), it no longer offers the import.
cp "$work/disk-e/Win10/System32/config/SYSTEM" "$system"
e2e_click $((8 + 290 + 35)) $((48 + 290 + 11))
check_device_page "rescan" "Host: Win 10 32 Bit -----> WinPE: Win * 64 Bit" "Architecture not compatibel" 0
cp "$work/SYSTEM.amd64" "$system"
e2e_stop

# --- two installations: the choice on page 5 ----------------------------------
e2e_map_drive e "$work/disk-e" ""
start_program
if e2e_expect "two installations lead to page 5" e2e_wait_page 5; then
  e2e_expect_eq "page 5 lists both installations" \
    "$(awk -F'\t' '$1 == "list-line" && $2 == 1503 { print $4 }' "$work/dump" | paste -sd'|')" \
    'D:\Windows - (Data)|E:\Win10 - ()'
  e2e_wine "$probe" select " Orvane" 1503 1 || e2e_fail "could not select the second line"
  e2e_click $((8 + 410 + 30)) $((48 + 290 + 11))
  # The 32-bit installation on E: was scanned: its line, and no import.
  check_device_page "E:\\Win10" "Host: Win 10 32 Bit -----> WinPE: Win * 64 Bit" "Architecture not compatibel" 0
fi
e2e_stop

# --- no installation: page 4 ----------------------------------------------------
e2e_unmap_drive d
e2e_unmap_drive e
start_program
e2e_expect "no installation leads to page 4" e2e_wait_page 4
e2e_stop

e2e_finish
