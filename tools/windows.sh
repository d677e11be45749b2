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

. tools/steps.sh

# Debian's own sources as source entries, in a private apt state: nothing of the system's apt
# configuration, lists or cache changes.
fetch_freeglut() {
  local apt_dir=$deps/apt log=$deps/apt.log
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$deps/src"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      >"$apt_dir/src.sources"
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$apt_dir/src.list"
  fi
  local apt=(-q -o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt_dir"
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache")
  run "$log" apt-get "${apt[@]}" update
  (cd "$deps/src" && run "$log" apt-get "${apt[@]}" source --download-only freeglut)
  run "$log" tar -xzf "$(ls "$deps"/src/freeglut_*.orig.tar.gz)" -C "$deps/src"
}

# cmake_library NAME SOURCE [OPTIONS...]: a static library for MinGW-w64 into deps/prefix, which
# the cross build searches.
cmake_library() {
  local name=$1 source=$2 log=$deps/$1.log
  shift 2
  run "$log" cmake -S "$source" -B "$deps/$name" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps/prefix" "$@"
  run "$log" cmake --build "$deps/$name" -j"$jobs"
  run "$log" cmake --install "$deps/$name"
}

# Runs on the private X server, large enough for the game's window scaled to 150 %. Windows
# there are left unmanaged, as no window manager runs: Wine would otherwise wait for one whenever a
# window hides.
wine_tests() {
  export WINEPREFIX=$out/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  local log=$out/wine.log
  timeout 300 wineboot -i >"$log" 2>&1 &&
    timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$log" 2>&1 ||
    { echo "!! the Wine prefix could not be made"; tail -n 20 "$log"; return 1; }
  local status=0
  ctest --test-dir "$out" --output-on-failure -j"$jobs" --timeout 300 --output-junit junit.xml ||
    status=$?
  wineserver -k || true
  return $status
}

step "packages"
tools/setup-deps.sh windows
mkdir -p "$deps"
rm -f "$deps"/*.log "$out"/*.log
step "freeglut and GoogleTest for MinGW-w64"
if [ ! -f "$deps/prefix/lib/libfreeglut_static.a" ]; then
  fetch_freeglut
  cmake_library freeglut "$(ls -d "$deps"/src/freeglut-*/)" -DFREEGLUT_BUILD_DEMOS=OFF \
    -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON
fi
if [ ! -f "$deps/prefix/lib/libgtest.a" ]; then
  cmake_library googletest /usr/src/googletest -DBUILD_GMOCK=OFF
fi

# The painters run here, on Linux; the Windows build ships what they paint.
step "pictures and icon (native)"
run "$out/host.log" cmake -S . -B "$out/host" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
run "$out/host.log" cmake --build "$out/host" -j"$jobs" --target farlight_icons

step "cross build and packages"
run "$out/configure.log" cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DFARLIGHT_WERROR=ON -DFARLIGHT_WINDOWS_DEPS="$deps/prefix" \
  -DFARLIGHT_HOST_BUILD_DIR="$out/host" -DFARLIGHT_WINEPREFIX="$out/wine"
run "$out/build.log" cmake --build "$out" -j"$jobs"
(cd "$out" && run "$out/cpack.log" cpack)
ls -l "$out"/farlight-*-win64.zip "$out"/farlight-*-win64-setup.exe
step "tests under Wine"
export out jobs
status=0
xvfb-run -a -s "-screen 0 2048x1536x24 -noreset" bash -c "$(declare -f wine_tests); wine_tests" ||
  status=$?
step "done"
exit $status
