#!/usr/bin/env bash
# Fails when a file under src/ includes a header of a higher layer. The layer order is read from
# docs/architecture.md, between the "layers: begin" and "layers: end" markers: one numbered line per layer,
# lowest first, naming its folders.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A rank=()
level=0
while read -r line; do
    level=$((level + 1))
    for folder in ${line#*. }; do
        rank[$folder]=$level
    done
done < <(sed -n '/<!-- layers: begin -->/,/<!-- layers: end -->/p' docs/architecture.md | grep -E '^[0-9]+\. ')
[ "${#rank[@]}" -gt 0 ] || { echo "check-layers: no layer order found in docs/architecture.md" >&2; exit 2; }

# The host folders are include roots of their own ("du/Symbol.h"): they belong to the host layer.
for folder in src/host/*/; do
    rank[$(basename "$folder")]=${rank[host]}
done

status=0
checked=0
while IFS= read -r file; do
    top=${file#src/}
    top=${top%%/*}
    own=${rank[$top]:-}
    if [ -z "$own" ]; then
        echo "$file: folder '$top' is not in the layer order" >&2
        status=1
        continue
    fi
    checked=$((checked + 1))
    while IFS=: read -r number included; do
        target=${included%%/*}
        theirs=${rank[$target]:-}
        # Standard and third-party headers have no layer.
        if [ -n "$theirs" ] && [ "$theirs" -gt "$own" ]; then
            echo "$file:$number: includes \"$included\" from layer '$target' above '$top'" >&2
            status=1
        fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
             sed -E 's/^([0-9]+):[^"]*"([^"]*)".*/\1:\2/')
done < <(find src -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' \) | sort)

if [ "$status" -eq 0 ]; then
    echo "check-layers: $checked files include only their own layer and the layers below"
fi
exit "$status"
