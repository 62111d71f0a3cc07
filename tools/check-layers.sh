#!/usr/bin/env bash
# Fails when a file under src/ includes a header of a higher layer, or defines a member of a class that a
# lower layer declares (a "Foo::Bar(" definition in a folder above the folder of class Foo's header): either
# makes the lower layer need the higher one, the first to compile, the second to link. The layer order is
# read from docs/architecture.md, between the "layers: begin" and "layers: end" markers: one numbered line
# per layer, lowest first, naming its folders.
#
#   tools/check-layers.sh              checks this repository
#   tools/check-layers.sh ROOT         checks the tree at ROOT (its docs/architecture.md and src/)
#   tools/check-layers.sh --self-test  checks the fixture in tools/layers-selftest, which breaks the rules
#                                      once each, and fails unless exactly those breaks are reported
set -euo pipefail
cd "$(dirname "$0")/.."

check() (
    cd "$1"
    declare -A rank=()
    local level=0 line folder
    while read -r line; do
        level=$((level + 1))
        for folder in ${line#*. }; do
            rank[$folder]=$level
        done
    done < <(sed -n '/<!-- layers: begin -->/,/<!-- layers: end -->/p' docs/architecture.md | grep -E '^[0-9]+\. ')
    [ "${#rank[@]}" -gt 0 ] || { echo "check-layers: no layer order found in docs/architecture.md" >&2; exit 2; }

    # The host folders are include roots of their own ("du/Symbol.h"): they belong to the host layer.
    if [ -d src/host ]; then
        for folder in src/host/*/; do
            rank[$(basename "$folder")]=${rank[host]}
        done
    fi

    local files
    files=$(find src -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' \) | sort)

    # The layer of every class a header defines (not merely declares). A name defined in several layers
    # (a host interface and the system's class of the same name) counts as the highest of them, so that a
    # collision never fails the check; it can only hide a break.
    declare -A classRank=()
    local file top own name
    while IFS= read -r file; do
        top=${file#src/}
        top=${top%%/*}
        own=${rank[$top]:-}
        [ -n "$own" ] || continue
        while IFS= read -r name; do
            if [ -z "${classRank[$name]:-}" ] || [ "${classRank[$name]}" -lt "$own" ]; then
                classRank[$name]=$own
            fi
        done < <(grep -E '^[[:space:]]*(class|struct)[[:space:]]+' "$file" |
                 grep -vE ';[[:space:]]*(//.*)?$' |
                 sed -nE 's/^[[:space:]]*(class|struct)[[:space:]]+([A-Z_]+_API[[:space:]]+)?([A-Za-z_][A-Za-z0-9_]*).*/\3/p')
    done < <(grep -E '\.(h|hpp)$' <<< "$files")

    local status=0 checked=0 number included target theirs definition class
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
        # Definitions start in the first column; the qualified name right before the first parenthesis
        # names the member, and the name before its "::" the class.
        while IFS=: read -r number definition; do
            class=$(sed -nE 's/.*(^|[^A-Za-z0-9_:])([A-Za-z_][A-Za-z0-9_]*)::(~?[A-Za-z_][A-Za-z0-9_]*|operator[^[:space:]]*)[[:space:]]*$/\2/p' \
                    <<< "${definition%%(*}")
            [ -n "$class" ] || continue
            theirs=${classRank[$class]:-}
            if [ -n "$theirs" ] && [ "$theirs" -lt "$own" ]; then
                echo "$file:$number: defines a member of '$class', a class of a layer below '$top'" >&2
                status=1
            fi
        done < <(grep -nE '^[A-Za-z_][^(]*::[^(]*\(' "$file" | grep -vE '^[0-9]+:(return|using|namespace|static_assert)\b')
    done <<< "$files"

    if [ "$status" -eq 0 ]; then
        echo "check-layers: $checked files include only their own layer and the layers below, and define" \
             "members only of classes of their own layer or above"
    fi
    exit "$status"
)

if [ "${1:-}" = "--self-test" ]; then
    fixture=tools/layers-selftest
    expected=$(cat "$fixture/expected.txt")
    if reported=$(check "$fixture" 2>&1 >/dev/null); then
        echo "check-layers self-test: the fixture's breaks went unreported" >&2
        exit 1
    fi
    if [ "$reported" != "$expected" ]; then
        printf 'check-layers self-test: expected\n%s\nbut the check reported\n%s\n' "$expected" "$reported" >&2
        exit 1
    fi
    echo "check-layers self-test: the fixture's upward include and upward member definition are reported"
    exit 0
fi

check "${1:-.}"
