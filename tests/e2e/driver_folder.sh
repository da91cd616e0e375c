#!/usr/bin/env bash
# The folder road and the unattended mode of the real program under Wine,
# with 7z.exe beside it: page 3 scans C:\Drivers chosen in the chooser (a
# plain INF, a .zip and a .7z package of the test driver), lists the three
# candidates, and the import of the .7z one installs the driver for real;
# then "-i:C:\Drivers -d" writes its log, closes by itself and ends with exit
# code 0 (Wine reports every device as working, so there is nothing to do).
#   tests/e2e/driver_folder.sh path/to/orvane.exe    (the x64 build)
# ORVANE_PROBE names the probe (default: tests/orvane-probe.exe of the build);
# ORVANE_SCREENSHOT_DIR, when set, receives pictures of page 3 and of the
# command window.
set -uo pipefail
exe=$(realpath "$1")
probe=$(realpath "${ORVANE_PROBE:-$(dirname "$exe")/tests/orvane-probe.exe}")
source "$(dirname "$0")/lib.bash"

program_pid=
trap '[ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null; e2e_cleanup' EXIT
unset DISPLAY
e2e_start_display
e2e_use_prefix "${ORVANE_E2E_PREFIX:-$(dirname "$exe")/e2e-wine}"

# --- fixture: the program with its archiver, C:\Drivers, the device -----------
c=$WINEPREFIX/drive_c
program=$c/OrvaneE2E/orvane.exe
archiver=$(e2e_windows_7z) || { e2e_fail "no Windows 7z.exe (npm package 7zip-bin)"; exit 1; }
rm -rf "$c/OrvaneE2E" "$c/Drivers" "$c"/orvane_dps* "$c/Orvane.log" "$c/windows/system32/drivers/orvtest.sys"
mkdir -p "$c/OrvaneE2E" && cp "$exe" "$program" && cp "$archiver" "$c/OrvaneE2E/7z.exe"
e2e_driver_folder "$c/Drivers" || { e2e_fail "could not build C:\\Drivers"; exit 1; }
e2e_orvtest_device "$probe" || e2e_fail "the test device could not be registered"
e2e_reg delete 'HKLM\SYSTEM\CurrentControlSet\Services\OrvTest' /f >/dev/null 2>&1

title=" Orvane"
# Page 3 (identifiers of the main window): DriverList 1305, package value
# 1313, SourceStatus1 1316, ImportSelected 1320; the chooser's path field
# 2002 and its OK button 1.
text_of() { e2e_probe "$probe" dump "$title" | tr -d '\r' | awk -F'\t' -v id="$1" '$1 == "control" && $2 == id { print $6 }'; }
wait_text() {  # wait_text ID TEXT SECONDS
  local i
  for i in $(seq 1 $(($3 * 4))); do
    [ "$(text_of "$1")" = "$2" ] && return 0
    sleep 0.25
  done
  e2e_fail "control $1 shows '$(text_of "$1")', expected '$2'"
  return 1
}
shot() { [ -n "${ORVANE_SCREENSHOT_DIR:-}" ] && mkdir -p "$ORVANE_SCREENSHOT_DIR" && sleep 0.5 &&
  eval "$(xdotool getwindowgeometry --shell "$1")" && import -window root -crop "$2+$X+$Y" "$ORVANE_SCREENSHOT_DIR/$3"; }

WINEDEBUG=-all "$WINE64" "$program" >/dev/null 2>&1 &
program_pid=$!
window=$(e2e_wait_window "$title" 90)
[ -n "$window" ] || { e2e_fail "no window titled '$title' appeared"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"
click_at() { xdotool mousemove "$((X + $1))" "$((Y + $2))" click 1; }
sleep 1
click_at $((8 + 410 + 30)) $((48 + 290 + 11))   # page 1: OK with the folder option
sleep 0.5
click_at $((8 + 455 + 14)) $((48 + 32 + 14))    # page 3: the browse icon
e2e_expect "C:\\Drivers chosen in the chooser" eval '[ -n "$(e2e_wait_window Orvane 30)" ] &&
  e2e_probe "$probe" set-text Orvane 2002 "C:\\Drivers" && sleep 0.5 && e2e_probe "$probe" click Orvane 1'

wait_text 1316 "3 Driver found." 60 && e2e_pass "page 3: '3 Driver found.'"
# The three lines, told by their details (INF value 1311, package value 1313).
found=() seven=0
for line in 0 1 2; do
  e2e_probe "$probe" select-line "$title" 1305 "$line" && sleep 0.3
  found+=("$(text_of 1311) $(text_of 1313)")
  [[ ${found[-1]} == *'\nic.7z' ]] && seven=$line
done
e2e_expect_eq "the three candidates" "$(printf '%s\n' "${found[@]}" | sort | paste -sd'|')" \
  'C:\Drivers\orvtest.inf |net\orvtest\orvtest.inf C:\Drivers\nic.7z|net\orvtest\orvtest.inf C:\Drivers\nic.zip'
# The .7z package's line is imported.
e2e_probe "$probe" select-line "$title" 1305 "$seven" && xdotool mousemove 0 0 && shot "$window" 512x390 page3-manual.png
e2e_probe "$probe" click "$title" 1320
wait_text 1316 "Installation successfull" 90 && e2e_pass "import of the .7z candidate: 'Installation successfull'"
e2e_expect "the driver's service key" eval "e2e_reg query 'HKLM\\SYSTEM\\CurrentControlSet\\Services\\OrvTest' >/dev/null"
e2e_expect "the driver file in system32\\drivers" [ -f "$c/windows/system32/drivers/orvtest.sys" ]
e2e_expect "no unpack folder left" eval '! ls -d "$c"/orvane_dps* >/dev/null 2>&1'
kill "$program_pid" 2>/dev/null
e2e_wait_exit "$program_pid" 30 >/dev/null

# --- the unattended mode --------------------------------------------------------
WINEDEBUG=-all "$WINE64" "$program" '-i:C:\Drivers' -d >/dev/null 2>&1 &
program_pid=$!
[ -n "${ORVANE_SCREENSHOT_DIR:-}" ] && shot "$(e2e_wait_window "$title" 60)" 432x355 command-window.png
code=0
e2e_wait_exit "$program_pid" 60 || code=$?
program_pid=
e2e_expect_eq "exit code of -i:C:\\Drivers -d with every device working" "$code" 0
log=$(tr -d '\r' <"$c/Orvane.log")
e2e_expect_eq "log header" "$(sed -n '2,3p;5p' <<<"$log" | paste -sd'|')" "Orvane V.2.0.3.2|Orvane driver installer for WinPE|"
e2e_expect "log date and system lines" eval 'grep -q "^Date: Day:[0-9]* Month:[0-9]* Year:20[0-9][0-9]$" <<<"$log" &&
  grep -q "^WinPE: Win .* (64 Bit)$" <<<"$log"'
e2e_expect_eq "log closing lines" "$(tail -2 <<<"$log" | paste -sd'|')" "|Process finished"

e2e_finish
