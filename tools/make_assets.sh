#!/bin/bash
# Rebuilds the sounds, dialog background and icon in res/assets/.
# The output is byte-for-byte reproducible; run it after changing
# tools/make_assets.py and commit the results together with the script.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
out="$root/res/assets"

# Debian's interpreter and ImageMagick on purpose: other copies on PATH may
# differ or be wrappers.
PY=/usr/bin/python3
CONVERT=/usr/bin/convert
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

for f in "$PY" "$CONVERT" "$FONT"; do
    [[ -e $f ]] || { echo "make_assets: missing $f (python3, imagemagick, fonts-dejavu-core)" >&2; exit 1; }
done
"$CONVERT" -version | grep -q ImageMagick || { echo "make_assets: $CONVERT is not ImageMagick" >&2; exit 1; }

export LC_ALL=C
"$PY" "$here/make_assets.py" "$out"

# Each resource has a fixed size that the loader code relies on.
declare -A want=(
    [beep.wav]=194340
    [buzz.wav]=15362
    [cuckoo.wav]=10300
    [background.bmp]=168644
    [icon.ico]=4286
)
status=0
for name in beep.wav buzz.wav cuckoo.wav background.bmp icon.ico; do
    size=$(stat -c %s "$out/$name")
    sum=$(sha256sum "$out/$name" | cut -d' ' -f1)
    if [[ $size == "${want[$name]}" ]]; then mark=ok; else mark="WRONG (want ${want[$name]})"; status=1; fi
    printf '%-15s %7s bytes  %s  %s\n' "$name" "$size" "$sum" "$mark"
done
exit $status
