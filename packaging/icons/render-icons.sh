#!/bin/sh
# Renders the program's icon for the hicolor theme from mondeliar.svg, at the sizes the
# package installs. Run by hand after a change to the drawing (rsvg-convert comes with
# Debian's librsvg2-bin, installed by scripts/install-check-tools.sh); the PNGs are
# committed, so neither the build nor the package needs it.
set -eu
cd "$(dirname "$0")"
for size in 48 128 256; do
    rsvg-convert --width "$size" --height "$size" mondeliar.svg > "mondeliar-$size.png"
done
