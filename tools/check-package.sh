#!/usr/bin/env bash
# Proves the package works for an author outside this tree: installs the release build into a temporary
# prefix, builds plugins/ alone against it with find_package(workflow), and runs the plug-ins' own tests
# there. Run after tools/test.sh release.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
extra=()
[ "${CI:-}" = "true" ] && extra+=(-DCMAKE_CXX_FLAGS=-Werror)
cmake --install build/release --prefix "$work/prefix" >/dev/null
cmake -S plugins -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_PREFIX_PATH="$work/prefix" "${extra[@]}" >/dev/null
cmake --build "$work/build" -j2
ctest --test-dir "$work/build" --output-on-failure
test -f "$work/build/plugins/libworkflow_examples.so"
echo "check-package: plugins/ built and tested against the installed package"
