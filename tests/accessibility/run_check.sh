#!/usr/bin/env bash
# The accessibility check: the program in an X server of its own (Xvfb) with a D-Bus session,
# Qt's AT-SPI bridge on, and check_names.py reading its tree as a screen reader would.
# Usage: run_check.sh PROGRAM [PYTHON]   (PYTHON: one with python3-pyatspi, /usr/bin/python3)
set -euo pipefail
program="$1"
python="${2:-/usr/bin/python3}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
settings="$(mktemp -d)"
trap 'rm -rf "$settings"' EXIT
xvfb-run -a -s "-screen 0 1280x900x24" dbus-run-session -- bash -c '
  export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
  export XDG_CONFIG_HOME="$2" NO_AT_BRIDGE=0
  "$1" & pid=$!
  "$4" "$3/check_names.py"; status=$?
  kill $pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
  exit $status' check "$program" "$settings" "$here" "$python"
