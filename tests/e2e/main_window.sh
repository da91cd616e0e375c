#!/usr/bin/env bash
# The interactive main window of the real program under Wine, driven with the
# mouse on a private virtual display: it appears with its title and size,
# switches between the mode, manual-import and information pages, refuses a
# second interactive instance, lights the exit button up under the cursor,
# ignores a press released elsewhere, and closes on a confirmed exit click.
#   tests/e2e/main_window.sh path/to/orvane.exe    (the x64 build)
set -uo pipefail
exe=$(realpath "$1")
source "$(dirname "$0")/lib.bash"

work=$(mktemp -d)
program_pid=
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  e2e_cleanup
  rm -rf "$work"
}
trap cleanup EXIT

# Mouse input must not meet anybody else's windows: always a display of our own.
unset DISPLAY
e2e_start_display
e2e_use_prefix "${ORVANE_E2E_PREFIX:-$(dirname "$exe")/e2e-wine}"

title=" Orvane"
skin_blue="d7e4f2"
white="ffffff"

# Colour of the window's pixel (x, y) as rrggbb.
pixel() {
  import -window root -crop "1x1+$((win_x + $1))+$((win_y + $2))" -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tail -1 | tr 'A-F' 'a-f'
}

click_at() {
  xdotool mousemove "$((win_x + $1))" "$((win_y + $2))" click 1
  sleep 0.8
}

# Waits up to $3 seconds until pixel (x, y) has (or, with "!", has not) the colour $4.
wait_pixel() {
  local x=$1 y=$2 limit=$3 want=$4 not=${5:-} i got
  for i in $(seq 1 $((limit * 5))); do
    got=$(pixel "$x" "$y")
    if [ -z "$not" ] && [ "$got" = "$want" ]; then return 0; fi
    if [ -n "$not" ] && [ -n "$got" ] && [ "$got" != "$want" ]; then return 0; fi
    sleep 0.2
  done
  return 1
}

count_windows() {
  xdotool search --name "^ Orvane\$" 2>/dev/null | wc -l
}

# Pages lie at (8, 48) of the window. The path field of the manual page is the
# only background-coloured area at page (200, 45); on the mode page that spot
# is white. The information page shows the product icon at page (345, 20).
path_x=$((8 + 200)) path_y=$((48 + 45))
icon_x=$((8 + 345 + 24)) icon_y=$((48 + 20 + 24))

WINEDEBUG=-all "$WINE64" "$exe" >/dev/null 2>&1 &
program_pid=$!
window=$(e2e_wait_window "$title" 90)
if [ -z "$window" ]; then
  e2e_fail "no window titled '$title' appeared"
  exit 1
fi
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
win_x=$X win_y=$Y
if [ "$WIDTH" = 512 ] && [ "$HEIGHT" = 390 ]; then
  e2e_pass "window '$title' is 512x390"
else
  e2e_fail "window '$title' is ${WIDTH}x$HEIGHT, expected 512x390"
fi

# --- a second interactive start is refused ---------------------------------
WINEDEBUG=+msgbox "$WINE64" "$exe" >/dev/null 2>"$work/trace" &
second_pid=$!
box=$(e2e_wait_window "Orvane" 60)
if [ -z "$box" ]; then
  e2e_fail "the second start showed no box titled 'Orvane'"
else
  e2e_close_box "$box"
fi
rc=0
e2e_wait_exit "$second_pid" 60 || rc=$?
texts=$(e2e_box_texts "$work/trace")
if [ "$texts" = "allready running" ]; then
  e2e_pass "second start says 'allready running'"
else
  e2e_fail "second start showed '$texts', expected 'allready running'"
fi
[ "$rc" -ne 124 ] && e2e_pass "second start ended (code $rc)" || e2e_fail "second start did not end"
n=$(count_windows)
[ "$n" = 1 ] && e2e_pass "one main window after the second start" || e2e_fail "$n main windows after the second start"
kill -0 "$program_pid" 2>/dev/null && e2e_pass "first instance still runs" || e2e_fail "first instance ended"

# --- pages ---------------------------------------------------------------------
if wait_pixel "$path_x" "$path_y" 10 "$white"; then
  e2e_pass "mode page shown at start"
else
  e2e_fail "mode page not shown at start (pixel $(pixel "$path_x" "$path_y"))"
fi

click_at $((8 + 410 + 30)) $((48 + 290 + 11))  # OK with the folder mode selected
if wait_pixel "$path_x" "$path_y" 10 "$skin_blue"; then
  e2e_pass "OK on the mode page leads to the manual-import page"
else
  e2e_fail "manual-import page not shown after OK (pixel $(pixel "$path_x" "$path_y"))"
fi

click_at $((8 + 20 + 30)) $((48 + 300 + 11))  # back
if wait_pixel "$path_x" "$path_y" 10 "$white"; then
  e2e_pass "back leads to the mode page"
else
  e2e_fail "mode page not shown after back"
fi

click_at $((8 + 6 + 9)) $((48 + 307 + 9))  # information icon
if wait_pixel "$icon_x" "$icon_y" 10 "$white" not; then
  e2e_pass "information icon shows the information page"
else
  e2e_fail "information page not shown"
fi
click_at $((8 + 410 + 30)) $((48 + 290 + 11))  # back word
if wait_pixel "$icon_x" "$icon_y" 10 "$white"; then
  e2e_pass "information page leads back to the mode page"
else
  e2e_fail "mode page not shown after the information page"
fi

# --- exit button ---------------------------------------------------------------
exit_x=480 exit_y=8
xdotool mousemove "$((win_x + 200))" "$((win_y + 200))"
sleep 0.5
plain=$(pixel "$exit_x" "$exit_y")
xdotool mousemove "$((win_x + exit_x))" "$((win_y + exit_y))"
if wait_pixel "$exit_x" "$exit_y" 5 "$plain" not; then
  e2e_pass "exit button lights up under the cursor"
else
  e2e_fail "exit button does not light up (pixel stays $plain)"
fi

# A press that is released elsewhere does not count.
xdotool mousedown 1
sleep 0.5
xdotool mousemove "$((win_x + 200))" "$((win_y + 200))"
sleep 0.6
xdotool mouseup 1
sleep 1.5
if kill -0 "$program_pid" 2>/dev/null && [ "$(count_windows)" = 1 ]; then
  e2e_pass "press on exit released elsewhere keeps the window"
else
  e2e_fail "press on exit released elsewhere closed the window"
fi

# A confirmed click closes it.
xdotool mousemove "$((win_x + exit_x))" "$((win_y + exit_y))"
wait_pixel "$exit_x" "$exit_y" 5 "$plain" not
xdotool click 1
rc=0
e2e_wait_exit "$program_pid" 30 || rc=$?
program_pid=
if [ "$rc" = 0 ]; then
  e2e_pass "confirmed exit click closes the program (code 0)"
else
  e2e_fail "program after the exit click: code $rc"
fi

[ "$E2E_FAILURES" -eq 0 ] || exit 1
