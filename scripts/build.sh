#!/usr/bin/env bash
# Configures and builds Shelvix into build/ (or $SHELVIX_BUILD_DIR) after installing missing packages.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${SHELVIX_BUILD_DIR:-$here/build}"
bash "$here/scripts/setup-deps.sh"
cmake -S "$here" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
