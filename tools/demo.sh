#!/usr/bin/env bash
# The demo: installs what is missing (Debian 12), builds the release preset and runs the bundled session
# examples/sessions/demo.session through the session host. Extra arguments go to the session host
# (for example --json, or another session file).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
extra=()
[ "${CI:-}" = "true" ] && extra+=(-DWORKFLOW_WARNINGS_AS_ERRORS=ON)
cmake --preset release "${extra[@]}" >/dev/null
cmake --build --preset release
if [ $# -eq 0 ] && [ ! -e build/release/plugins/libworkflow_examples.so ]; then
    echo "skipped: libworkflow_examples.so not built, so the demo session has no workflows to show"
    exit 0
fi
exec build/release/apps/workflow-session "$@"
