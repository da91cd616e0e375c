# Shared helpers of the end-to-end checks: a virtual display, a Wine prefix
# with its own server, and message boxes read and closed from outside.
# Sourced, not run; its extension keeps it out of the test list.

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WINE64=${WINE64:-/usr/lib/wine/wine64}
[ -x "$WINE64" ] || WINE64=$(command -v wine64 || command -v wine)
WINESERVER_BIN=${WINESERVER_BIN:-$(command -v wineserver || echo /usr/lib/wine/wineserver64)}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

E2E_FAILURES=0
E2E_PID=

e2e_fail() {
  echo "FAIL: $*" >&2
  E2E_FAILURES=$((E2E_FAILURES + 1))
  return 1
}

# Passes when $2 equals $3, else fails showing both; $1 names the check.
e2e_expect_eq() {
  if [ "$2" = "$3" ]; then
    echo "ok: $1: $2"
  else
    e2e_fail "$1: got '$2', expected '$3'"
  fi
}

# Passes when the command after $1 succeeds, else fails; $1 names the check.
# Both return whether the check passed.
e2e_expect() {
  if "${@:2}"; then
    echo "ok: $1"
  else
    e2e_fail "$1"
  fi
}

# Ends the checks: a summary line and the exit status.
e2e_finish() {
  [ "$E2E_FAILURES" -eq 0 ] || { echo "$E2E_FAILURES check(s) failed"; exit 1; }
  echo "all checks passed"
}

# e2e_until SECONDS COMMAND...: runs the command five times a second until it
# succeeds; fails when it still does not after that many rounds.
e2e_until() {
  for _ in $(seq 1 $(($1 * 5))); do
    "${@:2}" && return 0
    sleep 0.2
  done
  return 1
}

# e2e_setup PROGRAM [FLAVOUR]: the start of every check. Sets exe (the
# program), probe (ORVANE_PROBE, else tests/orvane-probe.exe of the build)
# and work (a scratch folder); starts a display of our own (mouse input must
# never meet anybody else's windows) and uses the prefix ORVANE_E2E_PREFIX
# (default: e2e-wine beside the program) in that flavour (desktop or WinPE),
# with one server of its own while the checks run. At the exit the started
# program ends, mapped drives go, and so do the server, display and work.
e2e_setup() {
  exe=$(realpath "$1")
  probe=$(realpath "${ORVANE_PROBE:-$(dirname "$exe")/tests/orvane-probe.exe}")
  work=$(mktemp -d)
  export WINEPREFIX=${ORVANE_E2E_PREFIX:-$(dirname "$exe")/e2e-wine}
  # The display server takes a free display and tells its number when it is ready.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  E2E_XVFB_PID=$!
  trap e2e_cleanup EXIT
  e2e_until 10 test -s "$work/display" || { echo "no X display could be started" >&2; exit 1; }
  export DISPLAY=":$(cat "$work/display")"
  WINEDEBUG=-all "$E2E_ROOT/scripts/winpe-prefix" "$WINEPREFIX" ${2:-}
  WINEDEBUG=-all "$WINESERVER_BIN" -p >/dev/null 2>&1
}

e2e_cleanup() {
  [ -n "$E2E_PID" ] && kill "$E2E_PID" 2>/dev/null
  for letter in "${E2E_MAPPED[@]}"; do e2e_unmap_drive "$letter"; done
  "$WINESERVER_BIN" -k >/dev/null 2>&1
  [ -n "$E2E_XVFB_PID" ] && kill "$E2E_XVFB_PID" 2>/dev/null
  rm -rf "$work"
}

# e2e_wine PROGRAM ARGS...: a Wine program (reg, the probe) without Wine's diagnostics.
e2e_wine() { WINEDEBUG=-all "$WINE64" "$@"; }

