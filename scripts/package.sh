#!/usr/bin/env bash
# Builds Velmora's Debian package: a Release build of the programs (without
# tests and benchmarks) in build-package/, then CPack. Prints the package's
# path; install it with `sudo apt install ./<that path>`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh

# The compiler cache keys on paths below the checkout as relative ones, so a
# clone in another folder finds what this one compiled.
export CCACHE_BASEDIR="$root"
export CCACHE_NOHASHDIR=true

# Warnings are errors here too, so at -O2, as Debian builds its packages:
# GCC 12 at -O3 reports a false -Wrestrict inside std::string. (A plain
# Release build, without VELMORA_WERROR, builds at -O3 with that warning.)
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_WERROR=ON \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF >/dev/null
cmake --build build-package -j "$(nproc)"

log=build-package/cpack.log
if ! cpack --config build-package/CPackConfig.cmake -G DEB -B build-package >"$log" 2>&1; then
  cat "$log" >&2
  echo "package: cpack failed" >&2
  exit 1
fi
# CPack names the file: "CPack: - package: /path/velmora_<version>_<arch>.deb generated."
deb=$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' "$log")
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
  cat "$log" >&2
  echo "package: cpack made no .deb" >&2
  exit 1
fi
echo "$deb"
