#!/usr/bin/env bash
# Builds Shelvix and runs every test. SHELVIX_SANITIZE=1 builds into build-asan/ with
# AddressSanitizer and UndefinedBehaviorSanitizer instead.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ "${SHELVIX_SANITIZE:-0}" = 1 ]; then
  export SHELVIX_BUILD_DIR="${SHELVIX_BUILD_DIR:-$here/build-asan}"
  bash "$here/scripts/build.sh" -DCMAKE_BUILD_TYPE=Debug -DSHELVIX_SANITIZE=ON
else
  export SHELVIX_BUILD_DIR="${SHELVIX_BUILD_DIR:-$here/build}"
  bash "$here/scripts/build.sh"
fi
export QT_QPA_PLATFORM=offscreen
cd "$SHELVIX_BUILD_DIR"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
