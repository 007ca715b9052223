#!/usr/bin/env bash
# Builds Shelvix and runs every test. SHELVIX_SANITIZE=1 builds into build-asan/ with
# AddressSanitizer and UndefinedBehaviorSanitizer instead; SHELVIX_SANITIZE=thread builds into
# build-tsan/ with ThreadSanitizer.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ "${SHELVIX_SANITIZE:-0}" = 1 ]; then
  export SHELVIX_BUILD_DIR="${SHELVIX_BUILD_DIR:-$here/build-asan}"
  # -O1 keeps the sanitized run several times faster than -O0 and the reports still exact;
  # the benchmarks are not run here, so they are not built.
  bash "$here/scripts/build.sh" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
    -DSHELVIX_SANITIZE=ON -DSHELVIX_BUILD_BENCH=OFF
  # libarchive asks for what a damaged RAR header claims (up to 1 TiB) and copes when malloc
  # says no; the sanitizer would abort instead of saying no as the C library does.
  export ASAN_OPTIONS="${ASAN_OPTIONS:-allocator_may_return_null=1}"
elif [ "${SHELVIX_SANITIZE:-0}" = thread ]; then
  export SHELVIX_BUILD_DIR="${SHELVIX_BUILD_DIR:-$here/build-tsan}"
  bash "$here/scripts/build.sh" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
    -DSHELVIX_TSAN=ON -DSHELVIX_BUILD_BENCH=OFF
  # Reports anywhere, also in the program's own threads, fail the test that made them.
  export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1 second_deadlock_stack=1 allocator_may_return_null=1}"
else
  export SHELVIX_BUILD_DIR="${SHELVIX_BUILD_DIR:-$here/build}"
  bash "$here/scripts/build.sh"
fi
export QT_QPA_PLATFORM=offscreen
cd "$SHELVIX_BUILD_DIR"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
