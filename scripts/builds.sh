# Sourced: which Windows builds this machine runs under Wine, and how they are built.
#
# The shipped program is the i686 build. A machine whose kernel runs no 32-bit code cannot run
# it, nor any 32-bit Wine; there the x86-64 twin, built from the same sources, takes its
# place in the tests and the demonstration. Where 32-bit code runs, both are tested, so the
# twin cannot rot and a pointer-width fault shows on every machine.
# TAVRO_TEST_ARCH=x86_64 forces the twin alone, to try a machine of the other kind.

# Sets TAVRO_BUILDS ("i686 x86_64" or "x86_64") and TAVRO_NO_I686 (why the i686 build does not
# run, or empty). The probe is tried, not guessed from the kernel: by default Wine's 32-bit
# loader, which a kernel without 32-bit emulation refuses with "Exec format error".
tavro_choose_builds() {
    TAVRO_NO_I686=""
    case "${TAVRO_TEST_ARCH:-}" in
        "") "${@:-/usr/lib/wine/wine}" --version >/dev/null 2>&1 ||
                TAVRO_NO_I686="this machine runs no 32-bit code" ;;
        x86_64) TAVRO_NO_I686="TAVRO_TEST_ARCH=x86_64" ;;
        *) echo "TAVRO_TEST_ARCH is '$TAVRO_TEST_ARCH': leave it unset, or x86_64" >&2
           return 1 ;;
    esac
    if [ -n "$TAVRO_NO_I686" ]; then TAVRO_BUILDS="x86_64"; else TAVRO_BUILDS="i686 x86_64"; fi
}

# The folder of a build: the shipped one in <build>, the twin beside it.
tavro_build_dir() {
    if [ "$2" = i686 ]; then echo "$1"; else echo "$1-x86_64"; fi
}

# Configures and builds one target architecture: tavro_build <dir> <arch> [cmake --build args].
tavro_build() {
    local dir=$1 arch=$2
    shift 2
    cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw.cmake" -DTAVRO_ARCH="$arch" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$dir" -j"$(nproc)" "$@"
}

# For a script that runs one build: the shipped one, or the twin where it cannot run. Sets
# arch and build (the folder, from the shipped build's folder given) and builds the targets.
#   tavro_build_to_run <build> [cmake --build args]
tavro_build_to_run() {
    tavro_choose_builds
    arch=${TAVRO_BUILDS%% *}
    build=$(tavro_build_dir "$1" "$arch")
    shift
    tavro_build "$build" "$arch" "$@"
}

# What a build is, in the words of the closing lines.
tavro_build_name() {
    if [ "$1" = i686 ]; then echo "the i686 build (shipped)"; else echo "the x86-64 twin under wine64"; fi
}

# The tests' closing line: which builds ran, and what could not run here.
tavro_tests_line() {
    if [ -z "$TAVRO_NO_I686" ]; then
        echo "Ran the i686 build (shipped) and the x86-64 twin under wine64; every check ran on this machine."
    else
        echo "Ran the x86-64 twin under wine64, and the binary checks of the i686 build; not run on this" \
             "machine ($TAVRO_NO_I686): the i686 build's unit, end-to-end, soak, stand-in and installer tests."
    fi
}
