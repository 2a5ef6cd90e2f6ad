#!/usr/bin/env bash
# Runs each fuzz target for a bounded time:
#   fuzz/run.sh BUILD SECONDS [TARGET...]
# Every target first replays its saved regressions (fuzz/regressions/TARGET), then
# fuzzes from its corpus (BUILD/corpus/TARGET, kept between runs) and the seeds.
# Inputs that crash land in BUILD/crashes/TARGET; the run then fails.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
seconds=$2
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_image fuzz_dbf fuzz_download fuzz_container fuzz_layout)

"$build/fuzz/make_fuzz_seeds" "$build/seeds" "$here/../samples"

max_len() {
  case $1 in
    fuzz_image) echo 16384 ;;     # two images
    fuzz_download) echo 32768 ;;  # identification and a whole dump, with events
    *) echo 65536 ;;              # table files and containers
  esac
}

status=0
for t in "${targets[@]}"; do
  bin=$build/fuzz/$t
  [ -x "$bin" ] || continue
  if [ -d "$here/regressions/$t" ] && [ -n "$(ls -A "$here/regressions/$t")" ]; then
    "$bin" -runs=1 "$here/regressions/$t"/* >/dev/null 2>&1 || { echo "$t: a saved regression fails"; status=1; continue; }
  fi
  mkdir -p "$build/corpus/$t" "$build/crashes/$t" "$build/seeds/$t"
  log=$build/fuzz-$t-${seconds}s.log
  if nice -n 10 "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$(max_len "$t")" \
      -print_final_stats=1 -artifact_prefix="$build/crashes/$t/" "$build/corpus/$t" "$build/seeds/$t" >"$log" 2>&1; then
    echo "$t: $(grep -ao 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs in ${seconds} s, no failure"
  else
    echo "$t: FAILED, see $log and $build/crashes/$t"
    tail -n 40 "$log"
    status=1
  fi
done
exit $status
