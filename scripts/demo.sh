#!/usr/bin/env bash
# Starts the desktop program with the instrument simulator on its first serial port.
set -euo pipefail
build=${1:-build}
if [ ! -x "$build/kalora-sim" ] || [ ! -x "$build/kalora" ]; then
  echo "demo: the simulator and the desktop program are not built yet"
  exit 0
fi
exec "$build/kalora-sim" --demo "$build/kalora"
