#!/bin/bash
# The demonstration: installs what is missing, builds, and runs tavro.exe under Wine with the
# simulated sensor, the stand-in receivers and the stand-in viewer.
#   ./scripts/demo.sh [output folder]
# Without a desktop it takes one exposure per picture of the cross and leaves the delivered
# images (PNG), screenshots of the dialog and summary.txt in the output folder (default
# ./demo-output). With DISPLAY pointing at a desktop it runs interactively instead: click the
# pictures, press "Raggi X" for an exposure, "Esci" to end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD_DIR:-$root/build}
output=$(mkdir -p "${1:-$root/demo-output}" && cd "${1:-$root/demo-output}" && pwd)

. "$root/scripts/install-deps.sh"
tavro_install_deps
# The shipped i686 build, or the x86-64 twin where this machine runs no 32-bit code.
. "$root/scripts/builds.sh"
tavro_build_to_run "$build" --target tavrodemo

mode=""
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    export TAVRO_KEEP_DISPLAY=1
    mode=--interactive
fi
. "$root/scripts/wine-session.sh" "$build/demo-prefix" "$arch"

rm -f "$output"/*.png "$output"/summary.txt
"$TAVRO_WINE" "$build/standins/tavrodemo.exe" "Z:$output" $mode
if [ -z "$mode" ]; then
    line="Ran $(tavro_build_name "$arch")."
    [ -n "$TAVRO_NO_I686" ] && line="$line Not run on this machine ($TAVRO_NO_I686): the i686 build (shipped)."
    echo "$line" >>"$output/summary.txt"
    cat "$output/summary.txt"
fi
