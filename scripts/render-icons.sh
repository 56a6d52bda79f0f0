#!/usr/bin/env bash
# Renders the program icon's PNG sizes from packaging/icons/vantrel.svg (needs rsvg-convert from
# Debian's librsvg2-bin). The PNGs are committed, so building needs none of this.
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
for size in 48 128 256; do
  rsvg-convert -w "$size" -h "$size" vantrel.svg -o "vantrel-$size.png"
done
