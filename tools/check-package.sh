#!/usr/bin/env bash
# Proves the package works for an author and a host outside this tree. Installs the release build into a
# temporary prefix, then:
#   1. the installed headers are exactly the ones docs/installing.md lists;
#   2. every installed header compiles on its own, and a call into the (unexported) manager does not;
#   3. a plug-in built against the prefix alone (tests/package/), linked with -Wl,--no-undefined, is loaded
#      and driven by the installed bin/workflow-session (tests/package/probe.session);
#   4. plugins/ builds alone against the prefix with find_package(workflow), and its tests pass;
#   5. a host program built against the prefix alone (tests/host-program/) follows docs/hosting.md from two
#      threads with the installed plug-in and example workflows.
# Run after tools/test.sh release.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
extra=()
flags="-Wall -Wextra -Wpedantic"
if [ "${CI:-}" = "true" ]; then
    extra+=(-DCMAKE_CXX_FLAGS=-Werror)
    flags="$flags -Werror"
fi
prefix="$work/prefix"
cmake --install build/release --prefix "$prefix" >/dev/null

# 1. The installed set against the documented one (the lines "- `path`" between the list markers).
(cd "$prefix/include/workflow" && find . -name '*.h' | sed 's#^\./##' | sort) >"$work/installed.txt"
sed -n '/<!-- headers: begin -->/,/<!-- headers: end -->/p' docs/installing.md |
    sed -n 's/^- `\([^`]*\.h\)`.*/\1/p' | sort >"$work/documented.txt"
if ! diff -u "$work/documented.txt" "$work/installed.txt"; then
    echo "check-package: docs/installing.md lists other headers than the package installs (- documented," \
         "+ installed): make its list match WORKFLOW_PUBLIC_HEADERS in CMakeLists.txt" >&2
    exit 1
fi

# 2. Each header alone, as the first include of a translation unit.
failed=0
while read -r header; do
    if ! echo "#include \"$header\"" | ${CXX:-c++} -std=c++20 $flags -fsyntax-only \
            -I"$prefix/include/workflow" -x c++ - 2>"$work/header.log"; then
        echo "check-package: $header does not compile on its own:" >&2
        head -n 20 "$work/header.log" >&2
        failed=1
    fi
done <"$work/installed.txt"
[ "$failed" -eq 0 ] || exit 1
echo "check-package: $(wc -l <"$work/installed.txt") installed headers, each compiles on its own"
# The manager a workflow links to is not exported, so a call into it must not compile (it would link and
# then fail to load).
if printf '%s\n' '#include "workflows/Workflow.h"' \
        'bool Claims(workflow::Workflow& w) { return w.GetManager()->HoldsExclusive(nullptr); }' |
        ${CXX:-c++} -std=c++20 -fsyntax-only -I"$prefix/include/workflow" -x c++ - 2>/dev/null; then
    echo "check-package: a plug-in can call into the manager implementation, which libworkflow.so does not" \
         "export: keep its header out of the package" >&2
    exit 1
fi

# 3. A plug-in linked with --no-undefined, loaded and driven by the installed session host.
cmake -S tests/package -B "$work/probe" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_PREFIX_PATH="$prefix" "${extra[@]}" >/dev/null
cmake --build "$work/probe" -j2
cp tests/package/probe.session "$work/probe/"
# Without --plugin: the installed program runs the plug-in installed beside it, not the build tree's.
timeout 120 "$prefix/bin/workflow-session" "$work/probe/probe.session"
echo "check-package: a plug-in built against the prefix with --no-undefined ran in the installed session host"
# The installed viewer, where it was built: without --plugin or --workflows it runs what is installed beside
# it, so the build tree's libraries are never opened (a copy of the prefix elsewhere proves it).
if [ -x "$prefix/bin/workflow-viewer" ]; then
    cp -a "$prefix" "$work/moved"
    printf 'expect workflow 100 orbit\n' >"$work/viewer.session"
    SDL_VIDEODRIVER=offscreen LD_DEBUG=files timeout 60 "$work/moved/bin/workflow-viewer" \
        --session "$work/viewer.session" --quit-after-session >"$work/viewer.out" 2>"$work/viewer.err" ||
        { cat "$work/viewer.out"; grep -v '^ *[0-9]*:' "$work/viewer.err"; exit 1; }
    if grep "calling init: $PWD/" "$work/viewer.err"; then
        echo "check-package: the installed viewer opened the build tree's libraries"
        exit 1
    fi
    echo "check-package: the installed viewer ran the plug-in and example workflows installed beside it"
fi

# 4. plugins/ alone against the prefix, with its tests.
cmake -S plugins -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_PREFIX_PATH="$prefix" "${extra[@]}" >/dev/null
cmake --build "$work/build" -j2
ctest --test-dir "$work/build" --output-on-failure
test -f "$work/build/plugins/libworkflow_examples.so"
test -f "$prefix/lib/libworkflow_examples.so"
echo "check-package: plugins/ built and tested against the installed package"

# 5. A host built against the prefix alone, driving the installed plug-in as docs/hosting.md says.
cmake -S tests/host-program -B "$work/host" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_PREFIX_PATH="$prefix" "${extra[@]}" >/dev/null
cmake --build "$work/host" -j2
LD_LIBRARY_PATH="$prefix/lib" timeout 120 "$work/host/host-program" "$prefix/lib/libworkflow.so" \
    "$prefix/lib/libworkflow_examples.so"
echo "check-package: a host built against the prefix drove two views from two threads and shut down"