# Id of the first shown top-level window whose title is $1 (a pattern), waiting
# up to $2 seconds (default 60); nothing when none appears. (Wine makes the
# X window when the window is created: before it is shown, its controls may
# not be there yet.)
e2e_wait_window() { e2e_until "${2:-60}" e2e_first_window "^$1\$"; }
e2e_first_window() { xdotool search --onlyvisible --name "$1" | awk 'NR == 1; END { exit !NR }'; }

# Waits up to $2 seconds for process $1 to end: its exit code in code, 124
# when it did not end (it is ended then).
e2e_wait_exit() {
  if ! e2e_until "${2:-60}" eval "! kill -0 $1 2>/dev/null"; then
    { kill "$1"; wait "$1"; } 2>/dev/null
    code=124
    return
  fi
  wait "$1"
  code=$?
}

# Number of top-level windows titled " Orvane".
e2e_count_windows() { xdotool search --name '^ Orvane$' 2>/dev/null | wc -l; }

# e2e_box TITLE COMMAND...: runs the command (a Wine program) with Wine's
# message-box trace, closes the box titled TITLE with Enter when one appears
# and waits for the end: the boxes' texts (one per line) in box_texts, the
# exit code in code (124 when it did not end).
e2e_box() {
  local box
  WINEDEBUG=+msgbox "${@:2}" >/dev/null 2>"$work/trace" &
  box=$(e2e_wait_window "$1" 90)
  [ -n "$box" ] && { xdotool windowfocus --sync "$box" key Return >/dev/null 2>&1 ||
    xdotool key --window "$box" Return; }
  e2e_wait_exit $! 60
  box_texts=$(e2e_box_texts)
}

# Texts of the message boxes of the last traced run, one per line.
e2e_box_texts() { sed -n 's/.*trace:msgbox:MSGBOX_OnInit L"\(.*\)"$/\1/p' "$work/trace"; }

# --- The main window ------------------------------------------------------------

# e2e_start PROGRAM [ARGS...]: starts the program (its id in E2E_PID) and
# waits for its window " Orvane": its id in window, its place in win_x and
# win_y. Ends the checks when none appears.
e2e_start() {
  WINEDEBUG=-all "$WINE64" "$@" >/dev/null 2>&1 &
  E2E_PID=$!
  window=$(e2e_wait_window " Orvane" 90)
  [ -n "$window" ] || { e2e_fail "no window titled ' Orvane' appeared"; exit 1; }
  eval "$(xdotool getwindowgeometry --shell "$window")"
  win_x=$X win_y=$Y
}

# e2e_stop [SECONDS]: waits that long (default: not at all) for the started
# program to end, else ends it; its exit code in code (124 when it was ended).
e2e_stop() {
  [ -n "${1:-}" ] || kill "$E2E_PID" 2>/dev/null
  e2e_wait_exit "$E2E_PID" "${1:-30}"
  E2E_PID=
}

# A click at (x, y) of the window.
e2e_click() { xdotool mousemove "$((win_x + $1))" "$((win_y + $2))" click 1; }

# Page 1: the system or the folder option, then OK.
e2e_choose_mode() {
  [ "$1" = system ] && e2e_click $((8 + 140 + 10)) $((48 + 97 + 10)) && sleep 0.3
  e2e_click $((8 + 410 + 30)) $((48 + 290 + 11))
}

# What the window " Orvane" shows, read with the probe into $work/dump.
e2e_dump() { e2e_wine "$probe" dump " Orvane" 2>/dev/null | tr -d '\r' >"$work/dump"; }

# e2e_field KIND ID FIELD: that field of the first such line of the last dump.
e2e_field() { awk -F'\t' -v k="$1" -v id="$2" -v f="$3" '$1 == k && $2 == id { print $f; exit }' "$work/dump"; }

# The page shown (page containers are controls 101 to 106) in the last dump.
e2e_page() { awk -F'\t' '$1 == "control" && $2 >= 101 && $2 <= 106 && $4 == 1 { print $2 - 100; exit }' "$work/dump"; }

