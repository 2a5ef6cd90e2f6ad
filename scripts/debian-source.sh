# shellcheck shell=bash
# Shared by the scripts that cross-build a Debian source package for Windows; sourced,
# not run. The callers set `set -euo pipefail` themselves.
#   mingw_triplet          the MinGW-w64 target
#   mingw_compiler_key     the compiler's part of a cache folder's name (gcc12-posix);
#                          installs the compiler first when it is missing
#   ensure_deb_src WHO     a deb-src entry for apt-get source, added once if missing
#   apt_need PACKAGE...    installs the ones not yet installed
#   cached_install WHO PREFIX [ARG]
#                          ends the calling script when ARG is "prefix" (prints PREFIX)
#                          or when PREFIX holds a complete install

mingw_triplet=x86_64-w64-mingw32

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# The folder's name must not depend on whether the compiler happened to be there yet:
# without it the name is that of the compiler the build will install.
mingw_compiler_key() {
  local compiler=$mingw_triplet-g++-posix
  command -v "$compiler" >/dev/null || apt_need g++-mingw-w64-x86-64-posix >&2
  command -v "$compiler" >/dev/null || { echo "no $compiler: the cache folder cannot be named" >&2; return 1; }
  echo "gcc$("$compiler" -dumpversion | cut -d. -f1)"
}

apt_need() {
  local need=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
  done
  if [ ${#need[@]} -gt 0 ]; then
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
  fi
}

# A deb-src entry beside each deb entry of the machine's own sources (deb822 files and
# one-line lists), added once, so that apt-get source can fetch from the same mirrors.
has_deb_src() {
  grep -qsE '^[[:space:]]*Types:.*deb-src' /etc/apt/sources.list.d/*.sources && return 0
  grep -qsE '^[[:space:]]*deb-src[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list && return 0
  return 1
}
ensure_deb_src() {
  local who=$1 src_list=/etc/apt/sources.list.d/kalora-deb-src found=0 f
  has_deb_src && return 0
  echo "$who: adding deb-src entries ($src_list.*)"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    grep -qE '^Types:.*\bdeb\b' "$f" || continue
    grep -q 'deb.debian.org\|debian' "$f" || continue
    sed -E 's/^Types:.*/Types: deb-src/' "$f" | $SUDO tee "$src_list.sources" >/dev/null
    found=1
    break
  done
  if [ $found = 0 ] && [ -f /etc/apt/sources.list ]; then
    grep -E '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list | sed -E 's/^([[:space:]]*)deb /\1deb-src /' |
      $SUDO tee "$src_list.list" >/dev/null
    found=1
  fi
  [ $found = 1 ] || { echo "$who: no Debian deb entry to pair with deb-src" >&2; return 1; }
  $SUDO apt-get update -qq
}

# The stamp is written last: a folder without it is an interrupted install.
cached_install() {
  if [ "${3:-}" = prefix ]; then
    echo "$2"
    exit 0
  fi
  if [ -f "$2/.complete" ]; then
    echo "$1: $2 is ready"
    exit 0
  fi
}
