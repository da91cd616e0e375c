#!/usr/bin/env bash
# The unattended mode of the real program under Wine: "-i:" opens the
# command-mode window (432 x 355) even while an interactive instance runs,
# and the window closes about a second after its run has ended.
#   tests/e2e/command_window.sh path/to/orvane.exe    (the x64 build)
# ORVANE_SCREENSHOT_DIR, when set, receives a picture of the window.
set -uo pipefail
exe=$(realpath "$1")
source "$(dirname "$0")/lib.bash"

pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  e2e_cleanup
}
trap cleanup EXIT

unset DISPLAY
e2e_start_display
e2e_use_prefix "${ORVANE_E2E_PREFIX:-$(dirname "$exe")/e2e-wine}"

title=" Orvane"
count_windows() { xdotool search --name "^ Orvane\$" 2>/dev/null | wc -l; }

# An interactive instance first: the unattended mode does not take part in
# the single-instance rule.
WINEDEBUG=-all "$WINE64" "$exe" >/dev/null 2>&1 &
interactive_pid=$!
pids+=("$interactive_pid")
if [ -z "$(e2e_wait_window "$title" 90)" ]; then
  e2e_fail "the interactive instance showed no window"
  exit 1
fi

WINEDEBUG=-all "$WINE64" "$exe" '-i:Q:\no such folder' -c:net >/dev/null 2>&1 &
command_pid=$!
pids+=("$command_pid")
command_window=
for _ in $(seq 1 150); do
  for id in $(xdotool search --name "^ Orvane\$" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    if [ "$WIDTH" = 432 ] && [ "$HEIGHT" = 355 ]; then
      command_window=$id
      break 2
    fi
  done
  sleep 0.1
done
if [ -n "$command_window" ]; then
  e2e_pass "command-mode window 432x355 opened beside the interactive one"
  shown=$(date +%s.%N)
  if [ -n "${ORVANE_SCREENSHOT_DIR:-}" ]; then
    sleep 0.3
    eval "$(xdotool getwindowgeometry --shell "$command_window")"
    import -window root -crop "432x355+$X+$Y" "$ORVANE_SCREENSHOT_DIR/command-window.png" 2>/dev/null
  fi
else
  e2e_fail "no command-mode window of 432x355 appeared"
fi

e2e_wait_exit "$command_pid" 30
code=$?
if [ "$code" = 0 ]; then
  e2e_pass "unattended start ended by itself (code 0)"
else
  e2e_fail "unattended start ended with code $code"
fi
if [ -n "$command_window" ]; then
  # The run has nothing to do: the window stays about one second, never long.
  held=$(awk -v a="$shown" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
  if awk -v h="$held" 'BEGIN { exit !(h >= 0.5 && h <= 6) }'; then
    e2e_pass "command-mode window closed ${held}s after it appeared"
  else
    e2e_fail "command-mode window stayed ${held}s (expected about one second)"
  fi
fi

if kill -0 "$interactive_pid" 2>/dev/null && [ "$(count_windows)" -ge 1 ]; then
  e2e_pass "interactive instance still runs"
else
  e2e_fail "interactive instance was disturbed by the unattended start"
fi

[ "$E2E_FAILURES" = 0 ] && echo "all command-mode checks passed"
exit "$E2E_FAILURES"
