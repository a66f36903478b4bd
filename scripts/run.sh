#!/usr/bin/env bash
# Sets up, builds and starts Velmora. Without MIDI hardware it talks to the
# built-in virtual instrument.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run: Velmora is a desktop program and no display was found (DISPLAY is not set)." >&2
  echo "run: start it from a desktop session, or under Xvfb: xvfb-run -a scripts/run.sh" >&2
  exit 1
fi
exec build/src/app/velmora "$@"
