#!/usr/bin/env bash
# Starts the desktop program with the instrument simulator on its first serial port,
# so that "Создать" and "Дополнить" work without an instrument.
#
# The program takes no options; the demonstration gives it a settings store of its
# own (XDG_CONFIG_HOME in a scratch folder) whose "Port_1" names the simulator's
# pseudo-terminal. The user's own settings are not touched.
#
#   scripts/demo.sh [BUILD] [IMAGE.bin]      (default image: samples/both.bin)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
image=${2:-${DEMO_IMAGE:-$here/samples/both.bin}}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kalora-demo.XXXXXX")
sim_pid=
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# The simulator prints its terminal's path as its first line.
mkfifo "$scratch/sim.out"
"$build/kalora-sim" "$image" >"$scratch/sim.out" &
sim_pid=$!
exec 3<"$scratch/sim.out"
read -r port <&3 || { echo "demo: the simulator did not start" >&2; exit 1; }
cat <&3 >/dev/null &

data=${DEMO_DATA:-$build/demo-data}
mkdir -p "$scratch/config/Velmora/KALORA" "$data"
cat >"$scratch/config/Velmora/KALORA/1.0.ini" <<INI
[General]
Default_dir=$data
Port_1=$port
Port_2=$scratch/no-second-port
INI

echo "demo: instrument simulator on $port with $(basename "$image"); databases go to $data"
cd "$build"  # the grid font lies beside the program
XDG_CONFIG_HOME="$scratch/config" ./kalora
