#!/usr/bin/env bash
# A download through a COM port under Wine: the port (a link in the Wine prefix's
# dosdevices) leads to kalora-sim's pseudo-terminal, and a Windows program downloads
# an instrument's memory from it, compared byte for byte with the simulator's image.
# Usage: wine_com_download.sh WINE NATIVE_SIM SAMPLES_DIR PORT COMMAND...
# In COMMAND "{port}" stands for the port (e.g. COM7) and "{out}" for the file to
# write; the program also finds them in KALORA_COM_PORT, KALORA_COM_OUT and the
# simulator's image in KALORA_COM_IMAGE. Exit 77 (skipped) with no Linux kalora-sim.
# Wine asks a port for its modem lines, which a pseudo-terminal refuses; the program's
# serial code does without them.
wine=$1
sim=$2
samples=$3
port=$4
shift 4
here=$(cd "$(dirname "$0")" && pwd)
source "$here/package_lib.sh"

[ -x "$sim" ] || { echo "no Linux kalora-sim to serve the port: skipped"; exit 77; }
prefix=${WINEPREFIX:-$HOME/.wine}
link="$prefix/dosdevices/${port,,}"
sim_pid=
stop_sim() {
  exec 9>&- 2>/dev/null
  [ -n "$sim_pid" ] && wait "$sim_pid" 2>/dev/null
  sim_pid=
  rm -f "$link" "$dir/line"
}
trap 'stop_sim; rm -rf "$dir"' EXIT

for kind in stat flow; do
  mkfifo "$dir/hold"
  "$sim" "$samples/$kind.bin" --full-speed --link "$dir/line" --timeout 120 <"$dir/hold" >"$dir/sim.out" 2>&1 &
  sim_pid=$!
  exec 9>"$dir/hold"  # the simulator's input: closing it ends the simulator
  rm -f "$dir/hold"
  for _ in $(seq 100); do [ -e "$dir/line" ] && break; sleep 0.1; done
  [ -e "$dir/line" ] || fail "kalora-sim did not start: $(cat "$dir/sim.out")"
  ln -sfn "$dir/line" "$link"
  out="$dir/$kind.bin"
  command=()
  for a in "$@"; do
    a=${a//\{port\}/$port}
    command+=("${a//\{out\}/$out}")
  done
  KALORA_COM_PORT=$port KALORA_COM_OUT=$out KALORA_COM_IMAGE="$samples/$kind.bin" \
    "$wine" "${command[@]}" >"$dir/run.out" 2>&1 || fail "$* on $port ($kind): $(tail -20 "$dir/run.out")"
  cmp -s "$out" "$samples/$kind.bin" || fail "the $kind image through $port differs from the simulator's"
  stop_sim
  echo "$kind: $(stat -c %s "$out") bytes through $port, byte for byte"
done
