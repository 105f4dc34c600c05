#!/bin/bash
# Installs what is missing, builds tavro.exe and its stand-ins, and runs every test under Wine.
# The Windows-free code is also built natively and tested under the sanitizers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD_DIR:-$root/build}

. "$root/scripts/install-deps.sh"
tavro_install_deps

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j"$(nproc)"

cmake -S "$root" -B "$build-native" -DCMAKE_BUILD_TYPE=Debug
cmake --build "$build-native" -j"$(nproc)"
ctest --test-dir "$build-native" --output-on-failure

. "$root/scripts/wine-session.sh" "$build/wineprefix"
ctest --test-dir "$build" --output-on-failure "$@"
