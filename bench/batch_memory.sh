#!/usr/bin/env bash
# Peak resident memory of `vordex batch` on a long file of SERIES monthly series of LENGTH
# observations (make_long_file.sh), once with each series' rows together and once with the rows
# interleaved time by time (the file is then indexed, not grouped in memory).
#
#   bash bench/batch_memory.sh [VORDEX] [SERIES] [LENGTH]    (defaults: build/cli/vordex 100000 100)
set -euo pipefail
vordex="${1:-build/cli/vordex}"
series="${2:-100000}"
length="${3:-100}"
here="$(cd "$(dirname "$0")" && pwd)"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
for layout in contiguous interleaved; do
  flag=""
  if [ "$layout" = interleaved ]; then flag=--interleaved; fi
  bash "$here/make_long_file.sh" $flag "$series" "$length" > "$dir/in.csv"
  # Theta: the cheapest fit, so that reading the file weighs most.
  /usr/bin/time -f "%M %e" -o "$dir/time" "$vordex" batch theta "$dir/in.csv" --horizon 12 \
    --output "$dir/forecasts.csv" --summary "$dir/summary.csv" 2> "$dir/err"
  read -r peak seconds < "$dir/time"
  printf '%s: %s series x %s rows, %s MB, peak RSS %s MB, %s s (%s)\n' "$layout" "$series" \
    "$length" "$(($(stat -c %s "$dir/in.csv") / 1000000))" "$((peak / 1024))" "$seconds" \
    "$(tail -1 "$dir/err")"
done
