#!/usr/bin/env bash
# Builds the static Qt for the Windows desktop program: Debian's qtbase source package,
# cross-compiled with the -posix MinGW-w64 compilers, Debian's own Qt tools (moc, rcc, uic)
# as host tools. Only Core, Gui, Widgets, PrintSupport and Test, with the Windows and
# offscreen platform plugins; every third-party library bundled and linked in.
#   scripts/qt-windows.sh            build and install (a second call returns at once)
#   scripts/qt-windows.sh prefix     print the install folder (whether built or not)
#   scripts/qt-windows.sh archive    only unpack the archive below; never build (CI)
# The install folder is keyed by the Qt version and the compiler version (the compiler
# is installed first if missing):
#   ${KALORA_QT_CACHE:-/var/cache/kalora}/qt-<version>-mingw64-gcc<N>-posix
# A ready archive of exactly that folder, ${KALORA_QT_ARCHIVE_DIR:-../shared/cache}/
# qt-<version>-mingw64-gcc<N>-posix.tar.xz beside the checkout, is unpacked instead of
# building when its sha256 is the one below (KALORA_QT_ARCHIVE_SHA256 names another).
# The source and the build tree (about 2.7 GB) live in ${KALORA_QT_WORK:-/var/tmp/kalora-qt}
# and are removed once the install is complete.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/debian-source.sh
source scripts/qt-archive.sh

qt_version=6.4.2
triplet=$mingw_triplet
cache=${KALORA_QT_CACHE:-/var/cache/kalora}
work=${KALORA_QT_WORK:-/var/tmp/kalora-qt}
jobs=${JOBS:-2}
archive_dir=${KALORA_QT_ARCHIVE_DIR:-../shared/cache}
# The archive made by this script from Debian's qt6-base 6.4.2+dfsg-10, MinGW-w64 gcc 12.
archive_sha256=${KALORA_QT_ARCHIVE_SHA256:-e811311aef342cdd126bf7229a7179bf360f387515b1b499ddb6513ca4c30959}

prefix="$cache/qt-$qt_version-mingw64-$(mingw_compiler_key)"
cached_install qt-windows "$prefix" "${1:-}"
use_qt_archive "$archive_dir" "$prefix" "$archive_sha256" && exit 0
if [ "${1:-}" = archive ]; then
  echo "qt-windows: not built here (make qt-windows builds it)"
  exit 0
fi

# The cross compilers and Wine come with the Windows dependencies; the host Qt tools and
# their CMake files, and dpkg-source to unpack the source package, are added here.
bash scripts/install-deps.sh windows
apt_need qt6-base-dev qt6-base-dev-tools dpkg-dev patch xz-utils

host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev | sed 's/+.*//')
if [ "$host_version" != "$qt_version" ]; then
  echo "qt-windows: the host tools are Qt $host_version, the cross build wants $qt_version" >&2
  exit 1
fi

ensure_deb_src qt-windows

# The source package, unpacked without Debian's patches: the ones that concern the
# Windows build are applied below by name.
mkdir -p "$work"
cd "$work"
src=$(find . -maxdepth 1 -type d -name "qt6-base-$qt_version*" | head -n1)
if [ -z "$src" ]; then
  apt-get source --download-only qt6-base
  dpkg-source --skip-patches -x qt6-base_"$qt_version"*.dsc
  src=$(find . -maxdepth 1 -type d -name "qt6-base-$qt_version*" | head -n1)
fi
src=$(cd "$src" && pwd)

# Debian's security fixes (the patches named after CVEs), each applied once: the text
# layout fix is in the Gui module we build; the HSTS, DNS and ODBC fixes touch modules
# left out below and are applied all the same. The other Debian patches concern Linux
# packaging, shared system libraries or processors Windows does not run on.
applied="$src/.kalora-applied"
touch "$applied"
for p in $(grep -iE '^[^#]*cve-' "$src/debian/patches/series" | awk '{print $1}'); do
  grep -qxF "$p" "$applied" && continue
  echo "qt-windows: applying $p"
  patch -d "$src" -p1 --forward --batch <"$src/debian/patches/$p"
  echo "$p" >>"$applied"
done

# The toolchain file stays beside the install: Qt's own qt.toolchain.cmake records its path.
mkdir -p "$prefix"
toolchain="$prefix/mingw-w64-x86_64.cmake"
cat >"$toolchain" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $triplet-gcc-posix)
set(CMAKE_CXX_COMPILER $triplet-g++-posix)
set(CMAKE_RC_COMPILER $triplet-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$triplet)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

build="$work/build-$qt_version-$(mingw_compiler_key)"
mkdir -p "$build"
cd "$build"
if [ ! -f build.ninja ]; then
  # Only what the program uses: no SQL, network, D-Bus, OpenGL, ICU, XML or concurrency
  # modules. The Windows platform plugin cannot have tablet events (MinGW has no
  # wintab.h), and keeps DirectWrite, which it needs, without Direct2D 1.1.
  "$src/configure" -prefix "$prefix" \
    -static -static-runtime -release -xplatform win32-g++ \
    -qt-host-path /usr \
    -nomake examples -nomake tests -nomake benchmarks \
    -no-dbus -no-opengl -no-icu -no-sql-sqlite -no-sql-odbc -no-sql-psql -no-sql-mysql \
    -no-feature-sql -no-feature-network -no-feature-concurrent -no-feature-xml \
    -no-feature-tabletevent -no-feature-direct2d1_1 \
    -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-doubleconversion \
    -- -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
fi
# The build's own time, wall and CPU (its compilers included), for the README's figures.
TIMEFORMAT='qt-windows: the build took %0R s, %0U s user and %0S s system CPU time'
time cmake --build . --parallel "$jobs"
cmake --install .
touch "$prefix/.complete"
echo "qt-windows: installed into $prefix ($(du -sh "$prefix" | cut -f1))"

# The build tree is large and no longer needed once the install is complete.
if [ "${KALORA_QT_KEEP_WORK:-0}" != 1 ]; then
  rm -rf "$work"
fi
