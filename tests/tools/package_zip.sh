#!/usr/bin/env bash
# The Windows zip of the cross build: one folder of programs that need no DLL beyond
# those of Windows itself, run from the unpacked folder under Wine. kalora-cli.exe makes
# the same database as the build's own. With the desktop program, the zip is unpacked
# into a folder with a Cyrillic name and a fresh Wine prefix: kalora.exe starts under
# Xvfb, shows "КАЛОРА-5", opens a database with Ctrl+O and closes, and its settings are
# then in the Wine registry under the program's key.
# Usage: package_zip.sh CPACK BUILD_DIR SAMPLES_DIR OBJDUMP WINE
cpack=$1
build=$2
samples=$3
objdump=$4
wine=$5
source "$(dirname "$0")/package_lib.sh"

desktop=0
[ -f "$build/kalora.exe" ] && desktop=1
if [ $desktop = 1 ]; then
  zip=$(make_package ZIP "$build" 'kalora-[0-9]*-win64.zip') || exit 1
else
  zip=$(make_package ZIP "$build" 'kalora-cli-*-win64.zip') || exit 1
fi
top=$(basename "$zip" .zip)

listed=$(python3 -c 'import sys, zipfile
print("\n".join(sorted(n for n in zipfile.ZipFile(sys.argv[1]).namelist() if not n.endswith("/"))))' "$zip")
files=(LICENSE README.md kalora-cli.exe)
[ $desktop = 1 ] && files+=(kalora.exe kalora.hlp my_font.LICENSE my_font.ttf "ПРОЧТИТЕ.txt")
expected=$(printf "$top/%s\n" "${files[@]}" | LC_ALL=C sort)
listed=$(echo "$listed" | LC_ALL=C sort)
[ "$listed" = "$expected" ] || fail "the zip holds: $listed"
folder="$dir/Программа КАЛОРА"
mkdir -p "$folder"
python3 -m zipfile -e "$zip" "$folder" || fail "unzip"
folder="$folder/$top"

# Every DLL a program imports must be one that Windows has in its system folder.
system32=${WINEPREFIX:-$HOME/.wine}/drive_c/windows/system32
for exe in "$folder"/*.exe; do
  dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
  [ -n "$dlls" ] || fail "objdump shows no imports of $(basename "$exe")"
  for dll in $dlls; do
    case "${dll,,}" in
      libstdc++* | libgcc* | libwinpthread* | qt6*) fail "$(basename "$exe") needs $dll, which is not part of Windows" ;;
      api-ms-win-*) continue ;;  # API sets: names the Windows loader maps onto its own DLLs
    esac
    if [ -d "$system32" ]; then
      ls "$system32" | grep -qixF "$dll" || fail "$(basename "$exe") imports $dll, not found in Windows' system folder"
    fi
  done
done

cp "$samples/wall.bin" "$dir/wall.bin"
cd "$dir" || fail "cd"
"$wine" "$folder/kalora-cli.exe" bin2db wall.bin packaged.db >/dev/null 2>&1 || fail "the unpacked kalora-cli.exe bin2db"
"$wine" "$build/kalora-cli.exe" bin2db wall.bin built.db >/dev/null 2>&1 || fail "the build's kalora-cli.exe bin2db"
cmp -s packaged.db built.db || fail "the unpacked kalora-cli.exe makes another database"
echo "zip $(basename "$zip") ($(stat -c %s "$zip") bytes): $(echo $expected)"
[ $desktop = 1 ] || exit 0

[ "$(head -c 3 "$folder/ПРОЧТИТЕ.txt" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "ПРОЧТИТЕ.txt has no byte-order mark"

# A fresh prefix: the user's first start, nothing in the registry; the database waits in
# the documents, where the file dialog starts the first time.
fresh_wine_prefix "$wine"
cp "$dir/packaged.db" "$HOME/wall.db"
start_desktop_session
open_database_with_ctrl_o "$wine" "$folder" wall
grep -q '^\[Software\\\\Velmora\\\\KALORA\\\\1.0\]' "$WINEPREFIX/user.reg" ||
  fail "no settings under Software\\Velmora\\KALORA\\1.0 in the registry"
echo "kalora.exe from \"$(basename "$(dirname "$folder")")\": started, opened wall.db, closed; settings in the registry"
