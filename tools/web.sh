#!/usr/bin/env bash
# Builds Farlight for the browser with emscripten and tests it in Chromium, Firefox and WebKit,
# all inside build-web/:
#   1. installs the Debian packages it needs (tools/setup-deps.sh web), and puppeteer-core from npm
#      into node/ (never globally; it drives Debian's Chromium and Firefox and downloads no
#      browser);
#   2. paints the eleven pictures with a native build in host/, and the browser's set of them at
#      8 bits with a palette;
#   3. builds the game for the web, lays out the page's folder in site/ and packs
#      farlight-VERSION-web.zip;
#   4. runs the browser tests (ctest, label web), their results in junit.xml.
# Exits non-zero if any step or test fails. Afterwards, `tools/web.sh serve [PORT]` serves site/ on
# localhost for playing and prints the address, and
# `tools/web.sh figures [huge|offline|engines|density]` measures the figures of
# docs/performance.md (bench/web_figures.js; Firefox and WebKit on an X server of their own).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-web
jobs=$(nproc)
# The last line of puppeteer-core that runs on Debian 12's Node 18 (and on 20).
puppeteer_version=24.40.0

if [ "${1:-}" = serve ]; then
  port=${2:-8080}
  [ -f "$out/site/index.html" ] || { echo "no $out/site yet: run tools/web.sh first" >&2; exit 1; }
  echo "Farlight: open http://127.0.0.1:$port/ (Ctrl+C stops the server)"
  exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$out/site"
fi

if [ "${1:-}" = figures ]; then
  NODE_PATH=$out/node/node_modules exec tests/support/private_display.sh \
    node bench/web_figures.js "$out/site" ${2:+"$2"}
fi

. tools/steps.sh

step "packages"
tools/setup-deps.sh web
mkdir -p "$out/node"
rm -f "$out"/*.log
installed=$(node -p "require('$out/node/node_modules/puppeteer-core/package.json').version" \
  2>/dev/null || true)
if [ "$installed" != "$puppeteer_version" ]; then
  run "$out/npm.log" npm install --prefix "$out/node" --no-audit --no-fund \
    "puppeteer-core@$puppeteer_version"
fi
# Debian's emscripten runs its JavaScript tools with a node that may not search Debian's own
# modules (acorn): its settings, copied into the build folder with that path added.
export EM_CONFIG=$out/emscripten.config
sed "s|^NODE_JS = .*|NODE_JS = ['/usr/bin/env', 'NODE_PATH=/usr/share/nodejs', '/usr/bin/node']|" \
  /usr/share/emscripten/.emscripten >"$EM_CONFIG"

# The painters run here, natively; the web build ships what they paint.
step "pictures (native)"
run "$out/host.log" cmake -S . -B "$out/host" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
run "$out/host.log" cmake --build "$out/host" -j"$jobs" --target farlight_pictures \
  farlight_web_pictures farlight_web_icons

step "web build and zip"
run "$out/configure.log" emcmake cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release \
  -DFARLIGHT_WERROR=ON -DFARLIGHT_HOST_BUILD_DIR="$out/host"
run "$out/build.log" cmake --build "$out" -j"$jobs"
(cd "$out" && run "$out/cpack.log" cpack)
ls -l "$out"/site/farlight.js "$out"/site/farlight.wasm "$out"/farlight-*-web.zip

step "tests in Chromium, Firefox and WebKit"
status=0
ctest --test-dir "$out" --output-on-failure -L web --timeout 180 --output-junit junit.xml ||
  status=$?
step "done"
exit $status
