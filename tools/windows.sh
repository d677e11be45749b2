#!/usr/bin/env bash
# Builds Farlight for 64-bit Windows on this Linux machine and tests it under Wine, all inside
# build-windows/:
#   1. installs the Debian packages it needs (tools/setup-deps.sh windows);
#   2. once: fetches freeglut from Debian's source package and builds it static with MinGW-w64,
#      and GoogleTest from /usr/src/googletest, into deps/ (the system's apt setup is not touched);
#   3. paints the eleven pictures and the icon with a native build in host/;
#   4. cross-builds the game and the Windows tests, and packs farlight-VERSION-win64.zip and
#      farlight-VERSION-win64-setup.exe;
#   5. runs the Windows tests under Wine on a private Xvfb server, in the Wine prefix wine/.
# Exits non-zero if any step or test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-windows
deps=$out/deps
jobs=$(nproc)
toolchain=$root/cmake/mingw-w64-x86_64.cmake

step() {
  echo "=== $1 (${SECONDS}s)"
}

# Debian's own sources as source entries, in a private apt state: nothing of the system's apt
# configuration, lists or cache changes.
fetch_freeglut() {
  local apt_dir=$deps/apt
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$deps/src"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$apt_dir/src.sources"
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$apt_dir/src.list"
  fi
  local apt=(-q -o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt_dir"
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache")
  apt-get "${apt[@]}" update >"$deps/apt.log" 2>&1
  (cd "$deps/src" && apt-get "${apt[@]}" source --download-only freeglut >>"$deps/apt.log" 2>&1)
  tar -xzf "$deps"/src/freeglut_*.orig.tar.gz -C "$deps/src"
}

# Static libraries for MinGW-w64 in deps/prefix, which the cross build searches.
build_deps() {
  if [ ! -f "$deps/prefix/lib/libfreeglut_static.a" ]; then
    fetch_freeglut
    cmake -S "$(ls -d "$deps"/src/freeglut-*/)" -B "$deps/freeglut" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps/prefix" -DFREEGLUT_BUILD_DEMOS=OFF \
      -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON >"$deps/freeglut.log" 2>&1
    cmake --build "$deps/freeglut" -j"$jobs" >>"$deps/freeglut.log" 2>&1
    cmake --install "$deps/freeglut" >>"$deps/freeglut.log" 2>&1
  fi
  if [ ! -f "$deps/prefix/lib/libgtest.a" ]; then
    cmake -S /usr/src/googletest -B "$deps/googletest" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps/prefix" -DBUILD_GMOCK=OFF \
      >"$deps/googletest.log" 2>&1
    cmake --build "$deps/googletest" -j"$jobs" >>"$deps/googletest.log" 2>&1
    cmake --install "$deps/googletest" >>"$deps/googletest.log" 2>&1
  fi
}

# The painters run here, on Linux; the Windows build ships what they paint.
paint() {
  cmake -S . -B "$out/host" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >"$out/host.log" 2>&1
  cmake --build "$out/host" -j"$jobs" --target farlight_icons >>"$out/host.log" 2>&1
}

cross_build() {
  cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DFARLIGHT_WERROR=ON -DFARLIGHT_WINDOWS_DEPS="$deps/prefix" -DFARLIGHT_HOST_BUILD_DIR="$out/host" \
    -DFARLIGHT_WINEPREFIX="$out/wine" >"$out/configure.log" 2>&1
  cmake --build "$out" -j"$jobs" >"$out/build.log" 2>&1
  (cd "$out" && cpack >"$out/cpack.log" 2>&1)
}

# Runs on the private X server. Windows there are left unmanaged, as no window manager runs:
# Wine would otherwise wait for one whenever a window hides.
wine_tests() {
  export WINEPREFIX=$out/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wineboot -i >"$out/wine.log" 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$out/wine.log" 2>&1
  local status=0
  ctest --test-dir "$out" --output-on-failure -j"$jobs" --output-junit junit.xml || status=$?
  wineserver -k || true
  return $status
}

failed() {
  echo "!! $1 failed; its log: $2"
  tail -n 40 "$2"
  exit 1
}

step "packages"
tools/setup-deps.sh windows
mkdir -p "$deps"
step "freeglut and GoogleTest for MinGW-w64"
build_deps || failed "building the Windows libraries" "$(ls -t "$deps"/*.log | head -n 1)"
step "pictures and icon (native)"
paint || failed "painting" "$out/host.log"
step "cross build and packages"
cross_build || failed "the cross build" "$(ls -t "$out"/*.log | head -n 1)"
ls -l "$out"/farlight-*-win64.zip "$out"/farlight-*-win64-setup.exe
step "tests under Wine"
export -f wine_tests
export out
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash -c wine_tests
step "done"
