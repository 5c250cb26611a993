#!/usr/bin/env bash
# The PNG sizes of the program's icon, made from packaging/icons/nerovale.svg (kept with the sources,
# as the package installs them): run after a change of the SVG.
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
if ! command -v rsvg-convert >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends librsvg2-bin
fi
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" nerovale.svg -o "nerovale-$size.png"
done
