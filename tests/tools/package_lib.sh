# Shared by the package tests: a scratch folder removed at the end, failure messages,
# the package made by cpack from a build folder, and the installed desktop program
# driven under Wine and Xvfb.
#   source package_lib.sh; package=$(make_package GENERATOR BUILD_DIR PATTERN)
set -u
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb.sh"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Prints the path of the one package matching PATTERN that cpack made in the scratch folder.
make_package() {
  local generator=$1 build=$2 pattern=$3 made
  (cd "$build" && "$cpack" -G "$generator" -B "$dir/out" >"$dir/cpack.log" 2>&1) || {
    cat "$dir/cpack.log" >&2
    fail "cpack did not make the $generator package"
  }
  made=$(ls "$dir"/out/$pattern 2>/dev/null | head -n 1)
  [ -n "$made" ] || fail "no $pattern in $dir/out"
  echo "$made"
}

# fresh_wine_prefix WINE: a Wine prefix of the test's own, as on a user's first start; its
# user's home, where Wine links the documents, is a folder of the test.
fresh_wine_prefix() {
  export WINEPREFIX="$dir/prefix" WINEDEBUG=-all HOME="$dir/home"
  # No .NET or HTML engine, and no menu entries on this machine's desktop.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
  mkdir -p "$HOME"
  "$1" wineboot --init >/dev/null 2>&1
  "$wineserver" -w
}

# start_desktop_session: Xvfb for the desktop program; it, Wine and the scratch folder go at the end.
start_desktop_session() {
  for tool in Xvfb xdotool; do
    command -v $tool >/dev/null || { echo "no $tool: the desktop program was not started"; exit 77; }
  done
  start_xvfb "$dir"
  app=
  trap '[ -n "$app" ] && kill $app 2>/dev/null; "$wineserver" -k 2>/dev/null; kill $xvfb_pid 2>/dev/null; wait; rm -rf "$dir"' EXIT
}

# open_database_with_ctrl_o WINE FOLDER NAME: kalora.exe started in FOLDER, as Explorer
# starts it, opens NAME.db from the documents with Ctrl+O and closes on Alt+F4.
open_database_with_ctrl_o() {
  local wine=$1 folder=$2 name=$3 window before dialog= opened
  (cd "$folder" && exec "$wine" kalora.exe) >"$dir/kalora.out" 2>&1 &
  app=$!
  window=$(wait_window '^КАЛОРА-5$') || fail "kalora.exe showed no main window"
  sleep 2
  # Keys go through XTEST to the window that has the focus (there is no window manager).
  # The file dialog has no name: it is the window that Ctrl+O adds.
  before=$(xdotool search --onlyvisible --name '' 2>/dev/null | sort)
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool mousemove 500 400 click 1 key ctrl+o
  for _ in $(seq 100); do
    dialog=$(comm -13 <(echo "$before") <(xdotool search --onlyvisible --name '' 2>/dev/null | sort) | head -1)
    [ -n "$dialog" ] && break
    sleep 0.1
  done
  [ -n "$dialog" ] || fail "Ctrl+O opened no dialog"
  sleep 1
  xdotool windowfocus --sync "$dialog" 2>/dev/null
  xdotool type --delay 50 "$name.db"
  xdotool key Return
  opened=$(wait_window "^$name - КАЛОРА-5\$") || fail "Ctrl+O opened no database"
  xdotool windowfocus --sync "$opened" 2>/dev/null
  xdotool key alt+F4
  for _ in $(seq 200); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
  kill -0 $app 2>/dev/null && fail "kalora.exe did not close on Alt+F4"
  app=
  "$wineserver" -w
}
