#!/usr/bin/env bash
# farlight.exe as a player's Windows sees it, read on the host: it needs only Windows' own DLLs,
# starts without a console window, and carries its icon and version.
# Usage: exe_test.sh FARLIGHT_EXE VERSION
set -uo pipefail
exe=$1 version=$2
system_dlls='^(ADVAPI32|GDI32|GLU32|KERNEL32|msvcrt|OPENGL32|USER32|WINMM)\.dll$'
headers=$(x86_64-w64-mingw32-objdump -p "$exe") || exit 1
status=0
others=$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | grep -Ev "$system_dlls")
[ -z "$others" ] || { echo "FAIL: needs DLLs Windows does not ship: $others"; status=1; }
grep -q '^Subsystem.*(Windows GUI)' <<<"$headers" || { echo "FAIL: not a GUI program"; status=1; }
# The version resource's strings are UTF-16; the icon's images are PNGs.
[ "$(strings -el "$exe" | grep -cx "$version")" -ge 2 ] ||
  { echo "FAIL: no file and product version $version"; status=1; }
[ "$(grep -ao IHDR "$exe" | wc -l)" -ge 4 ] || { echo "FAIL: no icon of four sizes"; status=1; }
[ $status -ne 0 ] || echo PASS
exit $status
