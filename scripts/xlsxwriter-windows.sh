#!/usr/bin/env bash
# Builds the .xlsx writer library for the Windows programs: Debian's libxlsxwriter source
# package, cross-compiled as a static library with the -posix MinGW-w64 compilers, with
# its own bundled zip and MD5 code (no OpenSSL, no system minizip) over Debian's zlib for
# MinGW-w64 (libz-mingw-w64-dev), which the programs link statically as well.
#   scripts/xlsxwriter-windows.sh            build and install (a second call returns at once)
#   scripts/xlsxwriter-windows.sh prefix     print the install folder (whether built or not)
# The install folder sits beside the static Qt's, keyed by the library's version and the
# compiler's:  ${KALORA_QT_CACHE:-/var/cache/kalora}/xlsxwriter-<version>-mingw64-gcc<N>
# The source and the build tree live in ${KALORA_XLSX_WORK:-/var/tmp/kalora-xlsxwriter}
# and are removed once the install is complete.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$PWD
source scripts/debian-source.sh

version=1.1.4
cache=${KALORA_QT_CACHE:-/var/cache/kalora}
work=${KALORA_XLSX_WORK:-/var/tmp/kalora-xlsxwriter}
jobs=${JOBS:-2}

prefix="$cache/xlsxwriter-$version-mingw64-$(mingw_compiler_key)"
cached_install xlsxwriter-windows "$prefix" "${1:-}"
start=$SECONDS

# The cross compilers and the MinGW-w64 zlib come with the Windows dependencies.
bash scripts/install-deps.sh windows
apt_need dpkg-dev xz-utils
ensure_deb_src xlsxwriter-windows

rm -rf "$work"
mkdir -p "$work"
cd "$work"
apt-get source --download-only libxlsxwriter
dsc=$(find . -maxdepth 1 -name "libxlsxwriter_$version-*.dsc" -printf '%f\n' | head -n1)
if [ -z "$dsc" ]; then
  echo "xlsxwriter-windows: Debian's source is not libxlsxwriter $version ($(find . -maxdepth 1 -name '*.dsc'))" >&2
  exit 1
fi
dpkg-source -x "$dsc" src >/dev/null

# The library's own CMake build, for Windows: static, its bundled minizip and MD5, no
# tests or examples; zlib is named by its static archive, so nothing asks for zlib1.dll.
mingw_root=/usr/$mingw_triplet
cmake -S src -B build -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=OFF -DUSE_SYSTEM_MINIZIP=OFF -DUSE_OPENSSL_MD5=OFF -DUSE_NO_MD5=OFF \
  -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF \
  -DZLIB_INCLUDE_DIR="$mingw_root/include" -DZLIB_LIBRARY="$mingw_root/lib/libz.a" >/dev/null
cmake --build build --parallel "$jobs"
rm -rf "$prefix"
cmake --install build >/dev/null
debian_version=${dsc%.dsc}
echo "libxlsxwriter ${debian_version#libxlsxwriter_}" >"$prefix/debian-source"
touch "$prefix/.complete"
echo "xlsxwriter-windows: installed into $prefix ($(du -sh "$prefix" | cut -f1)) after $((SECONDS - start)) s"

cd /
if [ "${KALORA_XLSX_KEEP_WORK:-0}" != 1 ]; then
  rm -rf "$work"
fi
