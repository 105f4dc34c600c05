#!/bin/bash
# Installs what is missing, builds tavro.exe and its stand-ins, and runs every test under Wine:
# on the shipped i686 build and on its x86-64 twin, or on the twin alone where this machine
# runs no 32-bit code (scripts/builds.sh). The Windows-free code is also built natively and
# tested under the sanitizers. Arguments go to each ctest run under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD_DIR:-$root/build}

. "$root/scripts/install-deps.sh"
tavro_install_deps
. "$root/scripts/builds.sh"
tavro_choose_builds

# The shipped build is always built: where it cannot run, its binary checks still do.
tavro_build "$build" i686

cmake -S "$root" -B "$build-native" -DCMAKE_BUILD_TYPE=Debug
cmake --build "$build-native" -j"$(nproc)"
ctest --test-dir "$build-native" --output-on-failure

failed=0
# From their own folder: ctest of the whole tree would list the tests of every 32-bit test
# program first, running each of them.
if [ -n "$TAVRO_NO_I686" ]; then
    ctest --test-dir "$build/tests/pe" --output-on-failure || failed=1
fi
for arch in $TAVRO_BUILDS; do
    dir=$(tavro_build_dir "$build" "$arch")
    if [ "$arch" != i686 ] && ! tavro_build "$dir" "$arch"; then
        failed=1
        continue
    fi
    echo "== $(tavro_build_name "$arch")"
    . "$root/scripts/wine-session.sh" "$dir/wineprefix" "$arch"
    ctest --test-dir "$dir" --output-on-failure "$@" || failed=1
    wine_session_stop
done

tavro_tests_line
exit $failed
