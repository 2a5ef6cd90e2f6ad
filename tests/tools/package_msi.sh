#!/usr/bin/env bash
# The Windows installer in a fresh Wine prefix, as a user's PC gets it: installed without
# questions, the program's files in "Program Files\КАЛОРА-5", a Start-menu shortcut and
# one entry in Programs and Features; the installed kalora.exe opens a database with
# Ctrl+O; a newer package replaces it in place; uninstalling removes the program and its
# shortcut and leaves the user's database and settings.
# Usage: package_msi.sh SOURCE_DIR BUILD_DIR WINE
source_dir=$1
build=$2
wine=$3
source "$(dirname "$0")/package_lib.sh"
command -v wixl >/dev/null && command -v msibuild >/dev/null || { echo "no wixl or msibuild (msitools)"; exit 77; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
newer=${version%.*}.$((${version##*.} + 1))
bash "$source_dir/scripts/msi.sh" "$build" "$dir/old.msi" >/dev/null || fail "scripts/msi.sh $version"
bash "$source_dir/scripts/msi.sh" "$build" "$dir/new.msi" "$newer" >/dev/null || fail "scripts/msi.sh $newer"

fresh_wine_prefix "$wine"
"$wine" "$build/kalora-cli.exe" bin2db "Z:$source_dir/samples/wall.bin" "$HOME/wall.db" >/dev/null 2>&1 ||
  fail "kalora-cli.exe bin2db"
program="$WINEPREFIX/drive_c/Program Files/КАЛОРА-5"
files=(LICENSE README.md kalora-cli.exe kalora.exe kalora.hlp my_font.LICENSE my_font.ttf ПРОЧТИТЕ.txt)

msiexec() {
  (cd "$dir" && "$wine" msiexec "$@" /qn) >/dev/null 2>&1 || fail "msiexec $*"
  "$wineserver" -w
}
shortcuts() { find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/КАЛОРА-5.lnk' | wc -l; }
# The versions of the Programs and Features entries named КАЛОРА-5 (the registry file
# writes the name's letters as \x escapes), one line each.
entries() {
  awk '/^\[/ { arp = $0 ~ /CurrentVersion\\\\Uninstall\\\\\{/; name = 0 }
       arp && /^"DisplayName"="\\x41a\\x410\\x41b\\x41e\\x420\\x410-5"$/ { name = 1 }
       arp && /^"Publisher"="Velmora"$/ { publisher = 1 }
       arp && /^"DisplayVersion"=/ { version = $0 }
       /^$/ { if (name && publisher) print version; name = publisher = 0 }' "$WINEPREFIX/system.reg"
}
expect_installed() {  # expect_installed VERSION
  local f
  for f in "${files[@]}"; do [ -f "$program/$f" ] || fail "$1: no $f in $program"; done
  [ "$(shortcuts)" = 1 ] || fail "no Start-menu shortcut КАЛОРА-5"
  [ "$(entries)" = "\"DisplayVersion\"=\"$1\"" ] || fail "Programs and Features shows: $(entries)"
  ls "$WINEPREFIX"/drive_c/windows/Installer/*/kalora.ico >/dev/null 2>&1 || fail "no product icon registered"
}

msiexec /i old.msi
expect_installed "$version"
start_desktop_session
open_database_with_ctrl_o "$wine" "$program" wall
grep -q '^\[Software\\\\Velmora\\\\KALORA\\\\1.0\]' "$WINEPREFIX/user.reg" || fail "kalora.exe kept no settings"
settings=$(sed -n '/^\[Software\\\\Velmora\\\\KALORA\\\\1.0\]/,/^$/p' "$WINEPREFIX/user.reg" | grep -v '^#time')

msiexec /i new.msi
expect_installed "$newer"

msiexec /x new.msi
[ ! -e "$program" ] || fail "the program's folder is left: $(ls "$program")"
[ "$(shortcuts)" = 0 ] || fail "the Start-menu shortcut is left"
[ -z "$(entries)" ] || fail "Programs and Features still shows $(entries)"
[ -f "$HOME/wall.db" ] || fail "uninstalling took the user's database"
[ "$(sed -n '/^\[Software\\\\Velmora\\\\KALORA\\\\1.0\]/,/^$/p' "$WINEPREFIX/user.reg" | grep -v '^#time')" = "$settings" ] ||
  fail "uninstalling changed the program's settings"
echo "kalora-$version-x64.msi ($(stat -c %s "$dir/old.msi") bytes): installed, opened wall.db, upgraded to $newer, uninstalled; wall.db and the settings kept"
