# Sourced: installs the Debian 12 packages the build, tests and demonstration need, when missing.
tavro_install_deps() {
    local packages="cmake make g++ googletest libgtest-dev g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386
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
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
}
