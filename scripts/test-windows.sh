#!/usr/bin/env bash
# make test-windows: the core, kalora-cli and their tests cross-built for Windows
# with MinGW-w64 and run under Wine, in a Wine prefix of their own inside the build
# folder. The Wine server started here is stopped at the end, pass or fail.
#   scripts/test-windows.sh BUILD_DIR JOBS [CMAKE_FLAGS...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}
jobs=${2:-2}
shift 2 || true

bash scripts/install-deps.sh windows

mkdir -p "$build"
export WINEPREFIX="$PWD/$build/wine-prefix"
export WINEDEBUG=-all
# No .NET or HTML engine is wanted, and no dialog offering to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
trap '"$wineserver" -k 2>/dev/null || true' EXIT

start=$SECONDS
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
  "$wine64" wineboot --init >/dev/null 2>&1
  "$wineserver" -w
fi
echo "test-windows: Wine prefix ready after $((SECONDS - start)) s"

if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DKALORA_BUILD_GUI=OFF -DKALORA_BUILD_BENCH=OFF "$@"
fi
cmake --build "$build" -j "$jobs"
echo "test-windows: built after $((SECONDS - start)) s"

cd "$build"
ctest --output-on-failure -j "$jobs" --timeout 600
echo "test-windows: tests done after $((SECONDS - start)) s"