# e2e_wait_page PAGE [SECONDS]: until that page shows (up to 30 s);
# e2e_wait_field KIND ID FIELD TEXT [SECONDS]: until that field shows TEXT
# (up to 60 s).
e2e_wait_page() { e2e_wait_shows "${2:-30}" "$1" e2e_page; }
e2e_wait_field() { e2e_wait_shows "${5:-60}" "$4" e2e_field "$1" "$2" "$3"; }

# e2e_wait_shows SECONDS TEXT COMMAND...: dumps until the command, reading
# the dump, prints TEXT; what it prints then is told when it never does.
e2e_wait_shows() {
  e2e_until "$1" e2e_dump_shows "${@:2}" || { echo "  ${*:3} shows '$("${@:3}")', expected '$2'" >&2; return 1; }
}
e2e_dump_shows() { e2e_dump && [ "$("${@:2}")" = "$1" ]; }

# The program's log C:\Orvane.log as lines, with its date and WinPE lines
# (whose texts vary) checked for their form: they read DATE and WINPE.
e2e_log() {
  tr -d '\r' <"$WINEPREFIX/drive_c/Orvane.log" 2>/dev/null |
    sed -e 's/^Date: Day:[0-9]* Month:[0-9]* Year:20[0-9][0-9]$/DATE/' -e 's/^WinPE: Win .* (64 Bit)$/WINPE/'
}

# e2e_shot WINDOW NAME: a picture of the window into ORVANE_SCREENSHOT_DIR, when set.
e2e_shot() {
  [ -z "${ORVANE_SCREENSHOT_DIR:-}" ] || { mkdir -p "$ORVANE_SCREENSHOT_DIR" && xdotool mousemove 0 0 && sleep 0.5 &&
    import -window "$1" "$ORVANE_SCREENSHOT_DIR/$2"; }
}

# --- An installed Windows on a drive of the prefix ----------------------------
# The fixture of tests/data/installed_windows: hive files made from its .reg
# texts, its inf folder and driver store, Wine's own 64-bit cmd.exe, drive
# letters that are folders, and the running system's network adapter that
# the installation drives. PROBE is the orvane-probe.exe of the build.

E2E_INSTALLED_WINDOWS=$E2E_ROOT/tests/data/installed_windows
E2E_NET_CLASS='{4d36e972-e325-11ce-bfc1-08002be10318}'

# Windows form of a host path, through drive Z: (the host's root in Wine).
e2e_winpath() { printf 'Z:%s' "${1//\//\\}"; }

# e2e_hive_file PROBE REGFILE OUT [ARCH]: the .reg text (keys below HIVE)
# imported below HKCU (from OUT.reg, removed once imported) and saved as the
# hive file OUT; ARCH replaces the installation's processor architecture.
e2e_hive_file() {
  local key="Software\\OrvaneFixture\\$(basename "$2" .reg)" text=$3.reg
  sed -e "s/^\[\(-\?\)HIVE/[\1HKEY_CURRENT_USER\\\\${key//\\/\\\\}/" -e 's/$/\r/' \
    -e "s/\"PROCESSOR_ARCHITECTURE\"=\"AMD64\"/\"PROCESSOR_ARCHITECTURE\"=\"${4:-AMD64}\"/" "$2" >"$text"
  e2e_wine reg import "$(e2e_winpath "$text")" >/dev/null 2>&1 && rm "$text"
  e2e_wine "$1" save-hive "$key" "$(e2e_winpath "$3")" && [ -s "$3" ]
}

