#!/usr/bin/env bash
# Writes the sample device images of this folder with the instrument simulator:
#   samples/make-samples.sh [BUILD]   (BUILD defaults to build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sim=${1:-build}/kalora-sim
for kind in stat zond both flow wall; do
  "$sim" --make "$kind" "$here/$kind.bin"
done
