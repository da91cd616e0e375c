#!/usr/bin/env bash
# The folder road and the unattended mode of the real program under Wine,
# with 7z.exe beside it: page 3 scans C:\Drivers chosen in the chooser (a
# plain INF, a .zip and a .7z package of the test driver), lists the three
# candidates, and the import of the .7z one installs the driver for real;
# then "-i:C:\Drivers -d" writes its log, closes by itself and ends with exit
# code 0 (Wine reports every device as working, so there is nothing to do);
# last, a close request while the scan waits for an archiver that never ends.
#   tests/e2e/driver_folder.sh path/to/orvane.exe    (the x64 build)
# ORVANE_PROBE names the probe (default: tests/orvane-probe.exe of the build);
# ORVANE_SCREENSHOT_DIR, when set, receives pictures of page 3 and of the
# command window.
set -uo pipefail
source "$(dirname "$0")/lib.bash"
e2e_setup "$1"

# --- fixture: the program with its archiver, C:\Drivers, the device -----------
c=$WINEPREFIX/drive_c
system32=$c/windows/system32
program=$c/OrvaneE2E/orvane.exe
archiver=$(e2e_windows_7z) || { e2e_fail "no Windows 7z.exe (npm package 7zip-bin)"; exit 1; }
rm -rf "$c/OrvaneE2E" "$c/Drivers" "$c"/orvane_dps* "$c/Orvane.log" "$system32"/drivers/orvtest.* "$system32/orvtest.dll"
mkdir -p "$c/OrvaneE2E" && cp "$exe" "$program" && cp "$archiver" "$c/OrvaneE2E/7z.exe"
e2e_driver_folder "$c/Drivers" || { e2e_fail "could not build C:\\Drivers"; exit 1; }
e2e_orvtest_device "$probe" || e2e_fail "the test device could not be registered"
e2e_wine reg delete 'HKLM\SYSTEM\CurrentControlSet\Services\OrvTest' /f >/dev/null 2>&1

# Page 3 (identifiers of the main window): DriverList 1305, INF value 1311,
# package value 1313, SourceStatus1 1316, ImportSelected 1320; the
# chooser's path field 2002 and its OK button 1.

# The chooser (title "Orvane") takes the folder $1 in its path field and
# closes with OK; what it shows is told when it stays open.
choose_in_chooser() {
  [ -n "$(e2e_wait_window Orvane 30)" ] || { echo "  no chooser appeared" >&2; return 1; }
  e2e_until 4 e2e_wine "$probe" set-text Orvane 2002 "$1"
  sleep 0.5
  e2e_wine "$probe" click Orvane 1
  e2e_until 10 eval '[ -z "$(xdotool search --name "^Orvane\$" 2>/dev/null)" ]' && return 0
  echo "  the chooser stays open, showing:" >&2
  e2e_wine "$probe" dump Orvane >&2
  return 1
}

# Starts the program and has page 3 scan C:\Drivers, chosen in the chooser.
scan_drivers() {
  e2e_start "$program"
  sleep 1
  e2e_choose_mode folder
  e2e_wait_page 3 5 2>/dev/null || e2e_choose_mode folder
  e2e_expect "page 3 shown" e2e_wait_page 3 10
  e2e_click $((8 + 455 + 14)) $((48 + 32 + 14))  # page 3: the browse icon
  e2e_expect "C:\\Drivers chosen in the chooser" choose_in_chooser 'C:\Drivers'
}

# Is an unpack folder of a scan on C:?
unpack_folder() { ls -d "$c"/orvane_dps* >/dev/null 2>&1; }

scan_drivers

e2e_expect "page 3: '3 Driver found.'" e2e_wait_field control 1316 6 "3 Driver found."
# The three lines, told by their details.
found=() seven=0
for line in 0 1 2; do
  e2e_wine "$probe" select " Orvane" 1305 "$line" && sleep 0.3
  e2e_dump
  found+=("$(e2e_field control 1311 6) $(e2e_field control 1313 6)")
  [[ ${found[-1]} == *'\nic.7z' ]] && seven=$line
done
e2e_expect_eq "the three candidates" "$(printf '%s\n' "${found[@]}" | sort | paste -sd'|')" \
  'C:\Drivers\orvtest.inf |net\orvtest\orvtest.inf C:\Drivers\nic.7z|net\orvtest\orvtest.inf C:\Drivers\nic.zip'
# The .7z package's line is imported: the device gets the driver's service
# and files (one of them out of the package's cabinet), the unpack folder goes.
e2e_wine "$probe" select " Orvane" 1305 "$seven" && e2e_shot "$window" page3-manual.png
e2e_wine "$probe" click " Orvane" 1320
e2e_expect "import of the .7z candidate: 'Installation successfull'" \
  e2e_wait_field control 1316 6 "Installation successfull" 90
e2e_expect "the driver's service" eval 'e2e_wine reg query "HKLM\SYSTEM\CurrentControlSet\Services\OrvTest" >/dev/null'
e2e_expect "the driver's files in system32" eval 'ls "$system32"/{drivers/orvtest.{sys,dat},orvtest.dll} >/dev/null'
e2e_expect "no unpack folder left" eval '! unpack_folder'
e2e_stop

# --- the unattended mode --------------------------------------------------------
WINEDEBUG=-all "$WINE64" "$program" '-i:C:\Drivers' -d >/dev/null 2>&1 &
E2E_PID=$!
[ -n "${ORVANE_SCREENSHOT_DIR:-}" ] && e2e_shot "$(e2e_wait_window " Orvane" 60)" command-window.png
e2e_stop 60
e2e_expect_eq "exit code of -i:C:\\Drivers -d with every device working" "$code" 0
e2e_expect_eq "the log" "$(e2e_log)" \
  "$(printf '%s\n' "" "Orvane V.2.0.3.2" "Orvane driver installer for WinPE" DATE "" WINPE "" "" "Process finished")"

# --- a close request while the scan waits for its archiver -------------------------
# The probe copied as 7z.exe never ends, so the scan waits in the unpack of
# its first package. Closing the window then ends the program after a short
# grace, ends that archiver and removes the scan's unpack folder.
cp "$probe" "$c/OrvaneE2E/7z.exe"
scan_drivers
e2e_expect "the scan waits for the archiver in its unpack folder" \
  e2e_until 30 eval "unpack_folder && pgrep -f 'OrvaneE2E.7z\.exe' >/dev/null"
e2e_wine "$probe" close " Orvane"
e2e_stop 30
e2e_expect "the program ended after the close request" [ "$code" -ne 124 ]
e2e_expect "the archiver was ended" eval "! pgrep -f 'OrvaneE2E.7z\.exe' >/dev/null"
e2e_expect "no unpack folder left" eval '! unpack_folder'

e2e_finish
