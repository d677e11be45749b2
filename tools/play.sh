#!/usr/bin/env bash
# Sets up, builds and starts Farlight in the folder that holds its pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-deps.sh play
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target farlight farlight_pictures
if [ -z "${DISPLAY:-}" ]; then
  echo "No X display (DISPLAY is unset): Farlight needs a desktop session to open its window." >&2
  exit 1
fi
cd build/pictures
exec ../app/farlight "$@"
