#!/bin/bash
# The long soak, left out of the tests command for its length: exposures in a row (10,000
# unless a number is given) with both receivers running, every image checked at both, the
# program's memory and handles compared from image 100 to the last. Writes its figures into
# the "Long soak" section of docs/benchmarks.md. Run ./scripts/test.sh once before.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD_DIR:-$root/build}
exposures=${1:-10000}
output=$(mktemp)

# The shipped i686 build, or the x86-64 twin where this machine runs no 32-bit code.
. "$root/scripts/builds.sh"
tavro_build_to_run "$build" --target soak_tests tavro vix32 fotoserver quenstal
. "$root/scripts/wine-session.sh" "$build/soak-prefix" "$arch"
trap 'wine_session_stop; rm -f "$output"' EXIT
TAVRO_SOAK_EXPOSURES=$exposures ctest --test-dir "$build" --output-on-failure -V --timeout 14400 \
    -R '^Soak\.ExposuresArriveWholeAndLeakNothing$' | tee "$output"

/usr/bin/python3 - "$output" "$root/docs/benchmarks.md" "$(tavro_build_name "$arch")" <<'PYTHON'
import re, sys, time
output, report, build = open(sys.argv[1]).read(), sys.argv[2], sys.argv[3]
count, seconds = re.search(r"(\d+) exposures in (\d+) s", output).groups()
memory = re.search(r"private bytes (\d+) -> (\d+), next handle (\d+) -> (\d+)", output).groups()
kb = [int(m) // 1024 for m in memory[:2]]
section = "\n".join([
    "## Long soak",
    "",
    f"Measured {time.strftime('%Y-%m-%d')} by `scripts/soak.sh` (the soak test of `tests/soak` with",
    f"`TAVRO_SOAK_EXPOSURES={count}`; the tests command runs it with 500). Under Wine, {build},",
    "both stand-in receivers running, every 456 x 684 image turned a quarter.",
    "",
    f"- {count} exposures in {seconds} s, {int(seconds) * 1000 // int(count)} ms each with the checks; every image's pixels exact at both receivers.",
    f"- Private memory of `tavro.exe` at image 100: {kb[0]} KB; at image {count}: {kb[1]} KB.",
    f"- Next kernel handle value (it grows only while handles leak) at image 100: {memory[2]}; at image {count}: {memory[3]}.",
    "",
])
text = open(report).read()
start = text.find("## Long soak")
text = (text[:start] if start >= 0 else text.rstrip("\n") + "\n\n") + section
open(report, "w").write(text)
print(section)
PYTHON
