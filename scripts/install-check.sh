#!/usr/bin/env bash
# Proves the install of a built tree: installs it into a temporary prefix,
# checks the layout (engine, CMake package, pkg-config file, game launchers
# and data; no testing libraries), makes the game's .deb and checks what it
# holds, builds tests/install/consumer there with
# find_package(plax) and runs it, then builds the same program with the flags
# pkg-config gives. Last it installs the engine component alone into a second
# prefix, checks that it holds the engine and nothing of the game, builds
# examples/ against it as a project of its own and runs the examples.
# Usage: scripts/install-check.sh <build-folder>
set -euo pipefail

if [ $# -ne 1 ] || [ "$1" = --help ]; then
  echo "usage: scripts/install-check.sh <build-folder>"
  [ "${1:-}" = --help ] && exit 0
  exit 2
fi
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail() {
  echo "install check: $*" >&2
  exit 1
}

cmake --install "$build_dir" --prefix "$prefix" >"$work/install.log" || {
  cat "$work/install.log"
  fail "cmake --install failed"
}

for wanted in include/plax/plax.h bin/tilegame-server bin/tilegame-client \
  share/tilegame/map/Map share/tilegame/imgs; do
  [ -e "$prefix/$wanted" ] || fail "$wanted is not installed"
done
for wanted in libplax.a cmake/plax/plaxConfig.cmake cmake/plax/plaxConfigVersion.cmake \
  pkgconfig/plax.pc; do
  compgen -G "$prefix/lib*/$wanted" >/dev/null || fail "lib/$wanted is not installed"
done
if find "$prefix" -name '*testing*' -o -name '*test_support*' | grep -q .; then
  fail "a testing library is installed"
fi

# The consumer, built with the package alone: nothing from this tree.
cmake -S "$source_dir/tests/install/consumer" -B "$work/consumer" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix" >"$work/consumer.log" 2>&1 &&
  cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 || {
  cat "$work/consumer.log"
  fail "the consumer does not build with find_package(plax)"
}
[ "$("$work/consumer/plax_consumer")" = ok ] || fail "the consumer built with CMake does not run"

# The same program with only the pkg-config flags.
pc_dir=$(dirname "$(compgen -G "$prefix/lib*/pkgconfig/plax.pc")")
read -r -a pc_flags <<<"$(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs plax)"
"${CXX:-c++}" "$source_dir/tests/install/consumer/main.cpp" "${pc_flags[@]}" -o "$work/pc_consumer" ||
  fail "the consumer does not build with pkg-config --cflags --libs plax"
[ "$("$work/pc_consumer")" = ok ] || fail "the consumer built with pkg-config does not run"

# The game's Debian package: the game's files under /usr, none of the engine's.
cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  fail "cpack -G DEB failed"
}
dpkg-deb -c "$work"/package/tilegame_*.deb | awk '{print $6}' >"$work/deb.list"
for wanted in ./usr/bin/tilegame-server ./usr/bin/tilegame-client ./usr/libexec/tilegame/server \
  ./usr/libexec/tilegame/client ./usr/share/tilegame/map/Map; do
  grep -qxF "$wanted" "$work/deb.list" || fail "the .deb lacks $wanted"
done
if grep -qE 'plax|cmake|pkgconfig|include' "$work/deb.list"; then
  fail "the .deb holds engine files"
fi

# The engine alone, as its users install it: headers, library, CMake package
# and pkg-config file, nothing else.
engine=$work/engine
cmake --install "$build_dir" --component engine --prefix "$engine" >"$work/engine.log" || {
  cat "$work/engine.log"
  fail "cmake --install --component engine failed"
}
(cd "$engine" && find . -type f | sed 's|^\./||; s|^lib[^/]*/|lib/|' | sort) >"$work/engine.list"
for wanted in include/plax/plax.h lib/libplax.a lib/cmake/plax/plaxConfig.cmake \
  lib/cmake/plax/plaxConfigVersion.cmake lib/cmake/plax/plaxTargets.cmake lib/pkgconfig/plax.pc; do
  grep -qxF "$wanted" "$work/engine.list" || fail "the engine component lacks $wanted"
done
if grep -vE '^(include/plax/|lib/libplax\.a$|lib/cmake/plax/|lib/pkgconfig/plax\.pc$)' \
  "$work/engine.list" | grep .; then
  fail "the engine component installs the files above, which are not the engine's"
fi

# examples/ against the engine alone, then run as in the build tree.
cmake -S "$source_dir/examples" -B "$work/examples" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DCMAKE_CXX_FLAGS="-Wall -Wextra" \
  -DCMAKE_PREFIX_PATH="$engine" >"$work/examples.log" 2>&1 &&
  cmake --build "$work/examples" >>"$work/examples.log" 2>&1 || {
  cat "$work/examples.log"
  fail "examples/ does not build against the engine installed alone"
}
"$source_dir/tests/install/examples_check.sh" "$work/examples" ||
  fail "the examples built against the installed engine do not work"

echo "install check: ok"
