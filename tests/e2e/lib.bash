# Shared helpers of the end-to-end checks: a virtual display, a Wine prefix
# with its own server, and message boxes read and closed from outside.
# Sourced, not run; its extension keeps it out of the test list.

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WINE64=${WINE64:-/usr/lib/wine/wine64}
[ -x "$WINE64" ] || WINE64=$(command -v wine64 || command -v wine)
WINESERVER_BIN=${WINESERVER_BIN:-$(command -v wineserver || echo /usr/lib/wine/wineserver64)}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

E2E_FAILURES=0
E2E_XVFB_PID=
E2E_OWN_SERVER=
E2E_PID=
E2E_MAPPED=()

e2e_fail() {
  echo "FAIL: $*" >&2
  E2E_FAILURES=$((E2E_FAILURES + 1))
}

e2e_pass() { echo "ok: $*"; }

# Passes when $2 equals $3, else fails showing both; $1 names the check.
e2e_expect_eq() {
  if [ "$2" = "$3" ]; then e2e_pass "$1: $2"; else e2e_fail "$1: got '$2', expected '$3'"; fi
}

# Passes when the command after $1 succeeds, else fails; $1 names the check.
e2e_expect() {
  local label=$1
  shift
  if "$@"; then e2e_pass "$label"; else e2e_fail "$label"; fi
}

# Ends the checks: a summary line and the exit status.
e2e_finish() {
  if [ "$E2E_FAILURES" -ne 0 ]; then
    echo "$E2E_FAILURES check(s) failed"
    exit 1
  fi
  echo "all checks passed"
}

# e2e_setup PROGRAM [FLAVOUR]: the start of every check. Sets exe (the
# program), probe (ORVANE_PROBE, else tests/orvane-probe.exe of the build)
# and work (a scratch folder); starts a display of our own (mouse input must
# never meet anybody else's windows) and uses the prefix ORVANE_E2E_PREFIX
# (default: e2e-wine beside the program) in that flavour. At the exit the
# started program ends, mapped drives go, and so do the display and work.
e2e_setup() {
  exe=$(realpath "$1")
  probe=$(realpath "${ORVANE_PROBE:-$(dirname "$exe")/tests/orvane-probe.exe}")
  work=$(mktemp -d)
  trap e2e_cleanup EXIT
  e2e_start_display
  e2e_use_prefix "${ORVANE_E2E_PREFIX:-$(dirname "$exe")/e2e-wine}" "${2:-}"
}

# Starts a private Xvfb.
e2e_start_display() {
  local display i
  for display in $(seq 140 199); do
    [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] && continue
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    E2E_XVFB_PID=$!
    export DISPLAY=":$display"
    for i in $(seq 1 50); do
      xdotool getdisplaygeometry >/dev/null 2>&1 && return
      sleep 0.1
    done
    kill "$E2E_XVFB_PID" 2>/dev/null || true
    E2E_XVFB_PID=
  done
  echo "no X display could be started" >&2
  exit 1
}

# Creates the prefix when needed (desktop or WinPE flavour) and keeps one
# server running for it while the checks run.
e2e_use_prefix() {
  export WINEPREFIX=$1
  local flavour=${2:-}
  WINEDEBUG=-all "$E2E_ROOT/scripts/winpe-prefix" "$WINEPREFIX" $flavour
  WINEDEBUG=-all "$WINESERVER_BIN" -p >/dev/null 2>&1 || true
  E2E_OWN_SERVER=$WINEPREFIX
}

e2e_cleanup() {
  [ -n "$E2E_PID" ] && kill "$E2E_PID" 2>/dev/null
  local letter
  for letter in "${E2E_MAPPED[@]}"; do e2e_unmap_drive "$letter"; done
  if [ -n "$E2E_OWN_SERVER" ]; then
    WINEPREFIX=$E2E_OWN_SERVER "$WINESERVER_BIN" -k >/dev/null 2>&1 || true
  fi
  if [ -n "$E2E_XVFB_PID" ]; then
    kill "$E2E_XVFB_PID" 2>/dev/null || true
  fi
  [ -n "${work:-}" ] && rm -rf "$work"
}

