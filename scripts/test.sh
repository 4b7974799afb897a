#!/usr/bin/env bash
# Installs what is missing, checks that every C++ file is formatted, builds
# with warnings as errors and runs every test: first the Windows programs,
# cross-built, their tests run under Wine and their archive packed; then the
# optimised Linux build, whose end-to-end suites also run against the Windows
# programs under Wine; then the same suite under ThreadSanitizer and under
# AddressSanitizer+UBSan; then each fuzz target for 20 s. Ends with one line
# per step and the time it took, the time of the whole run, and the total line
# last.
# Usage: scripts/test.sh [preset ...]   (default: windows release tsan asan fuzz)
# With CI set, a skipped test fails its preset: this script installs all that
# any test needs (the end-to-end tests skip without Xvfb), so a skip there
# means something is broken.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS

scripts/install-deps.sh test

# The game's ports (the server's and the benchmarks' forwarder's) must not be
# handed out as the local port of some test's outgoing connection: closed
# there, it waits out TIME_WAIT for a minute, and a listener that does not
# reuse addresses (the Windows server under Wine, a test that holds the port
# on purpose) then finds the port taken. Only root can reserve them; elsewhere
# such a clash stays possible, if rare.
reserve_game_ports() {
  local file=/proc/sys/net/ipv4/ip_local_reserved_ports ports=33222-33223 current
  current=$(cat "$file" 2>/dev/null) || return 0
  case ",$current," in *",$ports,"*) return 0 ;; esac
  echo "${current:+$current,}$ports" 2>/dev/null >"$file" || true
}
reserve_game_ports

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(windows release tsan asan fuzz)

summary=()
failed=0
# Set once this run has built the Windows programs: the release step then
# runs its end-to-end suites against them too.
windows_build=
total_passed=0
total_failed=0
total_skipped=0

# Tracked files when this is a checkout, every source file otherwise.
cpp_files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -- '*.cpp' '*.h'
  else
    find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print
  fi
}

check_format() {
  local report unformatted
  if report=$(cpp_files | xargs clang-format --dry-run --Werror 2>&1); then
    summary+=("format: ok")
    return 0
  fi
  unformatted=$(grep -oE '^[^:]+:[0-9]+:[0-9]+: (warning|error): code should be clang-formatted' <<<"$report" |
                cut -d: -f1 | sort -u)
  echo "Not formatted (clang-format -i fixes them):"
  echo "${unformatted:-$report}"
  summary+=("format: FAILED")
  return 1
}

# Runs a command in a network namespace of its own whose only interface is its
# loopback: the suites' LAN clients and bots look for their game by broadcast,
# and nothing a test sends may leave this machine. Root (as in CI) makes it
# directly, anyone else in a user namespace of their own; the game's ports are
# reserved there as above.
in_private_network() {
  local as_user=()
  [ "$(id -u)" -eq 0 ] || as_user=(--map-root-user)
  unshare --net "${as_user[@]}" bash -c '
    ip link set lo up || exit 1
    echo 33222-33223 2>/dev/null >/proc/sys/net/ipv4/ip_local_reserved_ports || true
    exec "$@"' private-network "$@"
}

# Builds and tests one preset; its ctest output goes to the log as usual.
run_preset() {
  local preset=$1 log
  echo "=== $preset ==="
  local configure=(cmake --preset "$preset")
  # Only the release build runs the suites against the Windows programs: the
  # sanitizer builds would start the same Windows programs again.
  [ "$preset" = release ] && configure+=("-DTILEGAME_WINDOWS_BUILD=$windows_build")
  if ! { "${configure[@]}" >/dev/null && cmake --build --preset "$preset"; }; then
    summary+=("$preset: FAILED to build")
    return 1
  fi
  log=build/$preset/ctest.log
  local status=0
  in_private_network ctest --preset "$preset" -j 2 2>&1 | tee "$log" || status=$?
  judge_tests "$preset" "$log" "$status"
}

