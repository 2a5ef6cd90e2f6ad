#!/usr/bin/env bash
# scripts/qt-windows.sh names its cache folder after the compiler it builds with, also on
# a machine without that compiler yet, and takes a ready archive of that folder only when
# its name and sha256 are right: unpacked once, its recorded paths pointed at the folder;
# any other archive leaves the folder to the build. Runs in a scratch cache folder with a
# stand-in compiler and a small stand-in archive, never the machine's own.
# Usage: qt_archive.sh SOURCE_DIR
source_dir=$1
source "$(dirname "$0")/package_lib.sh"

name=qt-6.4.2-mingw64-gcc12-posix
fake="$dir/bin"
mkdir -p "$fake" "$dir/archives" "$dir/made/$name/lib"
compiler() { printf '#!/bin/sh\necho 12-posix\n' >"$fake/x86_64-w64-mingw32-g++-posix" && chmod +x "$fake/x86_64-w64-mingw32-g++-posix"; }

# The name function: the compiler is installed before its version names the folder.
# The machine's own compiler is hidden: only the stand-in in $fake counts.
key_with() {  # key_with STUB: the name printed when installing the compiler does STUB
  (stub=$1 PATH="$fake:$PATH"; source "$source_dir/scripts/debian-source.sh"
    command() { [ "$2" = x86_64-w64-mingw32-g++-posix ] && { [ -x "$fake/$2" ]; return; }; builtin command "$@"; }
    apt_need() { $stub; }
    mingw_compiler_key) 2>/dev/null
}
[ "$(key_with compiler)" = gcc12-posix ] || fail "without the compiler the folder is named '$(key_with compiler)'"
rm -f "$fake/x86_64-w64-mingw32-g++-posix"
key_with true && fail "with no compiler to be had the folder was still named"
compiler
[ "$(key_with false)" = gcc12-posix ] || fail "with the compiler the folder is named '$(key_with false)'"

# A stand-in of the archive: the folder with its stamp and a file recording its path.
echo "set(QT_HOST_PATH /var/cache/kalora/$name/bin)" >"$dir/made/$name/lib/qt.toolchain.cmake"
touch "$dir/made/$name/.complete"
tar -cJf "$dir/archives/$name.tar.xz" -C "$dir/made" "$name"
sha=$(sha256sum "$dir/archives/$name.tar.xz" | cut -d' ' -f1)
tar -cJf "$dir/archives/qt-6.4.2-mingw64-gcc13-posix.tar.xz" -C "$dir/made" "$name"
rm -rf "$dir/made"

qt_windows() {  # qt_windows ARCHIVE_DIR SHA256
  PATH="$fake:$PATH" KALORA_QT_CACHE="$dir/cache" KALORA_QT_ARCHIVE_DIR="$1" KALORA_QT_ARCHIVE_SHA256="$2" \
    bash "$source_dir/scripts/qt-windows.sh" archive 2>&1
}
# archive folder | sha256 | what the script says | whether the folder is installed
cases=(
  "$dir/archives|0000$sha|building instead|no"
  "$dir/nowhere|$sha|building|no"
  "$dir/archives|$sha|unpacked|yes"
  "$dir/archives|$sha|is ready|yes"
)
for c in "${cases[@]}"; do
  IFS='|' read -r archives want_sha says installed <<<"$c"
  out=$(qt_windows "$archives" "$want_sha") || fail "qt-windows.sh failed: $out"
  [[ "$out" == *"$says"* ]] || fail "with $archives and $want_sha it said: $out"
  [ -f "$dir/cache/$name/.complete" ] && got=yes || got=no
  [ $got = "$installed" ] || fail "installed: $got after: $out"
done
grep -qxF "set(QT_HOST_PATH $dir/cache/$name/bin)" "$dir/cache/$name/lib/qt.toolchain.cmake" ||
  fail "the unpacked files still record: $(cat "$dir/cache/$name/lib/qt.toolchain.cmake")"
[ "$(ls -A "$dir/cache")" = "$name" ] || fail "left in the cache folder: $(ls -A "$dir/cache")"
echo "name with and without the compiler; archive: wrong sha256 and none build, the right one unpacks once"
