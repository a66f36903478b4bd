#!/usr/bin/env bash
# Sets up, builds and starts Velmora.
#
# Until the main window lands, "starting Velmora" means the command-line tool
# velmora-syx on a demonstration bank: it lists the bank's 100 patches and
# shows the first one. Arguments, when given, go to velmora-syx instead
# (for example: scripts/run.sh info my-bank.syx).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build

syx=build/tools/velmora-syx/velmora-syx
if [ $# -gt 0 ]; then
  exec "$syx" "$@"
fi
build/tests/support/make_demo_bank build/demo >/dev/null
"$syx" info build/demo/demo-bank.syx
echo
"$syx" show build/demo/demo-bank.syx --index 0
