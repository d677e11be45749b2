#!/usr/bin/env bash
# The Windows installer under Wine, in the prefix WINEPREFIX: a silent install puts the game, its
# pictures, README.txt, LICENSE.txt and the uninstaller into Program Files\Farlight, a Start-menu
# shortcut "Farlight" that starts the game in that folder, and an Apps & features entry with icon
# and version; a silent uninstall takes every one of them away again.
# Usage: installer_test.sh SETUP_EXE VERSION
set -uo pipefail
setup=$1 version=$2
dir="$WINEPREFIX/drive_c/Program Files/Farlight"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Farlight.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Farlight'
files=(farlight.exe README.txt LICENSE.txt Uninstall.exe Sun.bmp Mercury.bmp Venus.bmp Earth.bmp
  Moon.bmp Mars.bmp Jupiter.bmp Saturn.bmp Uranus.bmp Neptune.bmp Pluto.bmp)

fail() {
  echo "FAIL: $*"
  exit 1
}

# A shell link's working folder: the string after the name and relative path, when its flags
# say it has one (the layout of [MS-SHLLINK]).
workingFolder() {
  python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", data, 20)[0]
at = 76
if flags & 0x1:  # an item id list
    at += 2 + struct.unpack_from("<H", data, at)[0]
if flags & 0x2:  # link info
    at += struct.unpack_from("<I", data, at)[0]
wide = flags & 0x80
for bit in (0x4, 0x8, 0x10):  # name, relative path, working folder
    if flags & bit:
        count = struct.unpack_from("<H", data, at)[0]
        size = count * (2 if wide else 1)
        text = data[at + 2:at + 2 + size].decode("utf-16-le" if wide else "latin-1")
        at += 2 + size
        if bit == 0x10:
            print(text.rstrip("\0"))  # Wine counts the terminating null too
PY
}

regValue() {
  wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z]* *//p"
}

gone() {
  [ ! -e "$dir" ] && [ ! -e "$shortcut" ]
}

[ ! -e "$dir" ] || fail "$dir is there before the install"
wine "$setup" /S || fail "the silent install failed"
for f in "${files[@]}"; do
  [ -f "$dir/$f" ] || fail "$f is not installed"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut Farlight"
folder=$(workingFolder "$shortcut")
[ "$folder" = 'C:\Program Files\Farlight' ] || fail "the shortcut starts in '$folder'"
[ "$(regValue DisplayName)" = Farlight ] || fail "Apps & features: no entry named Farlight"
[ "$(regValue DisplayVersion)" = "$version" ] ||
  fail "Apps & features: version $(regValue DisplayVersion)"
[ "$(regValue DisplayIcon)" = 'C:\Program Files\Farlight\farlight.exe,0' ] ||
  fail "Apps & features: icon $(regValue DisplayIcon)"

# The uninstaller runs from a copy of itself and returns at once: wait for its work, bounded.
wine "$dir/Uninstall.exe" /S || fail "the silent uninstall failed"
end=$((SECONDS + 60))
until gone; do
  [ $SECONDS -ge $end ] && fail "left behind: $(ls "$dir" "$shortcut" 2>/dev/null)"
  sleep 0.2
done
[ -z "$(regValue DisplayName)" ] || fail "the Apps & features entry stays"
echo "PASS"
