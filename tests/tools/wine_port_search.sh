#!/usr/bin/env bash
# The Windows port list and search, with two COM ports as Windows presents adapters: each
# a device (a link in the prefix's dosdevices) with its entry in the registry's SERIALCOMM
# key. COM10 leads to a simulator that never answers, COM11 to one that plays the
# instrument. kalora-cli.exe ports lists both, and download ... auto, after the first and
# second port and the silent COM10, brings the image from COM11 byte for byte.
# The key is volatile: Wine rebuilds it whenever its server starts. The prefix is the
# test's own and its server is kept running from the entries to the end, so no other
# program's Wine and no restart in between can take them away.
# Usage: wine_port_search.sh WINE NATIVE_SIM SAMPLES_DIR KALORA_CLI_EXE
wine=$1
sim=$2
samples=$3
cli=$4
source "$(dirname "$0")/package_lib.sh"
[ -x "$sim" ] || { echo "no Linux kalora-sim to serve the ports: skipped"; exit 77; }

fresh_wine_prefix "$wine"
"$wineserver" -p
sims=()
trap 'kill "${sims[@]}" 2>/dev/null; wait; "$wineserver" -k 2>/dev/null; rm -rf "$dir"' EXIT
# port | the simulator's options
ports=("COM10|--silent" "COM11|")
for p in "${ports[@]}"; do
  IFS='|' read -r port options <<<"$p"
  # shellcheck disable=SC2086
  "$sim" "$samples/flow.bin" --full-speed $options --link "$dir/${port,,}" --timeout 300 >"$dir/$port.out" 2>&1 &
  sims+=($!)
  for _ in $(seq 100); do [ -e "$dir/${port,,}" ] && break; sleep 0.1; done
  [ -e "$dir/${port,,}" ] || fail "kalora-sim did not start: $(cat "$dir/$port.out")"
  ln -sfn "$dir/${port,,}" "$WINEPREFIX/dosdevices/${port,,}"
  "$wine" reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "\\Device\\Serial${port#COM}" /t REG_SZ /d "$port" /f \
    >/dev/null 2>&1 || fail "reg add $port"
done

listed=$("$wine" "$cli" ports 2>&1) || fail "kalora-cli.exe ports: $listed"
for p in "${ports[@]}"; do
  grep -q "^${p%%|*}\b" <<<"$listed" || fail "kalora-cli.exe ports does not list ${p%%|*}: $listed"
done
"$wine" "$cli" download "$dir/got.bin" auto >"$dir/download.out" 2>&1 || fail "download auto: $(cat "$dir/download.out")"
cmp -s "$dir/got.bin" "$samples/flow.bin" || fail "the image found by the search differs from the simulator's"
grep -q "COM10" "$dir/download.out" || fail "the search did not ask COM10: $(cat "$dir/download.out")"
echo "ports: $(echo $listed | tr -s ' ')"
echo "download auto: $(grep -c . "$dir/download.out") lines of progress; the image from COM11 byte for byte"
