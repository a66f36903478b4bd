#!/usr/bin/env bash
# Sets up, builds and runs every test: a normal build and an ASan + UBSan
# build of the whole suite, a short run of each fuzz target (when clang is
# there), and the benchmarks. ctest's summary of the sanitizer run comes last.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh

fuzz_seconds=${VELMORA_FUZZ_SECONDS:-10}
jobs=$(nproc)

# The compiler cache keys on paths below the checkout as relative ones, so a
# clone in another folder (as CI makes) finds what this one compiled.
export CCACHE_BASEDIR="$root"
export CCACHE_NOHASHDIR=true

# The four build trees are the configure presets of CMakePresets.json:
# default (build/), asan (build-asan/), tsan (build-tsan/), fuzz (build-fuzz/).

# The end-to-end tests talk over a JACK server with the dummy driver. Start
# one when none runs, and stop only the one started here, by its process id.
jack_pid=""
jack_log=/tmp/velmora-jackd.$$.log
stop_jack() {
  if [ -n "$jack_pid" ]; then
    kill "$jack_pid" 2>/dev/null || true
    wait "$jack_pid" 2>/dev/null || true
    rm -f "$jack_log"
  fi
}
trap stop_jack EXIT
export JACK_NO_AUDIO_RESERVATION=1
# A client must not start a server of its own with the user's defaults.
export JACK_NO_START_SERVER=1
if ! jack_lsp >/dev/null 2>&1; then
  # A small port table: the tests need a few ports, and every JACK client maps
  # the table into its process.
  jackd --no-realtime --port-max 128 -d dummy -r 48000 -p 256 >"$jack_log" 2>&1 &
  jack_pid=$!
  for _ in $(seq 50); do
    jack_lsp >/dev/null 2>&1 && break
    sleep 0.1
  done
  jack_lsp >/dev/null 2>&1 || echo "test: the JACK server did not start; see $jack_log" >&2
fi

echo "== normal build"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"

echo "== sanitizer build (ASan + UBSan)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"

echo "== ThreadSanitizer build of the transport and timer tests"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"

if command -v clang++ >/dev/null 2>&1; then
  echo "== fuzz targets (${fuzz_seconds} s each)"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$jobs"
  # One target after the other (fuzz/run_target.sh), each on a copy of the
  # seed corpus; a failing one shows the end of its output.
  if ! VELMORA_FUZZ_SECONDS="$fuzz_seconds" ctest --preset fuzz; then
    echo "test: a fuzz target found a fault (its input is saved in build-fuzz/fuzz)" >&2
    exit 1
  fi
  for log in build-fuzz/fuzz/work/*.log; do
    echo "$(basename "$log" .log): $(grep -E 'stat::number_of_executed_units' "$log" | tr -s ' ')"
  done
else
  echo "== fuzz targets skipped: clang++ is not installed"
fi

echo "== benchmarks"
build/bench/velmora_bench --benchmark_min_time=0.2
build/bench/velmora_sysex_read_bench --benchmark_min_time=0.2
build/bench/velmora_midi_bench --benchmark_min_time=0.2
build/bench/velmora_jack_bench
build/bench/velmora_bank_upload_bench
build/bench/velmora_whole_instrument_bench
build/bench/velmora_sequencer_timing_bench
build/bench/velmora_thread_timer_bench
build/bench/velmora_editor_bench --benchmark_min_time=0.2
build/bench/velmora_collection_bench
build/bench/velmora_startup_bench
build/bench/velmora_drag_bench
QT_QPA_PLATFORM=offscreen build/bench/velmora_library_window_bench

echo "== tests, normal build"
export QT_QPA_PLATFORM=offscreen
ctest --preset default -j "$jobs"

echo "== tests, ThreadSanitizer build (transport and timer)"
# The transfers through the virtual instrument cross its worker thread and the
# input's: the SysEx tool's tests drive them whole.
for program in midi/midi_tests instrument/instrument_tests perform/timer_tests tools/syx_tool_tests; do
  TSAN_OPTIONS="suppressions=$root/tests/tsan/suppressions.txt halt_on_error=1 second_deadlock_stack=1" \
    "build-tsan/tests/$program" --gtest_brief=1
done

echo "== tests, sanitizer build"
# The asan test preset sets ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 and
# UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1.
ctest --preset asan -j "$jobs"
