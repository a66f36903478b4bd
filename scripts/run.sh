#!/usr/bin/env bash
# Sets up, builds and starts Velmora. Without MIDI hardware it talks to the
# built-in virtual instrument. Without a display it starts Velmora under a
# virtual X server, saves a screenshot of the main window and says where.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh

# The compiler cache keys on paths below the checkout as relative ones, so a
# clone in another folder finds what this one compiled.
export CCACHE_BASEDIR="$root"
export CCACHE_NOHASHDIR=true
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build

velmora=build/src/app/velmora
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  exec "$velmora" "$@"
fi

shot="$root/build/velmora-screenshot.png"
echo "run: no display found; starting Velmora under Xvfb to take a screenshot."
# The first free display number from :90 up.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.1
done
DISPLAY=":$display" "$velmora" --screenshot "$shot" "$@"
echo "run: Velmora started, showed its main window and quit; the screenshot is $shot"
echo "run: on a desktop, run scripts/run.sh there to use Velmora."
