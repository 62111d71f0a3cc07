#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz: clang, AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# each one for a bounded time, starting from a copy of its seed corpus in fuzz/corpus/<target> so that the
# repository is left as it is. Fails on any finding (crash, sanitizer report, leak, timeout, memory limit);
# the inputs that caused one are kept in build/fuzz/findings/<target>/. Ends with a table of executions per
# second and the coverage reached (libFuzzer's cov and ft counters) per target.
# Usage: tools/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
bash tools/install-deps.sh fuzz
cmake --preset fuzz >/dev/null
targets=$(tr ';' ' ' < build/fuzz/fuzz-targets.txt)
# Only the targets and what they link: the example plug-ins and the session program are not needed here.
nice -n 5 cmake --build --preset fuzz --target $(for target in $targets; do echo "${target}_fuzz"; done)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
findings=build/fuzz/findings
rm -rf "$findings"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

rows=()
failed=0
for target in $targets; do
    mkdir -p "$work/$target/corpus"
    if [ -d "fuzz/corpus/$target" ]; then
        cp -r "fuzz/corpus/$target/." "$work/$target/corpus/"
    fi
    log="$work/$target/log"
    start=$(date +%s)
    result=pass
    if ! (cd "$work/$target" && "$OLDPWD/build/fuzz/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 \
            -rss_limit_mb=2048 -max_len=1024 -artifact_prefix="$work/$target/" corpus >"$log" 2>&1); then
        result=FAIL
        failed=1
        mkdir -p "$findings/$target"
        cp "$work/$target"/crash-* "$work/$target"/leak-* "$work/$target"/timeout-* "$work/$target"/oom-* \
            "$findings/$target/" 2>/dev/null || true
        cp "$log" "$findings/$target/log"
        echo "== $target: finding (inputs and log in $findings/$target)"
        grep -E "ERROR|SUMMARY|consistency check|runtime error|what\(\)" "$log" | head -n 5 || true
    fi
    elapsed=$(( $(date +%s) - start ))
    # The closing line: "#N DONE cov: C ft: F corp: ... exec/s: E rss: R"; the last status line on a finding.
    last=$(grep -E "^#[0-9]+" "$log" | tail -n 1 || true)
    field() { sed -nE "s|.* $1: ([0-9]+).*|\\1|p" <<<"$last"; }
    runs=$(sed -nE 's/^#([0-9]+).*/\1/p' <<<"$last")
    rows+=("$(printf '%-20s %-6s %10s %10s %8s %8s %5ss' "$target" "$result" "${runs:--}" "$(field exec/s)" \
        "$(field cov)" "$(field ft)" "$elapsed")")
done

echo
printf '%-20s %-6s %10s %10s %8s %8s %6s\n' target result runs exec/s cov ft time
for row in "${rows[@]}"; do
    echo "$row"
done
exit "$failed"