e2e_reg() { WINEDEBUG=-all "$WINE64" reg "$@"; }

# Id of the first shown top-level window whose title is exactly $1, waiting
# up to $2 seconds (default 60); nothing when none appears. (Wine makes the
# X window when the window is created: before it is shown, its controls may
# not be there yet.)
e2e_wait_window() {
  local title=$1 limit=${2:-60} pattern i id
  pattern="^$(printf '%s' "$title" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"
  for i in $(seq 1 $((limit * 5))); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return
    fi
    sleep 0.2
  done
}

# Presses Enter in the window: the OK button of a message box.
e2e_close_box() {
  xdotool windowfocus --sync "$1" key Return >/dev/null 2>&1 || xdotool key --window "$1" Return
}

# Waits up to $2 seconds for process $1 to end; its exit code, or 124 when it did not end.
e2e_wait_exit() {
  local pid=$1 limit=${2:-60} i
  for i in $(seq 1 $((limit * 5))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      return $?
    fi
    sleep 0.2
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  return 124
}

# Number of top-level windows titled " Orvane".
e2e_count_windows() { xdotool search --name '^ Orvane$' 2>/dev/null | wc -l; }

# Texts of the message boxes a run showed, one per line, from Wine's trace.
e2e_box_texts() {
  sed -n 's/.*trace:msgbox:MSGBOX_OnInit L"\(.*\)"$/\1/p' "$1"
}

# e2e_box TITLE COMMAND...: runs the command (a Wine program) with Wine's
# message-box trace, closes the box titled TITLE when one appears and waits
# for the end: the boxes' texts in box_texts, the exit code in box_rc (124
# when it did not end).
e2e_box() {
  local title=$1 box pid
  shift
  WINEDEBUG=+msgbox "$@" >/dev/null 2>"$work/trace" &
  pid=$!
  box=$(e2e_wait_window "$title" 90)
  [ -n "$box" ] && e2e_close_box "$box"
  box_rc=0
  e2e_wait_exit "$pid" 60 || box_rc=$?
  box_texts=$(e2e_box_texts "$work/trace")
}

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

# Ends the started program; its exit code.
e2e_stop() {
  local rc=0
  kill "$E2E_PID" 2>/dev/null
  e2e_wait_exit "$E2E_PID" 30 || rc=$?
  E2E_PID=
  return $rc
}

# A click at (x, y) of the window.
e2e_click() { xdotool mousemove "$((win_x + $1))" "$((win_y + $2))" click 1; }

# Page 1: the system or the folder option, then OK.
e2e_choose_mode() {
  if [ "$1" = system ]; then
    e2e_click $((8 + 140 + 10)) $((48 + 97 + 10))
    sleep 0.3
  fi
  e2e_click $((8 + 410 + 30)) $((48 + 290 + 11))
}

# What the window " Orvane" shows, read with the probe into $work/dump.
e2e_dump() { e2e_probe "$probe" dump " Orvane" 2>/dev/null | tr -d '\r' >"$work/dump"; }

# e2e_field KIND ID FIELD: that field of the first such line of the last dump.
e2e_field() { awk -F'\t' -v k="$1" -v id="$2" -v f="$3" '$1 == k && $2 == id { print $f; exit }' "$work/dump"; }

# The page shown (page containers are controls 101 to 106) in the last dump.
e2e_page() { awk -F'\t' '$1 == "control" && $2 >= 101 && $2 <= 106 && $4 == 1 { print $2 - 100; exit }' "$work/dump"; }

# e2e_wait_for SECONDS TEST: dumps until the shell test TEST holds.
e2e_wait_for() {
  local i
  for i in $(seq 1 $(($1 * 4))); do
    e2e_dump
    eval "$2" && return 0
    sleep 0.25
  done
  return 1
}

# e2e_wait_field KIND ID FIELD TEXT [SECONDS]: until that field shows TEXT
# (up to 60 s; what it shows then is told when it never does).
e2e_wait_field() {
  local want=$4
  e2e_wait_for "${5:-60}" "[ \"\$(e2e_field $1 $2 $3)\" = \"\$want\" ]" && return 0
  echo "  $1 $2 shows '$(e2e_field "$1" "$2" "$3")', expected '$want'" >&2
  return 1
}

# e2e_shot WINDOW WxH NAME: a picture of the window into ORVANE_SCREENSHOT_DIR, when set.
e2e_shot() {
  [ -n "${ORVANE_SCREENSHOT_DIR:-}" ] || return 0
  mkdir -p "$ORVANE_SCREENSHOT_DIR" && xdotool mousemove 0 0 && sleep 0.5 &&
    eval "$(xdotool getwindowgeometry --shell "$1")" &&
    import -window root -crop "$2+$X+$Y" "$ORVANE_SCREENSHOT_DIR/$3" 2>/dev/null
}

# --- An installed Windows on a drive of the prefix ----------------------------
# The fixture of tests/data/installed_windows: hive files made from its .reg
# texts, its inf folder and driver store, Wine's own 64-bit cmd.exe, drive
# letters that are folders, and the running system's network adapter that
# the installation drives. PROBE is the orvane-probe.exe of the build.

E2E_INSTALLED_WINDOWS=$E2E_ROOT/tests/data/installed_windows
E2E_ACME_INSTANCE='PCI\VEN_1234&DEV_5678&SUBSYS_00011234\4&1A2B3C4D&0&00E0'
E2E_ACME_PACKAGE=acmegbe.inf_amd64_5f1c0e2a9b3d7e41
E2E_NET_CLASS='{4d36e972-e325-11ce-bfc1-08002be10318}'

# Windows form of a host path, through drive Z: (the host's root in Wine).
e2e_winpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }

