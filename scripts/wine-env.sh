# Sourced: the project's own Wine prefix (never the user's default one) and
# a virtual screen when there is no display. Sets WINEPREFIX and DISPLAY.
ROOT="${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${REGSCAN_WINEPREFIX:-$ROOT/build/wine/prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Which Windows build is tested, and with which loader: decided here once per
# session, and every script and the build's presets take it from here. The
# Windows suites run the 32-bit program under wine. Where the 32-bit Wine is
# not installed (the set-up could not install it) or the kernel cannot run
# 32-bit programs (its loader fails to start, "Exec format error"), they run
# a 64-bit build of the same sources under wine64 instead; the release stays
# the 32-bit program.
#   REGSCAN_WINE32          loader of 32-bit programs; empty where none runs here
#   REGSCAN_WINE64          loader of 64-bit programs (the windows64 preset's)
#   REGSCAN_WINE            loader of the tested build's programs
#   REGSCAN_WINDOWS_PRESET  the tested build's preset (windows or windows64)
#   REGSCAN_WINDOWS_BUILD   its folder (build/windows or build/windows64)
if [ -z "${REGSCAN_WINDOWS_PRESET:-}" ]; then
    REGSCAN_WINE64="$(command -v wine64 || echo /usr/lib/wine/wine64)"
    export REGSCAN_WINE32=wine REGSCAN_WINE64 REGSCAN_WINE=wine REGSCAN_WINDOWS_PRESET=windows
    export REGSCAN_WINDOWS_BUILD="$ROOT/build/windows"
    no_wine32=""
    if [ ! -x /usr/lib/wine/wine ]; then
        no_wine32="the 32-bit Wine (wine32:i386) is not installed"
    elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        no_wine32="this machine cannot run 32-bit programs"
    fi
    if [ -n "$no_wine32" ]; then
        REGSCAN_WINE32="" REGSCAN_WINE="$REGSCAN_WINE64" REGSCAN_WINDOWS_PRESET=windows64
        REGSCAN_WINDOWS_BUILD="$ROOT/build/windows64"
        echo "windows: $no_wine32; the tests and run.sh use a 64-bit build under wine64 (the release stays 32-bit)" >&2
    fi
    unset no_wine32
fi

# Creates the prefix once: WoW64 layout (as 64-bit Windows), Wine's fonts so
# "MS Sans Serif" is the real bitmap font, unmanaged windows so closing one
# does not stall.
wine_prefix_ready() {
    if [ -f "$WINEPREFIX/.regscan-ready" ]; then
        return 0
    fi
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    WINEARCH=win64 "$REGSCAN_WINE" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -f /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    "$REGSCAN_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.regscan-ready"
}

# The glibc locales of the code-page tests, compiled once into the build
# folder; the machine's own locale settings stay as they are. Wine takes the
# ANSI code page from LC_ALL (932, 950, 1251) and needs the compiled locale
# for Unix file names in it.
export REGSCAN_LOCALE_DIR="${REGSCAN_LOCALE_DIR:-$ROOT/build/locale}"
compile_locales() {
    local name
    for name in ja_JP zh_TW ru_RU; do
        [ -f "$REGSCAN_LOCALE_DIR/$name.UTF-8/LC_CTYPE" ] && continue
        mkdir -p "$REGSCAN_LOCALE_DIR"
        localedef -i "$name" -f UTF-8 "$REGSCAN_LOCALE_DIR/$name.UTF-8" >/dev/null 2>&1
        [ -f "$REGSCAN_LOCALE_DIR/$name.UTF-8/LC_CTYPE" ] || { echo "localedef $name.UTF-8 failed"; return 1; }
    done
}

# A virtual screen for window tests unless one is given.
start_virtual_screen() {
    if [ -n "${DISPLAY:-}" ] && [ -z "${REGSCAN_FORCE_XVFB:-}" ]; then
        return 0
    fi
    local n=97
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.1
    done
}

stop_virtual_screen() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
}
