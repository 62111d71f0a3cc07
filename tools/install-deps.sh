#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing. With "viewer", also what the
# windowed viewer and its check need (the build leaves the viewer out without them); with "fuzz", clang and
# its runtime libraries, which the libFuzzer targets (tools/fuzz.sh) need; with "clang", the compiler alone
# (the clang preset's build and tests).
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libpugixml-dev libcli11-dev nlohmann-json3-dev)
if [ "${1:-}" = "viewer" ]; then
    packages+=(libsdl2-dev libassimp-dev libepoxy-dev libspnav-dev xvfb xauth xdotool imagemagick python3)
fi
if [ "${1:-}" = "fuzz" ]; then
    packages+=(clang libclang-rt-14-dev)
fi
if [ "${1:-}" = "clang" ]; then
    packages+=(clang)
fi
need=()
for pkg in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
    echo "installing: ${need[*]}"
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${need[@]}" >/dev/null
fi
