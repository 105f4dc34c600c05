#!/bin/bash
# Regenerates the README's pictures from a headless run of the demonstration.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
env -u DISPLAY "$root/scripts/demo.sh" "$run"
mkdir -p "$root/docs/images"
cp "$run/dialog-2-right.png" "$root/docs/images/control-dialog.png"
cp "$run/image-2-right.png" "$root/docs/images/delivered-image.png"