e2e_probe() { WINEDEBUG=-all "$WINE64" "$@"; }

# e2e_hive_file PROBE REGFILE OUT [ARCH]: the .reg text (keys below HIVE)
# imported below HKCU and saved as the hive file OUT; ARCH replaces the
# installation's processor architecture.
e2e_hive_file() {
  local probe=$1 reg=$2 out=$3 arch=${4:-}
  local key="Software\\OrvaneFixture\\$(basename "$reg" .reg)"
  local text line
  text=$(mktemp --suffix=.reg)
  while IFS= read -r line || [ -n "$line" ]; do
    line=${line//\[HIVE/[HKEY_CURRENT_USER\\$key}
    line=${line//\[-HIVE/[-HKEY_CURRENT_USER\\$key}
    [ -n "$arch" ] && line=${line//\"PROCESSOR_ARCHITECTURE\"=\"AMD64\"/\"PROCESSOR_ARCHITECTURE\"=\"$arch\"}
    printf '%s\r\n' "$line"
  done <"$reg" >"$text"
  WINEDEBUG=-all "$WINE64" reg import "$(e2e_winpath "$text")" >/dev/null 2>&1
  local rc=0
  e2e_probe "$probe" save-hive "$key" "$(e2e_winpath "$out")" || rc=1
  rm -f "$text"
  [ "$rc" = 0 ] && [ -s "$out" ]
}

# e2e_installed_windows PROBE FOLDER [ARCH]: FOLDER becomes the Windows folder
# of the installation (System32\config\SYSTEM and SOFTWARE, inf\oem3.inf,
# the driver store package, the adapter's driver where its INF installed it,
# System32\cmd.exe).
e2e_installed_windows() {
  local probe=$1 folder=$2 arch=${3:-}
  local package=$folder/System32/DriverStore/FileRepository/$E2E_ACME_PACKAGE
  mkdir -p "$folder/System32/config" "$folder/System32/drivers" "$folder/inf" "$package" || return 1
  e2e_hive_file "$probe" "$E2E_INSTALLED_WINDOWS/system.reg" "$folder/System32/config/SYSTEM" "$arch" || return 1
  e2e_hive_file "$probe" "$E2E_INSTALLED_WINDOWS/software.reg" "$folder/System32/config/SOFTWARE" || return 1
  cp "$E2E_INSTALLED_WINDOWS/inf/oem3.inf" "$folder/inf/oem3.inf" &&
    cp "$E2E_INSTALLED_WINDOWS/inf/oem3.inf" "$package/acmegbe.inf" &&
    printf 'acmegbe driver image of the test fixture\n' >"$package/acmegbe.sys" &&
    cp "$package/acmegbe.sys" "$folder/System32/drivers/acmegbe.sys" &&
    cp "$WINEPREFIX/drive_c/windows/system32/cmd.exe" "$folder/System32/cmd.exe"
}

# The prefix's mount manager reads its drives when it starts: after a change
# of the drive letters the prefix's server (and every program in it) is
# restarted.
e2e_restart_server() {
  "$WINESERVER_BIN" -k >/dev/null 2>&1 || true
  "$WINESERVER_BIN" -w >/dev/null 2>&1 || true
  WINEDEBUG=-all "$WINESERVER_BIN" -p >/dev/null 2>&1 || true
}

# e2e_map_drive LETTER FOLDER [LABEL]: drive LETTER of the prefix is FOLDER
# (a fixed drive for Wine), with that volume label, until the checks end.
# Ends the programs of the prefix.
e2e_map_drive() {
  local letter=${1,,} folder=$2 label=${3:-}
  mkdir -p "$folder"
  if [ -n "$label" ]; then printf '%s' "$label" >"$folder/.windows-label"; else rm -f "$folder/.windows-label"; fi
  ln -sfn "$folder" "$WINEPREFIX/dosdevices/$letter:"
  E2E_MAPPED+=("$letter")
  e2e_restart_server
}

e2e_unmap_drive() {
  [ -L "$WINEPREFIX/dosdevices/${1,,}:" ] || return 0
  rm -f "$WINEPREFIX/dosdevices/${1,,}:"
  e2e_restart_server
}

# e2e_acme_device PROBE: the running system's Acme Gigabit Adapter (it stays
# in the prefix).
e2e_acme_device() {
  e2e_probe "$1" add-device "$E2E_ACME_INSTANCE" "$E2E_NET_CLASS" \
    'PCI\VEN_1234&DEV_5678&SUBSYS_00011234' 'PCI\VEN_1234&DEV_5678'
}

# --- A driver folder and the archiver beside the program -----------------------
# The test driver package of tests/data/drivers/orvtest as a plain INF folder
# and as .zip and .7z packages (made with the host's 7zz), the device it
# serves, and the Windows command-line 7-Zip of the npm package 7zip-bin.

E2E_ORVTEST_INSTANCE='PCI\VEN_0E2E&DEV_7E57\1&ORVTEST&0&00'

# e2e_driver_folder FOLDER: orvtest.inf with its files, nic.zip and nic.7z
# (the same files below net\orvtest\).
e2e_driver_folder() {
  local folder=$1 src
  src=$(mktemp -d)
  mkdir -p "$folder" "$src/net/orvtest" &&
    cp "$E2E_ROOT"/tests/data/drivers/orvtest/* "$folder/" &&
    cp "$E2E_ROOT"/tests/data/drivers/orvtest/* "$src/net/orvtest/" &&
    (cd "$src" && 7zz a -tzip "$folder/nic.zip" net >/dev/null && 7zz a -t7z "$folder/nic.7z" net >/dev/null)
  local rc=$?
  rm -rf "$src"
  return $rc
}

# The Windows 7z.exe to put beside orvane.exe; nothing when it is missing.
e2e_windows_7z() {
  local file
  file="$(npm root -g 2>/dev/null)/7zip-bin/win/x64/7za.exe"
  [ -f "$file" ] && echo "$file"
}

# e2e_orvtest_device PROBE: a network adapter of the running system that the
# test driver package serves (it stays in the prefix).
e2e_orvtest_device() {
  e2e_probe "$1" add-device "$E2E_ORVTEST_INSTANCE" "$E2E_NET_CLASS" 'ORVANE\ORVTEST_NET'
}