# The Windows programs: the windows workflow configures, cross-builds, runs
# the tests under Wine (two at a time) and packs the archive, which is checked.
run_windows() {
  local log=build/windows-workflow.log status=0
  echo "=== windows ==="
  mkdir -p build
  CTEST_PARALLEL_LEVEL=2 cmake --workflow --preset windows 2>&1 | tee "$log" || status=$?
  if ! grep -qE 'tests passed, [0-9]+ tests? failed out of' "$log"; then
    summary+=("windows: FAILED to build")
    return 1
  fi
  judge_tests windows "$log" "$status" || return 1
  if ! scripts/windows-archive-check.sh build/windows; then
    summary[-1]="windows: FAILED, the archive is not as it should be"
    return 1
  fi
  windows_build=$PWD/build/windows
}

# Adds a summary line for the tests of one step, from its ctest output in
# `log`, and counts them in the totals; fails when a test failed (or, in CI,
# was skipped).
judge_tests() {
  local step=$1 log=$2 status=$3 totals skipped wine
  totals=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" | tail -n 1 || true)
  skipped=$(grep -cE '^\s*[0-9]+ - .* \(Skipped\)$' "$log" || true)
  wine=$(grep -cE 'Test +#[0-9]+: Wine\.' "$log" || true)
  count_totals "$totals" "$skipped"
  [ "$step" != windows ] && [ "$wine" -gt 0 ] && totals+=" ($wine of them against the Windows programs)"
  if [ "$status" -ne 0 ] && grep -qE ' 0 tests failed out of' <<<"$totals"; then
    summary+=("$step: FAILED after its tests passed (see the log above), $totals")
    return 1
  fi
  if [ "$status" -ne 0 ]; then
    summary+=("$step: FAILED, ${totals:-no totals}, $skipped skipped")
    return 1
  fi
  if [ -n "${CI:-}" ] && [ "$skipped" -gt 0 ]; then
    summary+=("$step: FAILED, $skipped skipped (a skip is a failure in CI), $totals")
    return 1
  fi
  summary+=("$step: ok, $totals, $skipped skipped")
}

# Adds one preset's "N% tests passed, F tests failed out of T" to the totals.
count_totals() {
  local numbers
  read -r -a numbers <<<"$(grep -oE '[0-9]+' <<<"$1" | tail -n 2 | tr '\n' ' ')"
  [ ${#numbers[@]} -eq 2 ] || return 0
  total_failed=$((total_failed + numbers[0]))
  total_passed=$((total_passed + numbers[1] - numbers[0] - $2))
  total_skipped=$((total_skipped + $2))
}

run_fuzz() {
  echo "=== fuzz ==="
  if scripts/fuzz.sh 20; then
    summary+=("fuzz: ok, every target ran 20 s without a finding")
  else
    summary+=("fuzz: FAILED, see the fuzz lines above")
    return 1
  fi
}

# "14 min 3 s", or "42 s" under a minute.
minutes_and_seconds() {
  local seconds=$1
  if [ "$seconds" -ge 60 ]; then
    echo "$((seconds / 60)) min $((seconds % 60)) s"
  else
    echo "$seconds s"
  fi
}

# Runs one step and adds the time it took to the summary line it wrote. A step
# that fails without a failed test (formatting, a build, a fuzz finding, a
# skip in CI) counts as one failure, so the total line never reads "0 failed"
# for a failed run.
timed() {
  local start=$SECONDS status=0 failed_before=$total_failed
  "$@" || status=$?
  summary[-1]+=" ($(minutes_and_seconds $((SECONDS - start))))"
  if [ "$status" -ne 0 ] && [ "$total_failed" -eq "$failed_before" ]; then
    total_failed=$((total_failed + 1))
  fi
  return "$status"
}

timed check_format || failed=1
for preset in "${presets[@]}"; do
  if [ "$preset" = fuzz ]; then
    timed run_fuzz || failed=1
  elif [ "$preset" = windows ]; then
    timed run_windows || failed=1
  else
    timed run_preset "$preset" || failed=1
  fi
done

echo "=== summary ==="
printf '%s\n' "${summary[@]}"
echo "time: $(minutes_and_seconds $((SECONDS - started)))"
# The CI log reader takes the run's verdict from this line: it stays last.
echo "total: $total_passed passed, $total_failed failed, $total_skipped skipped"
exit "$failed"
