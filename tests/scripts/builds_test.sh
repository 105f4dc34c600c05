#!/bin/bash
# Which builds a machine runs, and the tests' closing line, for each kind of machine.
set -u
. "$(dirname "$0")/../../scripts/builds.sh"
failures=0

# forced arch | probe | builds | closing line contains
cases=(
    "|true|i686 x86_64|Ran the i686 build (shipped) and the x86-64 twin under wine64; every check ran"
    "|false|x86_64|not run on this machine (this machine runs no 32-bit code): the i686 build's unit"
    "|/nonexistent/wine|x86_64|(this machine runs no 32-bit code)"
    "x86_64|true|x86_64|Ran the x86-64 twin under wine64, and the binary checks of the i686 build; not run on this machine (TAVRO_TEST_ARCH=x86_64)"
)
for case in "${cases[@]}"; do
    IFS='|' read -r forced probe builds line <<<"$case"
    TAVRO_TEST_ARCH=$forced tavro_choose_builds "$probe"
    actual=$(tavro_tests_line)
    if [ "$TAVRO_BUILDS" != "$builds" ] || [[ "$actual" != *"$line"* ]]; then
        echo "FAIL: TAVRO_TEST_ARCH='$forced', probe $probe: builds '$TAVRO_BUILDS', line '$actual'"
        failures=$((failures + 1))
    fi
done

# The probe is run, not guessed: it is asked for its version.
probe=$(mktemp)
printf '#!/bin/sh\necho "$@" >"%s.args"\n' "$probe" >"$probe" && chmod +x "$probe"
TAVRO_TEST_ARCH= tavro_choose_builds "$probe"
[ "$(cat "$probe.args")" = "--version" ] || { echo "FAIL: the probe was not run"; failures=$((failures + 1)); }
rm -f "$probe" "$probe.args"

# Any other forced value is refused with its name.
if message=$(TAVRO_TEST_ARCH=i386 tavro_choose_builds true 2>&1) || [[ "$message" != *"'i386'"* ]]; then
    echo "FAIL: TAVRO_TEST_ARCH=i386 was taken: '$message'"
    failures=$((failures + 1))
fi

[ "$(tavro_build_dir /b i686)" = /b ] && [ "$(tavro_build_dir /b x86_64)" = /b-x86_64 ] ||
    { echo "FAIL: build folders"; failures=$((failures + 1)); }
exit $failures
