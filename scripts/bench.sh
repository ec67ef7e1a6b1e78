#!/usr/bin/env bash
# Benchmarks of the export, printed as the tables of docs/performance.md.
#
# Builds the benchmark programs (build/bench-windows, build/bench-standin),
# prepares a Wine prefix of its own (build/bench-prefix), writes the
# generated subtrees into its 32-bit registry view, then runs interleaved
# rounds with every program and the wineserver pinned to CPU 0:
#   Windows build under Wine: the export (scan + saveXml), the same scan
#   and document through the bare DOM calls (DOM floor), the bare walk
#   (walk floor), Wine's 32-bit `reg export` and `regedit /E`, and an empty
#   process (start-up);
#   stand-in build: the export and the DOM floor.
# Round 0 of each size is a warm-up and is left out of the medians. The
# programs print records; bench/tables.sh turns them into the tables.
#
# Environment: BENCH_SIZES (default "1000 10000 100000"), BENCH_ROUNDS
# (default 5), BENCH_ROUNDS_LARGE (rounds at 100,000 keys and more, default
# 3: one Windows round there takes one to three minutes).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
SIZES="${BENCH_SIZES:-1000 10000 100000}"
ROUNDS="${BENCH_ROUNDS:-5}"
ROUNDS_LARGE="${BENCH_ROUNDS_LARGE:-3}"
CPU=0
OUT="$ROOT/build/bench-out"
RESULTS="$OUT/results.txt"
LOGS="$ROOT/build/logs"
STATUS=0

