#!/usr/bin/env bash
# Builds the fuzz targets and runs each for a fixed time from a copy of its
# seed corpus in fuzz/corpus/<target>/, so that what the fuzzer finds stays in
# build/fuzz/run/ and never lands in the repository. Fails on any crash,
# sanitizer report, failed check, time-out or memory blow-up.
# Usage: scripts/fuzz.sh [seconds per target]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# The map and image targets write each input to a file: memory-backed
# storage keeps that from being the bottleneck.
scratch_parent=/tmp
[ -w /dev/shm ] && scratch_parent=/dev/shm
TMPDIR=$(mktemp -d "$scratch_parent/fuzz.XXXXXX")
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT

failed=0
for corpus in fuzz/corpus/*/; do
  target=$(basename "$corpus")
  run=build/fuzz/run/$target
  rm -rf "$run"
  mkdir -p "$run/artifacts"
  cp -r "$corpus" "$run/corpus"
  if build/fuzz/bin/fuzz_"$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
      -artifact_prefix="$run/artifacts/" "$run/corpus" >"$run/log" 2>&1; then
    echo "fuzz $target: $(grep -E '^Done [0-9]+ runs' "$run/log" | tail -1)"
  else
    echo "fuzz $target: FAILED, the end of its log follows ($run/log):"
    tail -n 40 "$run/log"
    failed=1
  fi
done
exit "$failed"
