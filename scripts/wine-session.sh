# Sourced: start (and on exit stop) a private Wine prefix and X display for running the
# Windows programs and tests of one build.
#   . scripts/wine-session.sh <prefix-dir> [i686|x86_64]      (default i686)
# Leaves WINEPREFIX, WINEARCH, WINEDEBUG, WINEDLLOVERRIDES, DISPLAY and, as TAVRO_WINE and
# WINELOADER, the Wine loader of that width exported. wine_session_stop ends it earlier.

wine_session_stop() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true
    [ -n "${TAVRO_XVFB_PID:-}" ] && kill "$TAVRO_XVFB_PID" 2>/dev/null || true
    TAVRO_XVFB_PID=
}

wine_session_start() {
    local prefix=$1 arch=${2:-i686}
    # Debian's `wine` always picks the 32-bit loader when it is installed: name the loader.
    if [ "$arch" = i686 ]; then
        export WINEARCH=win32 TAVRO_WINE=/usr/lib/wine/wine
    else
        export WINEARCH=win64 TAVRO_WINE=/usr/lib/wine/wine64
    fi
    export WINELOADER=$TAVRO_WINE WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # Whatever fails from here on, what was started is stopped.
    trap wine_session_stop EXIT

    if [ -z "${TAVRO_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
        local fifo number=""
        fifo=$(mktemp -u) && mkfifo "$fifo"
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
        TAVRO_XVFB_PID=$!
        read -r -t 60 number <"$fifo" || true
        rm -f "$fifo"
        if [ -z "$number" ]; then
            echo "Xvfb did not start" >&2
            return 1
        fi
        export DISPLAY=:$number
    fi

    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    if ! "$TAVRO_WINE" wineboot -i >/dev/null 2>&1; then
        echo "Wine ($TAVRO_WINE) cannot start a $WINEARCH prefix on this machine" >&2
        return 1
    fi
    wineserver -w
    wineserver -p                     # keep one server warm: each start then takes milliseconds
    # Without a window manager, every hidden window otherwise costs a two-second wait.
    "$TAVRO_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    # A crash must print its report and end, not wait in a dialog.
    "$TAVRO_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    cp /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
    # Start Wine's services now, or the first test's output pipe is held open by them.
    "$TAVRO_WINE" wineboot </dev/null >/dev/null 2>&1
}

wine_session_start "$@"
