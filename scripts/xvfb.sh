# Xvfb and xdotool for the scripts and tests that drive the desktop program on a screen
# of their own (sourced, not run).

# start_xvfb FOLDER: a 1024x700 screen on a free display, its number kept in
# FOLDER/display; DISPLAY is exported and xvfb_pid holds the server.
start_xvfb() {
  exec 3>"$1/display"
  Xvfb -displayfd 3 -screen 0 1024x700x24 >/dev/null 2>&1 &
  xvfb_pid=$!
  exec 3>&-
  for _ in $(seq 50); do [ -s "$1/display" ] && break; sleep 0.1; done
  export DISPLAY=:$(cat "$1/display")
}

# wait_window PATTERN: the first window whose name matches, waited for up to 30 s;
# otherwise the names of the windows there go to the error output and it fails.
wait_window() {
  local found=
  for _ in $(seq 300); do
    found=$(xdotool search --name "$1" 2>/dev/null | head -1) && [ -n "$found" ] && break
    sleep 0.1
  done
  if [ -z "$found" ]; then
    echo "no window \"$1\" appeared ($(xdotool search --name . getwindowname %@ 2>/dev/null | tr '\n' '|'))" >&2
    return 1
  fi
  echo "$found"
}
