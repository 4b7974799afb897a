#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the optimised build,
# then the same suite under ThreadSanitizer and under AddressSanitizer+UBSan.
# Usage: scripts/test.sh [preset ...]   (default: release tsan asan)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(release tsan asan)

for preset in "${presets[@]}"; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j 2
done
