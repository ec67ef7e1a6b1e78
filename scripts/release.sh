#!/usr/bin/env bash
# Makes the release: builds the Windows program in build/windows (the build
# the tests run) and packs it with CPack (the `package` target) into
# dist/regscan-<version>-win32.zip. Two runs on one commit give the same
# bytes; the zip's file times are the commit's (or SOURCE_DATE_EPOCH).
# Where no 32-bit Wine runs (scripts/wine-env.sh) the program is built and
# packed all the same; its tests are built but not listed (listing runs them).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${REGSCAN_BUILD_DIR:-$ROOT/build/windows}"
# The log of `cmake_build release` (scripts/cmake-build.sh): CPack names the zip there.
LOG="$ROOT/build/logs/build-release.log"

"$ROOT/scripts/setup.sh"
# shellcheck source=scripts/wine-env.sh
source "$ROOT/scripts/wine-env.sh"
# shellcheck source=scripts/cmake-build.sh
source "$ROOT/scripts/cmake-build.sh"
# The build lists its tests by running them under Wine.
[ -z "$REGSCAN_WINE32" ] || wine_prefix_ready

cmake_build release "$BUILD" package --preset windows -DREGSCAN_WINEPREFIX="$WINEPREFIX" || exit 1

zip="$(sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' "$LOG" | tail -1)"
if [ ! -f "$zip" ]; then
    echo "release: CPack named no package; the whole log is $LOG" >&2
    exit 1
fi
mkdir -p "$ROOT/dist"
cp "$zip" "$ROOT/dist/"
echo "release: dist/$(basename "$zip"), $(stat -c %s "$zip") bytes"
unzip -l "$ROOT/dist/$(basename "$zip")"
