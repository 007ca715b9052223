#!/usr/bin/env bash
# Makes the manual's pictures (docs/manual/images/*.png) of the program's real windows, under a
# virtual X server:
#   scripts/manual-screenshots.sh [build folder, default build/]
# A sample folder with ordinary files, a ZIP archive and a RAR 4 and a RAR 5 archive is read into
# a catalogue by shelvix-cli; shelvix_manual_shots opens it in the windows and grabs them.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
cmake --build "$build" --target shelvix-cli shelvix_rar_samples shelvix_manual_shots >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
family="$work/Family"
mkdir -p "$family/Documents/Taxes" "$family/Music" "$family/Archives"
printf 'Shopping: bread, milk\n' > "$family/Documents/list.txt"
printf 'Tax return 2023\n' > "$family/Documents/Taxes/return-2023.txt"
head -c 48000 /dev/zero > "$family/Music/song.ogg"
"$build/tests/shelvix_rar_samples" "$family/Archives"
# A photo for the preview pane, with the camera's own tags.
if command -v ffmpeg >/dev/null 2>&1; then
    mkdir -p "$family/Photos"
    ffmpeg -loglevel error -y -f lavfi -i testsrc=size=1200x800 -frames:v 1 "$family/Photos/harbour.jpg"
    if command -v exiftool >/dev/null 2>&1; then
        exiftool -q -overwrite_original -Make=Canon -Model="Canon EOS 5D" \
            -DateTimeOriginal="2024:05:01 10:20:30" "$family/Photos/harbour.jpg"
    fi
fi
# Fixed dates, so that the pictures do not change with the day they were made.
find "$family" -exec touch -h -d '2024-05-01 09:00' {} +
if command -v zip >/dev/null 2>&1; then
    (cd "$family/Documents" && zip -q -r "$family/Archives/taxes.zip" Taxes)
    touch -d '2024-05-01 09:00' "$family/Archives/taxes.zip" "$family/Archives"
fi
"$build/src/shelvix-cli" add "$work/Home.SXF" "$family" --name "Family backup" >/dev/null

mkdir -p "$here/docs/manual/images"
xvfb-run -a -s "-screen 0 1280x800x24" \
    "$build/tests/shelvix_manual_shots" "$work/Home.SXF" "$here/docs/manual/images"
ls "$here/docs/manual/images"
