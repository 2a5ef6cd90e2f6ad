#!/usr/bin/env bash
# Takes docs/main-window.png: the program under Xvfb with a database made from a
# sample image, opened through "Открыть" as a user would.
#
#   scripts/screenshot.sh [BUILD] [IMAGE.bin]     (default image: samples/flow.bin)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
image=${2:-$here/samples/flow.bin}
out=$here/docs/main-window.png
display=:${SCREENSHOT_DISPLAY:-77}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kalora-shot.XXXXXX")
xvfb_pid= app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

"$build/kalora-cli" bin2db "$image" "$scratch/wall.db" >/dev/null
mkdir -p "$scratch/config/Velmora/KALORA"
printf '[General]\nDefault_dir=%s\n' "$scratch" >"$scratch/config/Velmora/KALORA/1.0.ini"

Xvfb "$display" -screen 0 1024x700x24 >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

(cd "$build" && XDG_CONFIG_HOME="$scratch/config" exec ./kalora) &
app_pid=$!
window=
for _ in $(seq 100); do
  window=$(xdotool search --name '^КАЛОРА-5$' 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "screenshot: the window did not appear" >&2; exit 1; }
xdotool windowsize "$window" 1024 700
xdotool windowmove "$window" 0 0
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool key --window "$window" ctrl+o
sleep 1
xdotool type --delay 20 "$scratch/wall.db"
xdotool key Return
for _ in $(seq 100); do
  xdotool search --name '^wall - КАЛОРА-5$' >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 1
# The "Rк" page, whose titles show τ from the grid font.
xdotool mousemove 139 88 click 1
sleep 1
mkdir -p "$(dirname "$out")"
import -window root "$out"
echo "screenshot: $out"
