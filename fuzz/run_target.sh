#!/usr/bin/env bash
# One short run of a fuzz target, as ctest -L fuzz runs it:
#   run_target.sh TARGET SEED_CORPUS WORK_FOLDER
# The target runs for VELMORA_FUZZ_SECONDS (10 s when unset) on a fresh copy
# of the seed corpus, since libFuzzer adds the inputs it finds to the folder
# it is given. Its output goes to WORK_FOLDER.log; the last lines of it are
# shown when it fails. An input that makes it fail is saved in the current
# folder (crash-*, leak-*, timeout-*).
set -euo pipefail
target=$1
corpus=$2
work=$3
log="$work.log"

rm -rf "$work"
mkdir -p "$work"
cp "$corpus"/* "$work"/
if ! "$target" -max_total_time="${VELMORA_FUZZ_SECONDS:-10}" -max_len=30000 \
  -print_final_stats=1 "$work" >"$log" 2>&1; then
  tail -n 40 "$log"
  echo "fuzz: $(basename "$target") found a fault (its input is saved in $(pwd))" >&2
  exit 1
fi
grep -E 'stat::number_of_executed_units' "$log" | tr -s ' '
