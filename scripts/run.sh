#!/usr/bin/env bash
# Builds Shelvix and starts it; arguments go to the program (a catalogue .SXF to open).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${SHELVIX_BUILD_DIR:-$here/build}"
bash "$here/scripts/build.sh"
exec "$build/src/shelvix" "$@"
