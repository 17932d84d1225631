#!/usr/bin/env bash
# srec_info must read the image without complaint and report exactly its
# ranges and start address.
set -euo pipefail
image=$1
source "$(dirname "$0")/../require.sh"
require_tools srec_info
actual=$(srec_info "$image" 2>&1)
expected='Format: Motorola S-Record
Header: "TQM530R.MOT"
Execution Start Address: 00020488
Data:   020000 - 020007
        020200 - 02020A
        020400 - 020639
        02063C - 04CFDB'
if [ "$actual" != "$expected" ]; then
  echo "unexpected srec_info output:"; echo "$actual"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
size=$(stat -c %s "$image")
lines=$(wc -l < "$image")
[ "$size" = 527014 ] || { echo "size $size, expected 527014"; exit 1; }
[ "$lines" = 11460 ] || { echo "$lines lines, expected 11460"; exit 1; }
echo "srec_info: ranges and start address as expected"
