#!/usr/bin/env bash
# The viewer: installs what is missing (Debian 12, with SDL2 and assimp), builds the release preset's
# viewer and runs it. Extra arguments go to the viewer (an OBJ file, --drawing, --record FILE, ...; --help).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh viewer
extra=()
[ "${CI:-}" = "true" ] && extra+=(-DWORKFLOW_WARNINGS_AS_ERRORS=ON)
cmake --preset release "${extra[@]}" >/dev/null
cmake --build --preset release --target workflow-viewer workflow-session workflow_examples
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
    echo "no display to open the window on: run this on a desktop (or under xvfb-run to try it blind)"
    exit 1
fi
exec build/release/apps/workflow-viewer "$@"
