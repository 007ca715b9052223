#!/usr/bin/env bash
# The accessibility check: the program in an X server of its own (Xvfb) with a D-Bus session,
# Qt's AT-SPI bridge on, and check_names.py reading its tree as a screen reader would.
# Usage: run_check.sh PROGRAM
# (Debian's own python3, which has python3-pyatspi, whatever python3 comes first on PATH.)
set -euo pipefail
program="$1"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
settings="$(mktemp -d)"
trap 'rm -rf "$settings"' EXIT
exec xvfb-run -a -s "-screen 0 1280x900x24" dbus-run-session -- bash -c '
  export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
  export XDG_CONFIG_HOME="$2" NO_AT_BRIDGE=0
  "$1" & pid=$!
  /usr/bin/python3 "$3/check_names.py"; status=$?
  kill $pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
  exit $status' check "$program" "$settings" "$here"
