#!/bin/sh
# Runs every fuzz target for a while on fresh seeds.
#   tests/fuzz/run.sh <fuzz build folder> [seconds per target]
# Corpora grow in <build>/fuzz-corpus/<target>; crashes land in <build>/fuzz-artifacts/.
set -eu
build=$(cd "$1" && pwd)
seconds=${2:-60}
bin="$build/tests/fuzz"
# The index and category targets write a file per run: keep them off the disk when possible.
if [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
seeds="$build/fuzz-seeds"
rm -rf "$seeds"
"$bin/fuzz_seedgen" "$seeds"
mkdir -p "$build/fuzz-artifacts"
for kind in index block categories; do
    corpus="$build/fuzz-corpus/$kind"
    mkdir -p "$corpus"
    echo "== fuzz_$kind for ${seconds}s"
    "$bin/fuzz_$kind" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/$kind-" \
        "$corpus" "$seeds/$kind"
done
