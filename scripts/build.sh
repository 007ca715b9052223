#!/usr/bin/env bash
# Configures and builds Shelvix into build/ (or $SHELVIX_BUILD_DIR) after installing missing packages.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${SHELVIX_BUILD_DIR:-$here/build}"
bash "$here/scripts/setup-deps.sh"
# ccache keeps compiled files between builds and between checkouts (paths are taken relative to
# the checkout), so a second build tree or a fresh clone compiles only what changed.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$here}"
  # Debug information names the build folder; without this a clone elsewhere would miss.
  export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-true}"
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$here" -B "$build" -G Ninja "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
