#!/usr/bin/env bash
# Sets up everything that is missing, builds both builds and runs every test
# suite: the stand-in build plainly and under ASan+UBSan, the Windows build
# under Wine, the end-to-end suite of the real program, and the release zip
# (scripts/release.sh) with its checks. One summary line per suite; exits
# non-zero when anything failed.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
JOBS="${JOBS:-2}"

"$ROOT/scripts/setup.sh" || { echo "setup failed"; exit 1; }
source "$ROOT/scripts/wine-env.sh"
source "$ROOT/scripts/cmake-build.sh"

declare -a SUMMARY=()
STATUS=0

# Runs one suite; records "suite: N passed, N failed" from CTest's output,
# and ", N skipped" when CTest skipped any (a check this machine cannot make).
run_ctest_suite() {
    local name="$1" dir="$2"
    shift 2
    local log="$ROOT/build/logs/$name.log"
    mkdir -p "$ROOT/build/logs"
    (cd "$dir" && ctest --output-on-failure --timeout 600 -j"$JOBS" "$@") >"$log" 2>&1
    local rc=$?
    local total failed skipped
    total=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2/p' "$log" | tail -1)
    failed=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -1)
    # CTest lists a skipped test once per run ("N - name (Skipped)"), and
    # counts it in the total.
    skipped=$(grep -E '^\s+[0-9]+ - .* \(Skipped\)$' "$log" | sort -u | wc -l)
    total=${total:-0}
    failed=${failed:-0}
    # Only the tests that did not pass, and the reason.
    grep -E "\*\*\*Failed|\((Failed|SEGFAULT|Subprocess aborted|Timeout|Not Run|Skipped)\)|\*\*\*Timeout|Not Run" "$log" | head -40
    # CTest keeps a skipped test's output to itself: its reason, from the run's record.
    [ "$skipped" = 0 ] || grep -h "skipped: " "$dir/Testing/Temporary/LastTest.log" | sort -u | sed 's/^/    /'
    if [ "$rc" != 0 ] || [ "$total" = 0 ]; then
        STATUS=1
        [ "$failed" = 0 ] && failed=1
    fi
    local line="$name: $((total - failed - skipped)) passed, $failed failed"
    [ "$skipped" = 0 ] || line+=", $skipped skipped"
    SUMMARY+=("$line")
}

# Configures and builds one of the presets of CMakePresets.json.
build() {
    local name="$1" dir="$2"
    shift 2
    if ! cmake_build "$name" "$dir" "" --preset "$name" "$@"; then
        SUMMARY+=("$name: build failed")
        STATUS=1
        return 1
    fi
}

# ---- stand-in build ---------------------------------------------------------
if build standin "$ROOT/build/standin"; then
    run_ctest_suite standin "$ROOT/build/standin"
fi
if build sanitize "$ROOT/build/sanitize"; then
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        run_ctest_suite sanitize "$ROOT/build/sanitize"
fi

# ---- bounded fuzz run of the export (clang's libFuzzer) ------------------------
if "$ROOT/scripts/fuzz.sh" "${FUZZ_SECONDS:-45}"; then
    SUMMARY+=("fuzz: 1 passed, 0 failed")
else
    SUMMARY+=("fuzz: 0 passed, 1 failed")
    STATUS=1
fi

# ---- Windows build under Wine -----------------------------------------------
wine_prefix_ready
compile_locales
start_virtual_screen
wineserver -p >/dev/null 2>&1
"$REGSCAN_WINE" wineboot >/dev/null 2>&1
# The 32-bit program, or where no 32-bit Wine runs here, a 64-bit build of
# the same sources (scripts/wine-env.sh).
WINDOWS_BUILD="$REGSCAN_WINDOWS_BUILD"
if build "$REGSCAN_WINDOWS_PRESET" "$WINDOWS_BUILD" -DREGSCAN_WINEPREFIX="$WINEPREFIX" \
    -DREGSCAN_LOCALE_DIR="$REGSCAN_LOCALE_DIR"; then
    # Wine's registry and windows are one per prefix: one test at a time.
    JOBS=1 run_ctest_suite windows "$WINDOWS_BUILD" -LE "e2e|release"
    # The real program driven as a person would, screenshots in e2e-shots of the build.
    # A test that fails is run once more: once in about 200 starts under Wine
    # and Xvfb the program ended (code 0) before its main window showed. A
    # test that fails twice fails the suite; the log keeps both runs.
    JOBS=1 run_ctest_suite e2e "$WINDOWS_BUILD" -L e2e --repeat until-pass:2
    # The release command (the 32-bit program, in build/windows), then the
    # checks of the zip it made.
    if "$ROOT/scripts/release.sh" >"$ROOT/build/logs/release-command.log" 2>&1; then
        JOBS=1 run_ctest_suite release "$ROOT/build/windows" -L release --repeat until-pass:2
    else
        tail -20 "$ROOT/build/logs/release-command.log"
        SUMMARY+=("release: 0 passed, 1 failed")
        STATUS=1
    fi
fi
wineserver -k >/dev/null 2>&1
stop_virtual_screen

echo
echo "==== summary"
for line in "${SUMMARY[@]}"; do echo "$line"; done
exit $STATUS
