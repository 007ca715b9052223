#!/bin/sh
# Runs every fuzz target (or the ones named) for a while on fresh seeds and the corpus kept in
# tests/fuzz/corpus/<target>, with the target's dictionary when it has one.
#   tests/fuzz/run.sh <fuzz build folder> [seconds per target] [target...]
# SHELVIX_FUZZ_RUNS=N stops each target after N executions instead (the time still bounds it).
# Corpora grow in <build>/fuzz-corpus/<target>; crashes land in <build>/fuzz-artifacts/, and any
# crash makes the script fail. To refresh a kept corpus with what a campaign found (inputs cut to
# 2 KiB keep nearly all the coverage at a fraction of the size):
#   <build>/tests/fuzz/fuzz_<target> -merge=1 -max_len=2048 tests/fuzz/corpus/<target> \
#       <build>/fuzz-corpus/<target>
set -eu
build=$(cd "$1" && pwd)
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
targets=${*:-index block categories zip rar import language details media}
here=$(cd "$(dirname "$0")" && pwd)
runs=${SHELVIX_FUZZ_RUNS:--1}
bin="$build/tests/fuzz"
# The index and category targets write a file per run: keep them off the disk when possible.
if [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
seeds="$build/fuzz-seeds"
rm -rf "$seeds"
"$bin/fuzz_seedgen" "$seeds"
# ZIP seeds come from the zip tool when it is there: plain, with a comment, with folder members,
# a self-extractor stub in front, and a stored member.
mkdir -p "$seeds/zip"
if command -v zip >/dev/null 2>&1; then
    work=$(mktemp -d)
    (
        cd "$work"
        mkdir -p d/e && echo alpha > d/a.txt && echo beta > d/e/b.txt && echo gamma > "d/ü.txt"
        zip -q -r "$seeds/zip/plain.zip" d
        cp "$seeds/zip/plain.zip" "$seeds/zip/comment.zip"
        echo "a comment" | zip -q -z "$seeds/zip/comment.zip"
        zip -q -0 -D "$seeds/zip/stored.zip" d/a.txt
        head -c 300 /dev/urandom > stub && cat stub "$seeds/zip/plain.zip" > "$seeds/zip/sfx.zip"
        zip -q -A "$seeds/zip/sfx.zip"
    )
    rm -rf "$work"
fi
# Media seeds, small, from ffmpeg when it is there: a photo of each kind, songs, clips.
mkdir -p "$seeds/media"
if command -v ffmpeg >/dev/null 2>&1; then
    pic="-loglevel error -y -f lavfi -i color=s=16x12 -frames:v 1"
    tone="-loglevel error -y -f lavfi -i sine=d=0.2 -metadata artist=A -metadata title=T"
    clip="-loglevel error -y -f lavfi -i testsrc=size=32x24:rate=5 -t 0.4"
    for f in p.jpg p.png p.tif; do ffmpeg $pic "$seeds/media/$f" || true; done
    for f in s.mp3 s.flac s.ogg s.m4a s.wav; do ffmpeg $tone "$seeds/media/$f" || true; done
    for f in c.mp4 c.mkv c.avi; do ffmpeg $clip -c:v mpeg4 "$seeds/media/$f" || true; done
    if command -v exiftool >/dev/null 2>&1; then
        exiftool -q -overwrite_original -Make=M -DateTimeOriginal="2019:06:05 14:03:02" \
            -GPSLatitude=1.5 -GPSLatitudeRef=S -Orientation#=6 "$seeds/media/p.jpg" || true
    fi
fi
mkdir -p "$build/fuzz-artifacts"
for kind in $targets; do
    corpus="$build/fuzz-corpus/$kind"
    kept="$here/corpus/$kind"
    mkdir -p "$corpus" "$seeds/$kind"
    dict=
    if [ -f "$here/$kind.dict" ]; then dict="-dict=$here/$kind.dict"; fi
    echo "== fuzz_$kind for ${seconds}s"
    # shellcheck disable=SC2086 # $dict is one word or none
    "$bin/fuzz_$kind" -max_total_time="$seconds" -runs="$runs" -rss_limit_mb=2048 -timeout=10 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/$kind-" \
        $dict "$corpus" "$seeds/$kind" $( [ -d "$kept" ] && echo "$kept" )
done
