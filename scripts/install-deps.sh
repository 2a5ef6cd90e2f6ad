#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the tools need.
# Idempotent: packages already present are left alone, apt runs only when something is missing.
#   scripts/install-deps.sh            the native build, its tests and the tools
#   scripts/install-deps.sh windows    the cross build for Windows and Wine to run its tests
set -euo pipefail

windows_packages=(
  cmake ninja-build make
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev dpkg-dev  # zlib for the .xlsx writer built from Debian's source
  wine64 wine
  googletest
  python3  # the zip test lists and unpacks the package
  g++ pkg-config libxlsxwriter-dev  # the Linux kalora-sim behind the COM port under Wine
  xvfb xdotool imagemagick  # the desktop program started from the zip, its screenshots
  wixl msitools  # the .msi installer: wixl builds it, msibuild sets its Cyrillic texts
  libeigen3-dev libboost-math-dev  # header-only numerics, taken as they are by the cross build
)

native_packages=(
  # build
  cmake ninja-build g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev-tools
  qt6-translations-l10n
  libgl-dev libxlsxwriter-dev
  libeigen3-dev libboost-math-dev  # matrices, matrix exponential, distributions
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-dbfread python3-xlrd python3-openpyxl poppler-utils
  libreoffice-calc-nogui libreoffice-base-drivers  # every export (and a dBase table) opened as in a user's Calc
  xvfb xdotool imagemagick
  # the order of flushes and renames of a saved file
  strace
  # fonts used by the grids and reports, and the tools that make the grid font
  fonts-dejavu-core fonts-liberation python3-fonttools
  # fuzzing and sanitizers
  clang libclang-rt-14-dev
  # the Debian package (dpkg-shlibdeps finds its dependencies)
  dpkg-dev
)

case "${1:-native}" in
  native) packages=("${native_packages[@]}") ;;
  windows) packages=("${windows_packages[@]}") ;;
  *) echo "usage: $0 [native|windows]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
