#!/usr/bin/env bash
# A machine without a Chinese face (only a Latin one, or none at all): the show still runs to its
# end, every line takes its place, and nothing crashes.
set -euo pipefail
trace=$1 fonts=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
case $fonts in
  latin-only) font_dir=/usr/share/fonts/truetype/dejavu ;;
  none) font_dir=$dir/empty; mkdir -p "$font_dir" ;;
esac
cat > "$dir/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><dir>$font_dir</dir><cachedir>$dir/cache</cachedir></fontconfig>
CONF
FONTCONFIG_FILE=$dir/fonts.conf "$trace" --screen 1366x768 > "$dir/rows"
lines=$(grep -c '^line ' "$dir/rows")
[ "$lines" -eq 15 ] || { echo "expected 15 lines, got $lines"; exit 1; }
[ "$(tail -n 1 "$dir/rows")" = "exit 0" ] || { echo "the show did not end with exit 0"; exit 1; }
# Lines of one block stand one cell plus 2 pixels apart, whatever face was found.
first=$(grep -m 2 '^line ' "$dir/rows" | awk '{print $3}' | paste -sd' ')
read -r y1 y2 <<<"$first"
[ $((y2 - y1)) -gt 2 ] || { echo "lines do not advance: $first"; exit 1; }
echo "fonts=$fonts: 15 lines, first two at y $y1 and $y2, exit 0"
