#!/usr/bin/env bash
# Sets up, builds and starts Farlight in the folder that holds its pictures. It builds the game
# alone, without the tests, in a folder of its own so as not to change the test build's settings.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-deps.sh play
cmake -S . -B build-play -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-play -j"$(nproc)" --target farlight farlight_pictures
if [ -z "${DISPLAY:-}" ]; then
  echo "No X display (DISPLAY is unset): Farlight needs a desktop session to open its window." >&2
  exit 1
fi
cd build-play/pictures
exec ../app/farlight "$@"
