#!/usr/bin/env bash
# Installs the Debian packages Farlight needs to build and play, or to build and test.
# Usage: tools/setup-deps.sh [play|test|windows|web]...
#   (default: test, a superset of play; windows and web: what tools/windows.sh and tools/web.sh
#   need)
set -euo pipefail

# Building and playing: the compiler, CMake and the libraries the game itself uses.
play_pkgs=(g++ cmake make pkg-config
  freeglut3-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libsdl2-dev)
# Testing adds the test and benchmark libraries, the headless X tools, the checkers, and what
# building and checking the Debian package takes.
test_pkgs=("${play_pkgs[@]}" libx11-dev libgtest-dev libbenchmark-dev libstb-dev
  xvfb xauth xdotool x11-utils
  clang libclang-rt-14-dev clang-tidy clang-format cppcheck valgrind python3
  dpkg-dev file lintian desktop-file-utils appstream groff-base)
# The Windows build: the painters build natively, the game and its tests with MinGW-w64 (GoogleTest
# from its sources), run under Wine on a headless X server; NSIS and zip pack it.
windows_pkgs=("${play_pkgs[@]}" g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  libgtest-dev wine wine64 nsis zip unzip xvfb xauth xdotool x11-utils python3)
# The browser build: the painters build natively, the game with emscripten (binaryen optimises
# its wasm), tested in Chromium and Firefox driven from Node (npm brings puppeteer-core; a Node that
# carries its own npm needs no package for it) and in WebKit's MiniBrowser through its WebDriver
# server, the last two on a headless X server. These come without their recommends, which are
# heavy.
web_pkgs=("${play_pkgs[@]}" python3 xvfb xauth)
lean_pkgs=(emscripten binaryen chromium firefox-esr webkit2gtk-driver nodejs)
command -v npm >/dev/null 2>&1 || lean_pkgs+=(npm)

# Several sets may be named at once, so that one apt-get update serves them all.
pkgs=()
for set in "${@:-test}"; do
  case "$set" in
    play) pkgs+=("${play_pkgs[@]}") ;;
    test) pkgs+=("${test_pkgs[@]}") ;;
    windows) pkgs+=("${windows_pkgs[@]}") ;;
    web) pkgs+=("${web_pkgs[@]}" "${lean_pkgs[@]}") ;;
    *) echo "usage: $0 [play|test|windows|web]..." >&2; exit 2 ;;
  esac
done

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "Cannot install packages (not root, no sudo). Please install them yourself:" >&2
  echo "  apt-get install ${missing[*]}" >&2
  exit 1
fi
lean=() full=()
for p in "${missing[@]}"; do
  if [[ " ${lean_pkgs[*]} " == *" $p "* ]]; then lean+=("$p"); else full+=("$p"); fi
done
install() {  # install [APT_OPTIONS...] -- PACKAGES...
  local options=()
  while [ "$1" != "--" ]; do options+=("$1"); shift; done
  shift
  [ $# -eq 0 ] ||
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${options[@]}" "$@"
}
if ! { "${as_root[@]}" apt-get update -q && install -- "${full[@]}" &&
  install --no-install-recommends -- "${lean[@]}"; }; then
  echo "Package installation failed. Please install them yourself:" >&2
  echo "  apt-get install ${missing[*]}" >&2
  exit 1
fi
