#!/usr/bin/env bash
# The Debian package of the build, unpacked into a scratch root with dpkg -x: it holds
# the programs with their help, font, desktop entry and icon where the program looks
# for them, depends on the shared libraries it links, and its kalora-cli makes the
# same database and report as the build's own.
# Usage: package_deb.sh CPACK BUILD_DIR SAMPLES_DIR
cpack=$1
build=$2
samples=$3
source "$(dirname "$0")/package_lib.sh"

deb=$(make_package DEB "$build" 'kalora_*_amd64.deb') || exit 1

for field in Package Version Architecture Depends Maintainer Description; do
  [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "the control file has no $field"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6widgets6 libqt6printsupport6; do
  [[ "$depends" == *"$lib "* ]] || fail "Depends lacks $lib: $depends"
done
# The serial port is the program's own on both systems.
[[ "$depends" != *libqt6serialport* ]] || fail "Depends names Qt's serial port: $depends"

root=$dir/root
dpkg -x "$deb" "$root" || fail "dpkg -x"
entry=$(find "$root" -path '*/share/applications/kalora.desktop')
[ -n "$entry" ] || fail "no desktop entry"
exec_path=$(sed -n 's/^Exec=//p' "$entry")
data_dir=$(sed -n 's/^Path=//p' "$entry")
prefix=${exec_path%/bin/kalora}
[ "$prefix" != "$exec_path" ] || fail "the desktop entry starts $exec_path"
for f in "$exec_path" "$prefix/bin/kalora-cli" "$prefix/bin/kalora-sim"; do
  [ -x "$root$f" ] || fail "$f is not in the package"
done
for f in kalora.hlp my_font.ttf my_font.LICENSE; do
  [ -s "$root$data_dir/$f" ] || fail "$data_dir/$f is not in the package"
done
[ -s "$root$prefix/share/icons/hicolor/48x48/apps/kalora.png" ] || fail "no icon"
[ -s "$root$prefix/share/doc/kalora/copyright" ] || fail "no licence"
# The program looks for its help where the package put it, and still carries the
# version record that "О программе" reads after stripping (the name is a UTF-16 literal).
python3 -c 'import sys
sys.exit(sys.argv[2].encode("utf-16-le") not in open(sys.argv[1], "rb").read())' "$root$exec_path" "$data_dir/kalora.hlp" ||
  fail "kalora does not look for help in $data_dir"
readelf -p .kalora_version "$root$exec_path" | grep -q FileVersion || fail "kalora lost its version record"

cli=$root$prefix/bin/kalora-cli
"$cli" bin2db "$samples/wall.bin" "$dir/packaged.db" >/dev/null || fail "the packaged kalora-cli bin2db"
"$build/kalora-cli" bin2db "$samples/wall.bin" "$dir/built.db" >/dev/null || fail "the build's kalora-cli bin2db"
cmp -s "$dir/packaged.db" "$dir/built.db" || fail "the packaged kalora-cli makes another database"
"$cli" report "$dir/packaged.db" flow "$dir/flow.xls" >/dev/null || fail "the packaged kalora-cli report"
"$build/kalora-cli" report "$dir/built.db" flow "$dir/built.xls" >/dev/null || fail "the build's report"
cmp -s "$dir/flow.xls" "$dir/built.xls" || fail "the packaged kalora-cli makes another report"
"$cli" dump "$dir/packaged.db" 3 | head -n 2 | grep -q . || fail "the packaged kalora-cli dump"
echo "package $(basename "$deb"): $(dpkg-deb -c "$deb" | wc -l) entries, Depends: $depends"
