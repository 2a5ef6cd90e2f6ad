#!/usr/bin/env bash
# kalora-cli append killed with SIGKILL at random moments. After every kill the
# container opens with the old rows or the new ones, "recover" (or, when the run was
# cut inside an operation, "recover --discard") leaves a database that append
# accepts, and the final append gives the full table. Prints the figures it saw.
# Usage: crash_append.sh KALORA-CLI KALORA-SIM [KILLS]
set -u
cli=$1
sim=$2
kills=${3:-60}
dir=$(mktemp -d)
victim=
cleanup() {
  [ -n "$victim" ] && kill -9 "$victim" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT

fail() {
  echo "FAIL (kill $i): $*" >&2
  exit 1
}
rows() { "$cli" dump "$1" 3 2>/dev/null | tail -n +2 | wc -l; }

"$sim" --make wall "$dir/new.bin" >/dev/null || fail "no sample image"
"$cli" bin2db "$dir/new.bin" "$dir/full.db" >/dev/null || fail "bin2db"
full=$(rows "$dir/full.db")
# The old database: the same measurements up to an earlier day.
"$sim" --make flow "$dir/old.bin" >/dev/null || fail "no old image"
"$cli" bin2db "$dir/old.bin" "$dir/old.db" >/dev/null || fail "bin2db old"
old=$(rows "$dir/old.db")

# How long one append takes, to spread the kills over it.
cp "$dir/old.db" "$dir/m.db"
start=$(date +%s%N)
"$cli" append "$dir/m.db" "$dir/new.bin" >/dev/null || fail "plain append"
span_us=$((($(date +%s%N) - start) / 1000))
new=$(rows "$dir/m.db")
[ "$new" -gt "$old" ] || fail "the append adds nothing ($old, $new)"

declare -A seen
for ((i = 1; i <= kills; i++)); do
  cp "$dir/old.db" "$dir/m.db"
  rm -f "$dir"/m.db?.bak
  "$cli" append "$dir/m.db" "$dir/new.bin" >/dev/null 2>&1 &
  victim=$!
  delay=$((RANDOM * 32768 + RANDOM))
  delay=$((delay % (span_us + 1)))
  sleep "$(printf '0.%06d' "$delay")"
  kill -9 "$victim" 2>/dev/null
  wait "$victim" 2>/dev/null
  status=$?
  victim=
  [ "$status" -eq 137 ] && seen[killed]=$((${seen[killed]:-0} + 1)) || seen[finished]=$((${seen[finished]:-0} + 1))

  stored=$(rows "$dir/m.db")
  case $stored in
    "$old") seen[container_old]=$((${seen[container_old]:-0} + 1)) ;;
    "$new") seen[container_new]=$((${seen[container_new]:-0} + 1)) ;;
    *) fail "the container holds $stored rows, neither $old nor $new" ;;
  esac

  "$cli" recover "$dir/m.db" >/dev/null 2>&1
  code=$?
  if [ "$code" -eq 1 ]; then
    "$cli" recover --discard "$dir/m.db" >/dev/null 2>&1 || fail "recover --discard"
    seen[discarded]=$((${seen[discarded]:-0} + 1))
  elif [ "$code" -eq 0 ]; then
    seen[recovered]=$((${seen[recovered]:-0} + 1))
  else
    fail "recover exits $code"
  fi
  ls "$dir"/m.db? "$dir"/m.db.busy >/dev/null 2>&1 && fail "working copies or the marker left after recover"
  "$cli" append "$dir/m.db" "$dir/new.bin" >/dev/null 2>&1 || fail "append refused after recover"
  [ "$(rows "$dir/m.db")" -eq "$new" ] || fail "the final append gives $(rows "$dir/m.db") rows, not $new"
done
echo "kills: $kills, append time ${span_us} us; $(for k in "${!seen[@]}"; do printf '%s=%s ' "$k" "${seen[$k]}"; done)"
