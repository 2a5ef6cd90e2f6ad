# shellcheck shell=bash
# The static Qt for Windows from a ready archive instead of an hour's build; sourced by
# scripts/qt-windows.sh, not run.
#   use_qt_archive ARCHIVE_DIR PREFIX SHA256
# unpacks ARCHIVE_DIR/<name of PREFIX>.tar.xz into PREFIX's folder when its sha256 is
# SHA256 and it holds exactly that folder with its .complete stamp; returns 1 (and says
# why) when there is no such archive or it is not the one expected, so the caller builds.
# The archive was made in the default cache folder: the few text files that record its
# path are pointed at PREFIX when it is unpacked elsewhere.

qt_archive_made_in=/var/cache/kalora

use_qt_archive() {
  local archive_dir=$1 prefix=$2 sha256=$3 name archive unpack got f
  name=$(basename "$prefix")
  archive="$archive_dir/$name.tar.xz"
  if [ ! -f "$archive" ]; then
    echo "qt-windows: no $name.tar.xz in $archive_dir: building"
    return 1
  fi
  got=$(sha256sum "$archive" | cut -d' ' -f1)
  if [ "$got" != "$sha256" ]; then
    echo "qt-windows: $archive has sha256 $got, not $sha256: building instead"
    return 1
  fi

  # Unpacked beside the cache folder's final name and renamed into it only when complete,
  # so an interrupted unpack never passes for an install.
  mkdir -p "$(dirname "$prefix")"
  unpack=$(mktemp -d "$(dirname "$prefix")/.unpack-$name.XXXXXX")
  if ! tar -xJf "$archive" -C "$unpack" --no-same-owner ||
    [ "$(ls -A "$unpack")" != "$name" ] || [ ! -f "$unpack/$name/.complete" ]; then
    rm -rf "$unpack"
    echo "qt-windows: $archive does not hold $name with its .complete stamp: building instead"
    return 1
  fi
  if [ "$prefix" != "$qt_archive_made_in/$name" ]; then
    grep -rlIF "$qt_archive_made_in/$name" "$unpack/$name" | while read -r f; do
      sed -i "s|$qt_archive_made_in/$name|$prefix|g" "$f"
    done || true
  fi
  rm -rf "$prefix"
  mv "$unpack/$name" "$prefix"
  rmdir "$unpack"
  echo "qt-windows: unpacked $archive into $prefix"
}
