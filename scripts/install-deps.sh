# Sourced: installs the Debian 12 packages the build, tests and demonstration need, when missing.
tavro_install_deps() {
    local packages="cmake make g++ googletest libgtest-dev g++-mingw-w64-i686 binutils-mingw-w64-i686
        g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine wine32:i386
        wine64 xvfb xauth fonts-wine python3 python3-pil python3-pefile xclip imagemagick xdotool x11-utils nsis $*"
    local missing=""
    for p in $packages; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0

    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    echo "Installing:$missing"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    local log pin=()
    log=$(mktemp)
    $sudo apt-get update -q 2>&1 | tee "$log" || true   # a failed index is judged below
    # A mirror caught mid-sync can fail to give one architecture's security index. The i386
    # libraries must then match the amd64 ones at the main archive's versions, not at the
    # security versions that only amd64 was offered.
    if grep -q "^E:.*binary-i386" "$log"; then
        printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' >"$log"
        pin=(-o "Dir::Etc::Preferences=$log")
    fi
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${pin[@]}" $missing
    rm -f "$log"
}
