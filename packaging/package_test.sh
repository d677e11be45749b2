#!/usr/bin/env bash
# The Debian package end to end, never touching the system's folders: builds it from the build
# folder, runs Debian's checkers over it, lists it, unpacks it into a temporary root and starts the
# unpacked command from another folder on the test's X server, once with the shipped pictures and
# once with every picture broken, which must then be reported once per sphere.
# Usage: package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
: "${DISPLAY:?needs the X server of the test command}"
work=$(mktemp -d)
game=
trap '[ -n "$game" ] && kill "$game" 2>/dev/null; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

echo "== cpack"
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$work/out/farlight_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb")"

echo "== lintian"
lintian_ok=yes
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || lintian_ok=no
grep -v 'root privileges' "$work/lintian.log" || true
[ "$lintian_ok" = yes ] || fail "lintian"

echo "== contents"
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
expected=(./usr/games/farlight ./usr/lib/games/farlight/farlight
  ./usr/share/applications/farlight.desktop ./usr/share/metainfo/org.example.farlight.metainfo.xml
  ./usr/share/man/man6/farlight.6.gz ./usr/share/doc/farlight/copyright
  ./usr/share/doc/farlight/changelog.gz)
# The pictures as painted in the build, under the names the game reads.
for picture in "$build"/pictures/*.bmp; do
  expected+=("./usr/share/games/farlight/$(basename "$picture")")
done
for size in 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${size}x$size/apps/farlight.png")
done
for path in "${expected[@]}"; do
  grep -qxF "$path" "$work/contents" || fail "the package lacks $path"
done
if grep -v '^\./usr/' "$work/contents" | grep -v '^\./$'; then fail "files outside /usr"; fi
# The libraries loaded at run time, which dpkg-shlibdeps cannot see.
for library in libgl1-mesa-dri libsdl2-2.0-0; do
  dpkg-deb -f "$deb" Depends | grep -qw "$library" || fail "the package does not depend on $library"
done

root=$work/root
dpkg-deb -x "$deb" "$root"

echo "== desktop entry, metainfo, manual page, icons"
desktop-file-validate "$root/usr/share/applications/farlight.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml || fail "metainfo"
zcat "$root/usr/share/man/man6/farlight.6.gz" | groff -man -ww -z 2>"$work/groff.log"
[ ! -s "$work/groff.log" ] || { cat "$work/groff.log"; fail "manual page"; }
for size in 48 64 128 256; do
  python3 "$(dirname "$0")/png_check.py" "$root/usr/share/icons/hicolor/${size}x$size/apps/farlight.png" \
    "$size" || fail "icon at $size"
done

# Starts the unpacked command from an unrelated folder; notices go to standard error, since the
# server is named on the command line and not in the environment. Waits for the window, which
# shows only once every sphere has read its picture, then ends the game.
start_game() {
  : >"$work/stderr"
  (cd "$work/elsewhere" && exec env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/games/farlight" \
    -display "$DISPLAY" 2>"$work/stderr") &
  game=$!
  timeout 30 xdotool search --sync --onlyvisible --name '^Farlight : Solar System$' >/dev/null ||
    { cat "$work/stderr"; fail "no game window: $1"; }
  kill -0 "$game" || fail "the game ended early: $1"
  kill "$game"
  wait "$game" || true
  game=
}

echo "== the unpacked game"
mkdir "$work/elsewhere"
start_game "shipped pictures"
[ ! -s "$work/stderr" ] || { cat "$work/stderr"; fail "notices with the shipped pictures"; }
for picture in "$root"/usr/share/games/farlight/*.bmp; do
  printf 'not a picture' >"$picture"
done
start_game "broken pictures"
notices=$(grep -cxF 'Error: Unknown DIB file format.' "$work/stderr" || true)
[ "$notices" -eq 30 ] || { cat "$work/stderr"; fail "$notices notices for broken pictures, not 30"; }
echo "package ok"
