#!/usr/bin/env bash
# Takes the README's pictures: docs/main-window.png, docs/grid-1.png ..
# docs/grid-5.png, docs/analysis-window.png and docs/samples-window.png, the program under Xvfb with databases made from the sample
# images, opened through "Открыть" as a user would.
#
#   scripts/screenshots.sh [BUILD]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kalora-shots.XXXXXX")
xvfb_pid= app_pid= window=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

"$build/kalora-cli" bin2db "$here/samples/both.bin" "$scratch/both.db" >/dev/null
"$build/kalora-cli" bin2db "$here/samples/flow.bin" "$scratch/flow.db" >/dev/null
"$build/kalora-cli" bin2db "$here/samples/wall.bin" "$scratch/wall.db" >/dev/null
cp "$here/samples/samples.db" "$scratch/samples.db"
mkdir -p "$scratch/config/Velmora/KALORA"
printf '[General]\nDefault_dir=%s\n' "$scratch" >"$scratch/config/Velmora/KALORA/1.0.ini"

source "$here/scripts/xvfb.sh"
start_xvfb "$scratch"

# One run of the program per database: a second file dialog in the same run loses
# keystrokes under xdotool. The main window at its designed size, 800 × 592.
start_app() {
  (cd "$build" && XDG_CONFIG_HOME="$scratch/config" exec ./kalora) &
  app_pid=$!
  window=$(wait_window '^КАЛОРА-5$')
  xdotool windowsize "$window" 800 592
  xdotool windowmove "$window" 0 0
  xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
}
stop_app() {
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=
}

open_db() {
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --window "$window" ctrl+o
  sleep 1
  # The whole path: the dialog's completer would swallow letters of a bare name.
  xdotool key ctrl+a
  xdotool type --delay 60 "$scratch/$1.db"
  xdotool key Return
  for _ in $(seq 100); do
    xdotool search --name "^$1 - КАЛОРА-5\$" >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 1
}
# The tabs and titles sit at fixed places in the 800 × 592 window. The pointer then
# leaves the window, so no tool tip covers it.
click() {
  xdotool mousemove "$1" "$2" click 1
  xdotool mousemove 1000 690
}
# The screen, or with a second argument (800x592+0+0) the part the main window takes.
shot() {
  sleep 0.7
  import -window root ${2:+-crop "$2"} "$here/docs/$1.png"
  echo "screenshots: docs/$1.png"
}
main=800x592+0+0

mkdir -p "$here/docs"
start_app
open_db both    # "Стационарный" is shown first
click 15 97     # the title "N": records by descending N, the mark in the title
shot grid-1 $main
click 137 62    # the tab "Зонд"
shot grid-2 $main
stop_app
start_app
open_db flow    # "Ro" is the active inner page
shot grid-5 $main
click 139 88    # the inner tab "Rк", whose titles show τ from the grid font
click 410 125   # the stacked title "Тепловой поток №1": sorted by channel 1's heat flow
shot grid-4 $main
cp "$here/docs/grid-4.png" "$here/docs/main-window.png"
click 62 88     # the inner tab "Тепловой поток"
shot grid-3 $main
stop_app
start_app
open_db wall
click 172 33    # the toolbar button "Анализ наблюдений"
analysis=$(wait_window '^Анализ наблюдений$')
xdotool windowsize "$analysis" 1024 700
xdotool windowmove "$analysis" 0 0
sleep 1
shot analysis-window
stop_app
start_app
open_db samples
click 197 33    # the toolbar button "Результаты по образцам"
samples=$(wait_window '^Результаты по образцам$')
xdotool windowsize "$samples" 1024 700
xdotool windowmove "$samples" 0 0
sleep 1
shot samples-window
