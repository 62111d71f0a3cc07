#!/usr/bin/env bash
# Builds the release-with-debug-info preset and runs every test. Usage: tools/test.sh [preset]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
# The clang preset needs the compiler; every other preset builds with the system's g++.
bash tools/install-deps.sh "$([ "$preset" = clang ] && echo clang || true)"
extra=()
[ "${CI:-}" = "true" ] && extra+=(-DWORKFLOW_WARNINGS_AS_ERRORS=ON)
cmake --preset "$preset" "${extra[@]}" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
