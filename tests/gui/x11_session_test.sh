#!/usr/bin/env bash
# keyloom-designer on a real X server, driven through it as a user drives it:
# right-click the form, choose Keyloom..., Find, Assign and Close in the
# editor window by their accelerators, Ctrl+S, Ctrl+Q. Each saved form must
# be the original with only "&" put in, and at least one. Exits 77 (skipped)
# when no X server can be started.
# Usage: x11_session_test.sh DESIGNER FORM...
set -euo pipefail
Designer=$1
shift

Skip() {
  echo "SKIPPED: $1"
  exit 77
}
command -v Xvfb >/dev/null || Skip "Xvfb is not installed (scripts/deps.sh installs it)"
command -v xdotool >/dev/null || Skip "xdotool is not installed (scripts/deps.sh installs it)"

Work=$(mktemp -d)
XPid=
DesignerPid=
Finish() {
  [ -z "$DesignerPid" ] || kill "$DesignerPid" 2>/dev/null || true
  [ -z "$XPid" ] || kill "$XPid" 2>/dev/null || true
  rm -rf "$Work"
}
trap Finish EXIT

# The server picks a free display itself and writes its number.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$Work/display" 2>"$Work/xvfb.log" &
XPid=$!
for _ in $(seq 50); do
  [ -s "$Work/display" ] && break
  kill -0 "$XPid" 2>/dev/null || break
  sleep 0.1
done
[ -s "$Work/display" ] || Skip "Xvfb did not start: $(tail -n 3 "$Work/xvfb.log" | tr '\n' ' ')"
export DISPLAY=":$(head -n 1 "$Work/display")"
export QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$Work/config" XDG_RUNTIME_DIR="$Work/runtime"
# No session bus goes with this server: without one, the failed attempt to
# reach it leaks in libdbus, which LeakSanitizer reports.
export DBUS_SESSION_BUS_ADDRESS=disabled:
mkdir -m 700 "$Work/runtime"

Fail() {
  echo "FAIL ($Name): $1" >&2
  [ ! -s "$Work/designer.log" ] || sed 's/^/  designer: /' "$Work/designer.log" >&2
  exit 1
}

# Waits up to ten seconds for the check to succeed.
WaitFor() {
  local What=$1
  shift
  for _ in $(seq 100); do
    "$@" && return 0
    sleep 0.1
  done
  Fail "timed out waiting for $What"
}
Visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
Hidden() { ! Visible "$1"; }
TitleIs() { [ "$(xdotool getwindowname "$1" 2>/dev/null)" = "$2" ]; }
# A window of the designer's besides the main one: the menu, while no editor is open.
MenuShown() { xdotool search --onlyvisible --classname keyloom-designer 2>/dev/null | grep -qvx "$Main"; }
Gone() { ! kill -0 "$DesignerPid" 2>/dev/null; }

for Form in "$@"; do
  Name=$(basename "$Form")
  if [ ! -f "$Form" ]; then
    echo "SKIPPED $Name: not found (the corpus is absent)"
    continue
  fi
  cp "$Form" "$Work/$Name"
  chmod u+w "$Work/$Name"
  "$Designer" "$Work/$Name" >"$Work/designer.log" 2>&1 &
  DesignerPid=$!
  Title="$Name - Keyloom Designer"
  WaitFor "the designer window" Visible "^$Title\$"
  Main=$(xdotool search --onlyvisible --name "^$Title\$" | head -n 1)
  xdotool windowfocus --sync "$Main"

  # The form lies on the desk below the menu bar; any point of it offers the
  # verb of the form or of the panel there.
  # A click that comes before the window is ready to take it is lost: again.
  for _ in $(seq 10); do
    xdotool mousemove --window "$Main" 60 100 click 3
    sleep 0.3
    MenuShown && break
  done
  WaitFor "the form's context menu" MenuShown
  xdotool key k
  WaitFor "the editor window" Visible "^Keyloom - "
  Editor=$(xdotool search --onlyvisible --name "^Keyloom - " | head -n 1)
  xdotool windowfocus --sync "$Editor"
  xdotool key --delay 150 alt+f alt+a alt+o
  WaitFor "the editor window to close" Hidden "^Keyloom - "
  WaitFor "the form to be marked modified" TitleIs "$Main" "$Name * - Keyloom Designer"

  xdotool windowfocus --sync "$Main"
  xdotool key ctrl+s
  WaitFor "the form to be saved" TitleIs "$Main" "$Title"
  xdotool key ctrl+q
  WaitFor "the designer to quit" Gone
  wait "$DesignerPid" || Fail "the designer exited with status $?"
  DesignerPid=

  # A character-by-character diff: every difference is an "&" put in.
  Changes=$(diff <(fold -b -w 1 "$Form") <(fold -b -w 1 "$Work/$Name") | grep '^[<>]' || true)
  Other=$(printf '%s\n' "$Changes" | grep -v '^> &$' | grep -c . || true)
  Inserted=$(printf '%s\n' "$Changes" | grep -c '^> &$' || true)
  [ "$Other" -eq 0 ] || Fail "the saved form differs in more than inserted \"&\": $(diff "$Form" "$Work/$Name" | head -n 20)"
  [ "$Inserted" -gt 0 ] || Fail "no \"&\" was inserted"
  echo "PASS $Name: $Inserted \"&\" inserted, nothing else changed"
done
