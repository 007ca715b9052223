#!/usr/bin/env bash
# Renders the application icon (packaging/icons/shelvix.svg) into the PNG sizes the program
# embeds and the package installs beside the SVG:
#   scripts/render-icons.sh           # writes packaging/icons/shelvix-48.png and shelvix-256.png
#   scripts/render-icons.sh --check   # fails when a committed PNG no longer matches the SVG
# Needs rsvg-convert (librsvg2-bin) and, for --check, compare (imagemagick).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
icons="$here/packaging/icons"
out="$icons"
if [ "${1:-}" = "--check" ]; then
    out=$(mktemp -d)
    trap 'rm -rf "$out"' EXIT
fi
for size in 48 256; do
    rsvg-convert -w "$size" -h "$size" "$icons/shelvix.svg" -o "$out/shelvix-$size.png"
    if [ "$out" != "$icons" ]; then
        # A renderer of another version may round a few edge pixels differently.
        differing=$(compare -metric AE -fuzz 3% "$icons/shelvix-$size.png" "$out/shelvix-$size.png" \
                    null: 2>&1 || true)
        if [ "$differing" != 0 ]; then
            echo "packaging/icons/shelvix-$size.png differs from the SVG ($differing pixels);" \
                 "run scripts/render-icons.sh" >&2
            exit 1
        fi
    fi
done