# e2e_installed_windows PROBE FOLDER [ARCH]: FOLDER becomes the Windows folder
# of the installation (System32\config\SYSTEM and SOFTWARE, inf\oem3.inf,
# the driver store package, the adapter's driver where its INF installed it,
# System32\cmd.exe).
e2e_installed_windows() {
  local system=$2/System32
  local package=$system/DriverStore/FileRepository/acmegbe.inf_amd64_5f1c0e2a9b3d7e41
  mkdir -p "$system/config" "$system/drivers" "$2/inf" "$package" || return 1
  e2e_hive_file "$1" "$E2E_INSTALLED_WINDOWS/system.reg" "$system/config/SYSTEM" "${3:-}" || return 1
  e2e_hive_file "$1" "$E2E_INSTALLED_WINDOWS/software.reg" "$system/config/SOFTWARE" || return 1
  tee "$2/inf/oem3.inf" <"$E2E_INSTALLED_WINDOWS/inf/oem3.inf" >"$package/acmegbe.inf" &&
    printf 'acmegbe driver image of the test fixture\n' | tee "$package/acmegbe.sys" >"$system/drivers/acmegbe.sys" &&
    cp "$WINEPREFIX/drive_c/windows/system32/cmd.exe" "$system/cmd.exe"
}

# e2e_map_drive LETTER FOLDER [LABEL]: drive LETTER of the prefix is FOLDER
# (a fixed drive for Wine), with that volume label, until the checks end;
# e2e_unmap_drive LETTER takes it away. The prefix's mount manager reads its
# drives when it starts: both restart the prefix's server (and so end every
# program in it).
e2e_map_drive() {
  mkdir -p "$2" && printf '%s' "${3:-}" >"$2/.windows-label"
  ln -sfn "$2" "$WINEPREFIX/dosdevices/${1,,}:"
  E2E_MAPPED+=("$1")
  e2e_restart_server
}

e2e_unmap_drive() {
  rm "$WINEPREFIX/dosdevices/${1,,}:" 2>/dev/null || return 0
  e2e_restart_server
}

e2e_restart_server() {
  "$WINESERVER_BIN" -k >/dev/null 2>&1 || true
  "$WINESERVER_BIN" -w >/dev/null 2>&1 || true
  WINEDEBUG=-all "$WINESERVER_BIN" -p >/dev/null 2>&1 || true
}

# e2e_acme_device PROBE: the running system's Acme Gigabit Adapter (it stays
# in the prefix).
e2e_acme_device() {
  e2e_wine "$1" add-device 'PCI\VEN_1234&DEV_5678&SUBSYS_00011234\4&1A2B3C4D&0&00E0' "$E2E_NET_CLASS" \
    'PCI\VEN_1234&DEV_5678&SUBSYS_00011234' 'PCI\VEN_1234&DEV_5678'
}

# --- A driver folder and the archiver beside the program -----------------------
# The test driver package of tests/data/drivers/orvtest as a plain INF folder
# and as .zip and .7z packages (made with the host's 7zz), the device it
# serves, and the Windows command-line 7-Zip of the npm package 7zip-bin.

# e2e_driver_folder FOLDER: orvtest.inf with its files, nic.zip and nic.7z
# (the same files below net\orvtest\).
e2e_driver_folder() {
  mkdir -p "$1/net/orvtest" && cp "$E2E_ROOT"/tests/data/drivers/orvtest/* "$1/net/orvtest/" &&
    (cd "$1" && 7zz a -tzip nic.zip net && 7zz a -t7z nic.7z net) >/dev/null && mv "$1"/net/orvtest/* "$1/" &&
    rm -r "$1/net"
}

# The Windows 7z.exe to put beside orvane.exe; nothing when it is missing.
e2e_windows_7z() { ls "$(npm root -g 2>/dev/null)/7zip-bin/win/x64/7za.exe" 2>/dev/null; }

# e2e_orvtest_device PROBE: a network adapter of the running system that the
# test driver package serves (it stays in the prefix).
e2e_orvtest_device() {
  e2e_wine "$1" add-device 'PCI\VEN_0E2E&DEV_7E57\1&ORVTEST&0&00' "$E2E_NET_CLASS" 'ORVANE\ORVTEST_NET'
}
