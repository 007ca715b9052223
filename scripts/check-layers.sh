#!/usr/bin/env bash
# Fails when an include in src/ runs up the layers instead of down:
#   core (catalogue, platform, scan, search, categories, reports, language, text; no Qt)
#     -> widgets/ (the window kit) -> the windows (ufrm* in scan/, search/, categories/)
#     -> app/ (the main window and its dialogs) -> cli/
# The command-line program sits beside the windows on top of the core; nothing includes it.
set -euo pipefail
src="$(cd "$(dirname "${BASH_SOURCE[0]}")/../src" && pwd)"
cd "$src"

fail=0
report() {
  echo "layer check: $1 includes $2 ($3)"
  fail=1
}

layer_of_file() {
  # The layer a file lives on, from its folder and its name.
  local path=$1 dir=${1%%/*} base=${1##*/}
  case $dir in
    app) echo app ;;
    cli) echo cli ;;
    widgets) echo widgets ;;
    *) if [[ $base == ufrm* ]]; then echo windows; else echo core; fi ;;
  esac
}

rank() {
  case $1 in
    core) echo 0 ;; widgets) echo 1 ;; windows) echo 2 ;; app) echo 3 ;; cli) echo 3 ;;
  esac
}

while IFS= read -r file; do
  from=$(layer_of_file "$file")
  while IFS= read -r included; do
    [[ $included == */* ]] || continue   # a sibling in the same folder
    [ -e "$included" ] || continue       # generated files (moc) and system headers
    to=$(layer_of_file "$included")
    if [ "$(rank "$to")" -gt "$(rank "$from")" ]; then
      report "$file" "$included" "$from may not include $to"
    elif [ "$from" != "$to" ] && { [ "$to" = cli ] || [ "$to" = app ]; }; then
      report "$file" "$included" "$from may not include $to"
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  # The core has no Qt.
  if [ "$from" = core ] && grep -qE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$file"; then
    report "$file" "a Qt header" "the core has no Qt"
  fi
done < <(find . -name '*.h' -o -name '*.cpp' | sed 's#^\./##' | sort)

if [ $fail -ne 0 ]; then
  exit 1
fi
echo "layer check: every include in src/ runs downward"
