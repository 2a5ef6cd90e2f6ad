#!/usr/bin/env bash
# The Windows installer of a cross build with the desktop program: its install tree
# (the zip's files) packed by wixl from cmake/packaging-windows.wxs.
#   scripts/msi.sh BUILD_DIR OUT.msi [VERSION]
# VERSION defaults to the project's; the tests give a higher one to make a newer package.
# The package is made beside OUT.msi and renamed over it only when complete.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: $0 BUILD_DIR OUT.msi [VERSION]}
out=${2:?usage: $0 BUILD_DIR OUT.msi [VERSION]}
version=${3:-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")}
wxs=$PWD/cmake/packaging-windows.wxs

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --prefix "$stage/files" --strip >/dev/null
cp resources/icons/kalora.ico "$stage/files/"
(cd "$stage/files" && wixl -a x64 -D Version="$version" -D SourceDir=. -o "$stage/kalora.msi" "$wxs")

# wixl writes the tables in a database without a code page, which drops every text that
# is not ASCII: the database is given the Cyrillic code page and those texts are set again.
# table | column | key column | key | value
cyrillic=(
  "Property|Value|Property|ProductName|КАЛОРА-5"
  "Directory|DefaultDir|Directory|INSTALLDIR|КАЛОРА-5"
  "Shortcut|Name|Shortcut|StartMenuShortcut|КАЛОРА-5"
  "File|FileName|File|readme_windows.txt|ПРОЧТИТЕ.txt"
)
printf '\r\n\r\n1251\t_ForceCodepage\r\n' >"$stage/_ForceCodepage.idt"
msibuild "$stage/kalora.msi" -i "$stage/_ForceCodepage.idt"
for row in "${cyrillic[@]}"; do
  IFS='|' read -r table column key_column key value <<<"$row"
  msibuild "$stage/kalora.msi" -q "UPDATE \`$table\` SET \`$column\` = '$value' WHERE \`$key_column\` = '$key'"
  [ "$(msiinfo export "$stage/kalora.msi" "$table" | grep -c "$value")" = 1 ] ||
    { echo "msi: $table $key is not \"$value\"" >&2; exit 1; }
done

mkdir -p "$(dirname "$out")"
mv "$stage/kalora.msi" "$out.new"
mv "$out.new" "$out"
echo "msi: $out ($(stat -c %s "$out") bytes, version $version)"
