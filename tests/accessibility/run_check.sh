#!/usr/bin/env bash
# The accessibility check: the program in an X server of its own (Xvfb) with a D-Bus session,
# Qt's AT-SPI bridge on, and check_names.py reading its tree as a screen reader would: once for
# the main window alone, then once for each of its other windows, opened at start through
# SHELVIX_OPEN_WINDOW (docs/internals.md).
# Usage: run_check.sh PROGRAM [PYTHON]   (PYTHON: one with python3-pyatspi, /usr/bin/python3)
set -euo pipefail
program="$1"
python="${2:-/usr/bin/python3}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
settings="$(mktemp -d)"
trap 'rm -rf "$settings"' EXIT
# The window to open, and the accessible name of a node that is there only when it is shown.
windows=(
  "|Shelvix"
  "frmMediaRead|Examining Media..."
  "frmMediaDetails|Media Details"
  "frmRestore|Restore"
  "frmCleanUp|Clean up"
  "frmCategories|Categories"
  "frmSearch|Search"
  "frmSearchWindow|Searching..."
  "frmInfo|Information"
  "frmDetailsFile|Details"
  "frmImport|Import"
  "frmDuplicates|Find duplicates"
  "frmDuplicatesWindow|Finding duplicates..."
  "FindList|Found"
)
xvfb-run -a -s "-screen 0 1280x900x24" dbus-run-session -- bash -c '
  export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
  export XDG_CONFIG_HOME="$2" NO_AT_BRIDGE=0
  program=$1 here=$3 python=$4
  shift 4
  status=0
  for entry in "$@"; do
    window=${entry%%|*} expected=${entry#*|}
    echo "=== ${window:-frmShelvix}"
    SHELVIX_OPEN_WINDOW="$window" "$program" & pid=$!
    "$python" "$here/check_names.py" "$expected" || status=1
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
  done
  exit $status' check "$program" "$settings" "$here" "$python" "${windows[@]}"
