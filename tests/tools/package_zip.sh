#!/usr/bin/env bash
# The Windows zip of the cross build: one folder with kalora-cli.exe, its licence and
# README, a program that needs no DLL beyond those of Windows itself, and that runs
# from the unpacked folder (under Wine) making the same database as the build's own.
# Usage: package_zip.sh CPACK BUILD_DIR SAMPLES_DIR OBJDUMP WINE
cpack=$1
build=$2
samples=$3
objdump=$4
wine=$5
source "$(dirname "$0")/package_lib.sh"

zip=$(make_package ZIP "$build" 'kalora-cli-*-win64.zip') || exit 1
top=$(basename "$zip" .zip)

listed=$(python3 -c 'import sys, zipfile
print("\n".join(sorted(n for n in zipfile.ZipFile(sys.argv[1]).namelist() if not n.endswith("/"))))' "$zip")
expected=$(printf '%s\n' "$top/LICENSE" "$top/README.md" "$top/kalora-cli.exe")
[ "$listed" = "$expected" ] || fail "the zip holds: $listed"
python3 -m zipfile -e "$zip" "$dir/unpacked" || fail "unzip"
exe=$dir/unpacked/$top/kalora-cli.exe

# Every DLL the program imports must be one that Windows has in its system folder.
system32=${WINEPREFIX:-$HOME/.wine}/drive_c/windows/system32
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || fail "objdump shows no imports"
for dll in $dlls; do
  case "${dll,,}" in
    libstdc++* | libgcc* | libwinpthread*) fail "kalora-cli.exe needs $dll, which is not part of Windows" ;;
  esac
  if [ -d "$system32" ]; then
    ls "$system32" | grep -qixF "$dll" || fail "kalora-cli.exe imports $dll, not found in Windows' system folder"
  fi
done

cp "$samples/wall.bin" "$dir/wall.bin"
cd "$dir" || fail "cd"
"$wine" "$exe" bin2db wall.bin packaged.db >/dev/null 2>&1 || fail "the unpacked kalora-cli.exe bin2db"
"$wine" "$build/kalora-cli.exe" bin2db wall.bin built.db >/dev/null 2>&1 || fail "the build's kalora-cli.exe bin2db"
cmp -s packaged.db built.db || fail "the unpacked kalora-cli.exe makes another database"
echo "zip $(basename "$zip"): $expected; imports: $(echo $dlls)"
