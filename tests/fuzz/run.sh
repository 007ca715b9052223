#!/bin/sh
# Runs every fuzz target (or the ones named) for a while on fresh seeds and the corpus kept in
# tests/fuzz/corpus/<target>, with the target's dictionary when it has one.
#   tests/fuzz/run.sh <fuzz build folder> [seconds per target] [target...]
# SHELVIX_FUZZ_RUNS=N stops each target after N executions instead (the time still bounds it).
# Corpora grow in <build>/fuzz-corpus/<target>; crashes land in <build>/fuzz-artifacts/, and any
# crash makes the script fail. To refresh a kept corpus with what a campaign found (inputs cut to
# 2 KiB keep nearly all the coverage at a fraction of the size; 8 KiB for names, whose header
# alone takes 2,144 bytes):
#   <build>/tests/fuzz/fuzz_<target> -merge=1 -max_len=2048 tests/fuzz/corpus/<target> \
#       <build>/fuzz-corpus/<target>
set -eu
build=$(cd "$1" && pwd)
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
targets=${*:-index block categories zip rar import language archives details media previews names}
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
# Archive seeds from the tools that are there, each behind the byte that names its format for
# fuzz_archives (the index into its list of names), small ones nested in one another too.
mkdir -p "$seeds/archives"
work=$(mktemp -d)
(
    cd "$work"
    mkdir -p d/e && echo alpha > d/a.txt && echo beta > d/e/b.txt && ln -s a.txt d/l
    seed() { # index file
        if [ -s "$2" ]; then printf "\\$(printf %o "$1")" | cat - "$2" > "$seeds/archives/$2.seed"; fi
    }
    tar -czf t.tar.gz d 2>/dev/null && seed 0 t.tar.gz
    tar -cJf t.tar.xz d 2>/dev/null && seed 0 t.tar.xz
    { command -v zstd >/dev/null && tar --zstd -cf t.tar.zst d && seed 0 t.tar.zst; } || true
    { command -v 7z >/dev/null && 7z a -bd t.7z d >/dev/null && seed 1 t.7z; } || true
    { command -v genisoimage >/dev/null && genisoimage -quiet -J -R -o t.iso d && seed 2 t.iso; } || true
    { command -v lha >/dev/null && lha -aq t.lzh d && seed 3 t.lzh; } || true
    { command -v bsdtar >/dev/null && bsdtar --format newc -cf t.cpio d && seed 4 t.cpio; } || true
    { command -v bsdtar >/dev/null && bsdtar --format xar -cf t.xar d && seed 5 t.xar; } || true
    { command -v zip >/dev/null && tar -cf in.tar d && zip -q t.zip in.tar && seed 6 t.zip; } || true
    { command -v zip >/dev/null && zip -qr in.zip d && tar -czf n.tar.gz in.zip && seed 0 n.tar.gz; } || true
    { command -v 7z >/dev/null && 7z a -bd n.7z n.tar.gz >/dev/null && seed 1 n.7z; } || true
)
rm -rf "$work"
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
    # libarchive reserves a buffer as large as a header claims (a cpio link's target, say)
    # before it finds the bytes missing; the pages are never touched, so for that target only
    # the resident memory is held to the limit, not the size of one allocation.
    if [ "$kind" = archives ]; then dict="$dict -malloc_limit_mb=16384"; fi
    echo "== fuzz_$kind for ${seconds}s"
    # shellcheck disable=SC2086 # $dict is one word or none
    "$bin/fuzz_$kind" -max_total_time="$seconds" -runs="$runs" -rss_limit_mb=2048 -timeout=10 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/$kind-" \
        $dict "$corpus" "$seeds/$kind" $( [ -d "$kept" ] && echo "$kept" )
done
