#!/usr/bin/env bash
# Makes res/assets/ again with tools/make_assets.py, the same bytes every run, and lists the assets that now
# differ from the committed ones: commit a changed script together with them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Debian's Python and ImageMagick (make_assets.py names /usr/bin/convert) and the C locale on purpose: other
# copies or locales may draw or format differently.
LC_ALL=C /usr/bin/python3 "$root/tools/make_assets.py" "$root/res/assets"
changed=$(git -C "$root" status --short -- res/assets)
echo "${changed:-res/assets/: the same bytes as committed}"
