# Sourced: start (and on exit stop) a private Wine prefix and X display for running the
# Windows programs and tests.  Usage: . scripts/wine-session.sh <prefix-dir>
# Leaves WINEPREFIX, WINEARCH, WINEDEBUG, WINEDLLOVERRIDES and DISPLAY exported.

wine_session_stop() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true
    [ -n "${TAVRO_XVFB_PID:-}" ] && kill "$TAVRO_XVFB_PID" 2>/dev/null || true
    TAVRO_XVFB_PID=
}

wine_session_start() {
    local prefix=$1
    export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

    if [ -z "${TAVRO_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
        local fifo
        fifo=$(mktemp -u) && mkfifo "$fifo"
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
        TAVRO_XVFB_PID=$!
        local number
        read -r number <"$fifo"
        rm -f "$fifo"
        export DISPLAY=:$number
    fi

    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    wineserver -p                     # keep one server warm: each start then takes milliseconds
    # Without a window manager, every hidden window otherwise costs a two-second wait.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    # A crash must print its report and end, not wait in a dialog.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    cp /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
    # Start Wine's services now, or the first test's output pipe is held open by them.
    wine wineboot </dev/null >/dev/null 2>&1
    trap wine_session_stop EXIT
}

wine_session_start "$1"
