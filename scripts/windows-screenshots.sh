#!/usr/bin/env bash
# Takes the README's Windows pictures: the cross-built kalora.exe under Wine (its own
# Windows platform, no QT_* settings) and Xvfb, in a fresh Wine prefix:
#   docs/windows-main.png      the heat-flow pages of samples/flow.bin
#   docs/windows-download.png  the download window, kalora-sim behind COM1
#   docs/windows-analysis.png  the analysis window of samples/wall.bin
#   scripts/windows-screenshots.sh [WINDOWS_BUILD] [LINUX_BUILD]
# LINUX_BUILD (default build) gives kalora-sim, which serves the port.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build-windows}" && pwd)
native=$(cd "${2:-build}" && pwd)
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kalora-winshots.XXXXXX")
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
xvfb_pid= app_pid= sim_pid= window=
cleanup() {
  exec 9>&- 2>/dev/null || true
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  "$wineserver" -k 2>/dev/null || true
  [ -n "$sim_pid" ] && wait "$sim_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

"$wine" wineboot --init >/dev/null 2>&1
"$wineserver" -w
for kind in flow wall; do
  "$native/kalora-cli" bin2db "$here/samples/$kind.bin" "$scratch/$kind.db" >/dev/null
done

source "$here/scripts/xvfb.sh"
start_xvfb "$scratch"

start_app() {
  (cd "$build" && exec "$wine" kalora.exe) >/dev/null 2>&1 &
  app_pid=$!
  window=$(wait_window '^КАЛОРА-5$')
  xdotool windowmove "$window" 0 0
  xdotool windowsize "$window" 1024 700
  xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window" 2>/dev/null || true
  sleep 1
}
stop_app() {
  kill "$app_pid" 2>/dev/null || true
  "$wineserver" -k 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=
}
open_db() {
  xdotool key --window "$window" ctrl+o
  sleep 2
  xdotool type --delay 60 "Z:${scratch//\//\\}\\$1.db"
  xdotool key Return
  wait_window "^$1 - КАЛОРА-5\$" >/dev/null
  sleep 1
}
click() {
  xdotool mousemove "$1" "$2" click 1
  xdotool mousemove 1000 690
}
shot() {
  sleep 1
  import -window root "$here/docs/$1.png"
  echo "windows-screenshots: docs/$1.png"
}

mkdir -p "$here/docs"
start_app
open_db flow
shot windows-main
stop_app

start_app
open_db wall
click "${ANALYSIS_BUTTON_X:-172}" "${ANALYSIS_BUTTON_Y:-33}"
analysis=$(wait_window '^Анализ наблюдений$')
xdotool windowmove "$analysis" 0 0
xdotool windowsize "$analysis" 1024 700
shot windows-analysis
stop_app

# The download window while the simulator sends at the line's pace.
mkfifo "$scratch/hold"
"$native/kalora-sim" "$here/samples/flow.bin" --link "$scratch/line" --timeout 120 <"$scratch/hold" >/dev/null 2>&1 &
sim_pid=$!
exec 9>"$scratch/hold"
for _ in $(seq 100); do [ -e "$scratch/line" ] && break; sleep 0.1; done
# Wine links com1 to /dev/ttyS0 again whenever it starts: the link is made once it runs.
start_app
ln -sfn "$scratch/line" "$WINEPREFIX/dosdevices/com1"
xdotool key --window "$window" ctrl+n
download=$(wait_window 'Прием данных')
sleep 5
shot windows-download
stop_app
