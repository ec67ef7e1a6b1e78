#!/usr/bin/env bash
# Makes the release: builds the Windows program in build/windows (the build
# the tests run) and packs it with CPack (the `package` target) into
# dist/regscan-<version>-win32.zip. Two runs on one commit give the same
# bytes; the zip's file times are the commit's (or SOURCE_DATE_EPOCH).
# On a machine that cannot run 32-bit programs the program is built and
# packed all the same; its tests are built but not listed (listing runs them).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${REGSCAN_BUILD_DIR:-$ROOT/build/windows}"
JOBS="${JOBS:-2}"
LOG="$ROOT/build/logs/build-release.log"

"$ROOT/scripts/setup.sh"
# shellcheck source=scripts/wine-env.sh
source "$ROOT/scripts/wine-env.sh"
# The build lists its tests by running them under Wine.
[ -z "$REGSCAN_WINE32" ] || wine_prefix_ready

mkdir -p "$(dirname "$LOG")"
if ! { (cd "$ROOT" && cmake --preset windows -B "$BUILD" -DREGSCAN_WINEPREFIX="$WINEPREFIX" \
    -DREGSCAN_WINE="$REGSCAN_WINE32") &&
    cmake --build "$BUILD" -j"$JOBS" --target package; } >"$LOG" 2>&1; then
    tail -40 "$LOG"
    echo "release: the build failed; the whole log is $LOG" >&2
    exit 1
fi

zip="$(sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' "$LOG" | tail -1)"
if [ ! -f "$zip" ]; then
    echo "release: CPack named no package; the whole log is $LOG" >&2
    exit 1
fi
mkdir -p "$ROOT/dist"
cp "$zip" "$ROOT/dist/"
echo "release: dist/$(basename "$zip"), $(stat -c %s "$zip") bytes"
unzip -l "$ROOT/dist/$(basename "$zip")"