"$ROOT/scripts/setup.sh" || { echo "setup failed"; exit 1; }
mkdir -p "$OUT" "$LOGS"
rm -f "$OUT"/*.xml "$OUT"/*.reg "$RESULTS"

say() { echo "bench: $*" >&2; }

# ---- builds -------------------------------------------------------------------
source "$ROOT/scripts/cmake-build.sh"
build() {
    local name="$1" dir="$2" targets="$3"
    shift 3
    say "building $name"
    cmake_build "bench-$name" "$dir" "$targets" -S "$ROOT" -G Ninja -DREGSCAN_BENCH=ON -DREGSCAN_TESTS=OFF "$@" || exit 1
}
# utilcls.cpp's bounded formatting trips -Wformat-truncation once optimised
# with the host g++; the stand-in is otherwise built Debug only.
build standin "$ROOT/build/bench-standin" regscan_bench \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-Wno-error=format-truncation
STANDIN="$ROOT/build/bench-standin/bench/regscan_bench"

export REGSCAN_WINEPREFIX="$ROOT/build/bench-prefix"
source "$ROOT/scripts/wine-env.sh"
# The figures are the 32-bit program's, beside Wine's 32-bit reg and regedit.
if [ -z "$REGSCAN_WINE32" ]; then
    say "the Windows benchmarks measure the 32-bit program: they need a 32-bit Wine that runs here"
    exit 1
fi
unset DISPLAY # nothing here opens a window
build windows "$ROOT/build/bench-windows" regscan_bench -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DREGSCAN_WINEPREFIX="$WINEPREFIX"
WINBENCH="$ROOT/build/bench-windows/bench/regscan_bench.exe"

# ---- the prefix and its wineserver, pinned --------------------------------------
say "preparing $WINEPREFIX"
wine_prefix_ready

# The wineserver of this prefix: the one whose working folder is named after
# the prefix's device and inode.
wineserver_pid() {
    local name pid
    name="server-$(printf '%x' "$(stat -c %d "$WINEPREFIX")")-$(printf '%x' "$(stat -c %i "$WINEPREFIX")")"
    for pid in $(pgrep -x 'wineserver(32|64)?' || true); do
        if [ "$(basename "$(readlink "/proc/$pid/cwd" 2>/dev/null)")" = "$name" ]; then
            echo "$pid"
            return
        fi
    done
}

start_pinned_wineserver() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
    taskset -c "$CPU" wineserver -p
    taskset -c "$CPU" wine wineboot >/dev/null 2>&1
    local pid
    pid="$(wineserver_pid)"
    say "wineserver ${pid:-?} runs on CPU(s) $(taskset -cp "${pid:-0}" 2>/dev/null | sed 's/.*: //')"
}
stop_wineserver() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
}
trap stop_wineserver EXIT

start_pinned_wineserver
winpath() { echo "Z:${1//\//\\}"; }

# ---- generated subtrees -----------------------------------------------------------
for size in $SIZES; do
    say "generating $size keys"
    taskset -c "$CPU" wine "$WINBENCH" generate "$size" | tee -a "$LOGS/bench-generate.log" >&2
done
# Restarting writes the registry to disk now rather than during the rounds.
start_pinned_wineserver

# ---- rounds ---------------------------------------------------------------------
now_us() { echo $(($(date +%s%N) / 1000)); }

# run_timed BUILD SIZE ROUND KIND COMMAND...: runs the command pinned, and
# appends its record with the wall time to the results.
run_timed() {
    local build="$1" size="$2" round="$3" kind="$4"
    shift 4
    local start end record wall
    start=$(now_us)
    if ! record="$(timeout 1200 taskset -c "$CPU" "$@" 2>>"$LOGS/bench-errors.log")"; then
        say "$build $kind $size round $round failed (see $LOGS/bench-errors.log)"
        STATUS=1
        return 0
    fi
    end=$(now_us)
    wall=$((end - start))
    record="$(echo "$record" | tr -d '\r' | grep '^kind=' || echo "kind=$kind")"
    echo "build=$build size=$size round=$round wall_ms=$((wall / 1000)).$(printf '%03d' $((wall % 1000))) $record" \
        >>"$RESULTS"
}

windows_kind() {
    local size="$1" round="$2" kind="$3"
    case "$kind" in
        export)
            run_timed windows "$size" "$round" export wine "$WINBENCH" export "$size" \
                "$(winpath "$OUT/windows-$size.xml")" ;;
        domfloor)
            run_timed windows "$size" "$round" domfloor wine "$WINBENCH" domfloor "$size" \
                "$(winpath "$OUT/windows-domfloor-$size.xml")" ;;
        floor) run_timed windows "$size" "$round" floor wine "$WINBENCH" floor "$size" ;;
        regexport)
            run_timed windows "$size" "$round" regexport wine 'C:\windows\syswow64\reg.exe' export \
                "HKLM\\Software\\RegScanBench\\Keys$size" "$(winpath "$OUT/reg-$size.reg")" /y ;;
        regedit)
            run_timed windows "$size" "$round" regedit wine 'C:\windows\syswow64\regedit.exe' /E \
                "$(winpath "$OUT/regedit-$size.reg")" "HKEY_LOCAL_MACHINE\\Software\\RegScanBench\\Keys$size" ;;
        noop) run_timed windows "$size" "$round" noop wine "$WINBENCH" noop ;;
    esac
}

# The stand-in's registry lives only as long as its process: each run fills
# it first (--fill, untimed).
standin_kind() {
    local size="$1" round="$2" kind="$3"
    case "$kind" in
        export)
            run_timed standin "$size" "$round" export "$STANDIN" --fill export "$size" "$OUT/standin-$size.xml" ;;
        domfloor)
            run_timed standin "$size" "$round" domfloor "$STANDIN" --fill domfloor "$size" \
                "$OUT/standin-domfloor-$size.xml" ;;
    esac
}

# rounds_for SIZE: measured rounds at that size.
rounds_for() { if [ "$1" -ge 100000 ]; then echo "$ROUNDS_LARGE"; else echo "$ROUNDS"; fi; }

# run_rounds RUNNER SIZE KIND...: the warm-up, then the rounds, each running
# every kind once, starting one kind later each round so that no kind always
# follows the same one.
run_rounds() {
    local runner="$1" size="$2"
    shift 2
    local kinds=("$@") count=$# round i
    for ((round = 0; round <= $(rounds_for "$size"); round++)); do
        say "$runner $size keys, round $round of $(rounds_for "$size")"
        for ((i = 0; i < count; i++)); do
            local kind="${kinds[$(((i + round) % count))]}"
            # A warm-up export of the largest subtree would cost minutes and
            # warm nothing the smaller sizes have not.
            if [ "$round" = 0 ] && [ "$size" -ge 100000 ] && [ "$kind" = export ]; then continue; fi
            "$runner" "$size" "$round" "$kind"
        done
    done
}

LOAD_BEFORE="$(cut -d' ' -f1-3 /proc/loadavg)"
BEGIN=$(date +%s)
for size in $SIZES; do
    run_rounds standin_kind "$size" export domfloor
done
for size in $SIZES; do
    run_rounds windows_kind "$size" export domfloor floor regexport regedit noop
done
ELAPSED=$(($(date +%s) - BEGIN))
LOAD_AFTER="$(cut -d' ' -f1-3 /proc/loadavg)"

# ---- checks: every export wrote the same document -------------------------------
check_same() {
    if cmp -s "$1" "$2"; then
        say "same bytes: $(basename "$1") $(basename "$2")"
    else
        say "DIFFERENT: $(basename "$1") $(basename "$2")"
        STATUS=1
    fi
}
for size in $SIZES; do
    check_same "$OUT/windows-$size.xml" "$OUT/standin-$size.xml"
    check_same "$OUT/windows-$size.xml" "$OUT/windows-domfloor-$size.xml"
    check_same "$OUT/standin-$size.xml" "$OUT/standin-domfloor-$size.xml"
    # The peers must have exported the whole subtree, in the 32-bit view.
    for peer in reg regedit; do
        keys="$(iconv -f UTF-16LE -t UTF-8 "$OUT/$peer-$size.reg" 2>/dev/null | grep -c '^\[' || true)"
        if [ "$keys" = "$size" ]; then
            say "$peer-$size.reg holds $keys keys"
        else
            say "$peer-$size.reg holds ${keys:-no} keys, not $size"
            STATUS=1
        fi
    done
done
first_size="${SIZES%% *}"
if xmllint --noout --schema "$ROOT/docs/regparams.xsd" "$OUT/windows-$first_size.xml" 2>/dev/null; then
    say "windows-$first_size.xml is valid against docs/regparams.xsd"
else
    say "windows-$first_size.xml is NOT valid against docs/regparams.xsd"
    STATUS=1
fi

# ---- the table --------------------------------------------------------------------
{
    echo "Run of $(date -u '+%Y-%m-%d %H:%M UTC'): $(wine --version), $(nproc) CPUs" \
        "($(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)), programs and wineserver on CPU $CPU;" \
        "rounds ran ${ELAPSED} s; load average $LOAD_BEFORE before, $LOAD_AFTER after."
    echo
    "$ROOT/bench/tables.sh" <"$RESULTS"
} | tee "$OUT/table.md"
rm -f "$OUT"/*.xml "$OUT"/*.reg
exit $STATUS
