#!/usr/bin/env bash
# Writes the sample device images of this folder with the instrument simulator, and
# the sample database samples.db with the comments that name its samples:
#   samples/make-samples.sh [BUILD [FOLDER]]   (BUILD defaults to build, FOLDER to samples/)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
out=${2:-$here}
sim=$build/kalora-sim
cli=$build/kalora-cli
for kind in stat zond both flow wall samples; do
  "$sim" --make "$kind" "$out/$kind.bin"
done

# The comments as a laboratory types them, spaces and letter case as they come;
# rows not named here keep an empty comment.
stationary=(
  1 "ПСБ-С 25" 2 "ПСБ-С 25" 3 " псб-с 25" 4 "ПСБ-С 25 " 5 "ПСБ-С 25" 6 "Псб-С 25" 7 "ПСБ-С 25" 8 "ПСБ-С 25"
  9 "Минплита П-75" 10 "Минплита П-75" 11 "Минплита П-75" 12 "МИНПЛИТА П-75" 13 "Минплита П-75"
  14 "Газобетон D500" 15 "Газобетон D500" 16 "газобетон d500" 17 "Газобетон D500"
  18 "Сосна поперёк волокон" 19 "Сосна поперёк волокон" 20 "Кирпич керамический"
)
probe=(
  1 "Суглинок, скв. 1" 2 "Суглинок, скв. 1" 3 "СУГЛИНОК, скв. 1" 4 "Суглинок, скв. 1" 5 " Суглинок, скв. 1"
  6 "Бетон В25" 7 "Бетон В25" 8 "бетон в25" 9 "Бетон В25"
  10 "Пенобетон D600" 11 "Пенобетон D600" 12 "Пенобетон D600" 13 "Песок сухой"
)
rm -f "$out/samples.db"
"$cli" bin2db "$out/samples.bin" "$out/samples.db"
type_comments() {
  local table=$1
  shift
  while [ $# -gt 0 ]; do
    "$cli" comment "$out/samples.db" "$table" "$1" "$2"
    shift 2
  done
}
type_comments 1 "${stationary[@]}"
type_comments 2 "${probe[@]}"
