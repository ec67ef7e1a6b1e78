#!/usr/bin/env bash
# Runs the utility. Sets up what is missing, builds the Windows program,
# prepares the project's Wine prefix and imports a demo registry of the
# maker's software and driver (tests/fixtures/demo.reg), then:
#  - with a display ($DISPLAY): opens the window for you; close it to end;
#  - without one: makes one export on a virtual screen, as a user would
#    (press the button, save as regparams-demo.xml in the current folder),
#    prints the path and the file, and keeps regparams-demo.png beside it.
# Where no 32-bit Wine runs (not installed, or the machine cannot run 32-bit
# programs) it builds and runs a 64-bit build of the program
# (build/windows64) under wine64 (scripts/wine-env.sh).
# Safe to run again: each run re-imports the demo and replaces its output.
#
# REGSCAN_BUILD_DIR and REGSCAN_WINEPREFIX choose other build and prefix
# folders; REGSCAN_FORCE_XVFB=1 makes the export even with a display.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT="$(pwd)"

"$ROOT/scripts/setup.sh"
# shellcheck source=scripts/wine-env.sh
source "$ROOT/scripts/wine-env.sh"
# shellcheck source=scripts/cmake-build.sh
source "$ROOT/scripts/cmake-build.sh"
BUILD="${REGSCAN_BUILD_DIR:-$REGSCAN_WINDOWS_BUILD}"

# Wine's path for a host path.
windows_path() {
    "$REGSCAN_WINE" winepath -w "$1" 2>/dev/null | tr -d '\r'
}

# Without a display the virtual screen comes first: Wine's desktop belongs to
# the display of the first Wine program of a session.
targets=(regscan_app)
headless=""
if [ -z "${DISPLAY:-}" ] || [ -n "${REGSCAN_FORCE_XVFB:-}" ]; then
    headless=1
    targets+=(regscan_demo_driver)
    start_virtual_screen
    trap stop_virtual_screen EXIT
fi

echo "run: preparing the Wine prefix $WINEPREFIX"
wine_prefix_ready

echo "run: building the Windows program in $BUILD"
cmake_build run "$BUILD" "${targets[*]}" --preset "$REGSCAN_WINDOWS_PRESET" -DREGSCAN_WINEPREFIX="$WINEPREFIX" || exit 1

# The view the program reads: plain `wine reg` and `wine regedit` write the
# 32-bit view of the 32-bit program, wine64's the 64-bit view of the 64-bit
# build. What an earlier run imported goes first.
echo "run: importing the demo registry tests/fixtures/demo.reg"
"$REGSCAN_WINE" reg delete 'HKLM\Software\Calderine' /f >/dev/null 2>&1 || true
"$REGSCAN_WINE" reg delete 'HKLM\SYSTEM\CurrentControlSet\Services\Orvexdrv\Orvexdrv0' /f >/dev/null 2>&1 || true
"$REGSCAN_WINE" regedit /S "$(windows_path "$ROOT/tests/fixtures/demo.reg")"
if ! "$REGSCAN_WINE" reg query 'HKLM\Software\Calderine' /v Version 2>/dev/null | grep -q '4\.2\.1'; then
    echo "run: the demo registry did not arrive in the prefix" >&2
    exit 1
fi

if [ -z "$headless" ]; then
    echo "run: opening the window on $DISPLAY; close it to end"
    "$REGSCAN_WINE" "$BUILD/regscan.exe"
    exit 0
fi

target="$OUT/regparams-demo.xml"
picture="$OUT/regparams-demo.bmp"
rm -f "$target" "$picture" "$OUT/regparams-demo.png"
echo "run: no display; one export on the virtual screen $DISPLAY"
shown="$("$REGSCAN_WINE" "$BUILD/tests/e2e/regscan_demo_driver.exe" "$(windows_path "$target")" "$(windows_path "$picture")" |
    tr -d '\r')"
if [ ! -f "$target" ]; then
    echo "run: the export wrote no file" >&2
    exit 1
fi

echo
echo "Saved: $target"
echo "The program shows: $shown"
echo
cat "$target"
echo
if command -v xmllint >/dev/null 2>&1; then
    xmllint --noout --schema "$ROOT/docs/regparams.xsd" "$target" 2>&1 | sed 's/^/Schema check: /'
fi
if [ -f "$picture" ]; then
    if command -v convert >/dev/null 2>&1 && convert "$picture" "$OUT/regparams-demo.png" 2>/dev/null; then
        rm -f "$picture"
        picture="$OUT/regparams-demo.png"
    fi
    echo "Screenshot: $picture"
fi
