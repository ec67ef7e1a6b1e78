#!/usr/bin/env bash
# Builds the export fuzzer with clang (libFuzzer, ASan, UBSan) in build/fuzz
# and runs it for the given number of seconds (default 45) on a copy of the
# committed seed corpus. Prints executions and coverage; exits non-zero on a
# finding, whose input is kept in build/fuzz/findings/.
#   scripts/fuzz.sh [seconds]
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SECONDS_TO_RUN="${1:-45}"
BUILD="$ROOT/build/fuzz"

case "$SECONDS_TO_RUN" in
    '' | *[!0-9]*) echo "usage: $0 [seconds]" >&2; exit 2 ;;
esac

# shellcheck source=scripts/cmake-build.sh
source "$ROOT/scripts/cmake-build.sh"
CC=clang CXX=clang++ cmake_build fuzz "$BUILD" export_fuzz -S "$ROOT" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DREGSCAN_FUZZ=ON || exit 1

# A fresh copy: what the run adds stays out of the committed corpus.
CORPUS="$BUILD/corpus-run"
FINDINGS="$BUILD/findings"
rm -rf "$CORPUS"
mkdir -p "$CORPUS" "$FINDINGS"
cp "$ROOT"/tests/fuzz/corpus/* "$CORPUS"/

# The files the target saves go to a folder of this run, removed at the end
# whatever way the fuzzer ends. Every save syncs its folder: a memory file
# system keeps that cheap.
SCRATCH_PARENT="${TMPDIR:-/tmp}"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then SCRATCH_PARENT=/dev/shm; fi
SCRATCH="$(mktemp -d "$SCRATCH_PARENT/regscan-fuzz-run-XXXXXX")" || exit 1
trap 'rm -rf "$SCRATCH"' EXIT
export TMPDIR="$SCRATCH"

LOG="$BUILD/fuzz.log"
ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}" \
    "$BUILD/tests/fuzz/export_fuzz" -max_total_time="$SECONDS_TO_RUN" -timeout=30 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$FINDINGS/" "$CORPUS" >"$LOG" 2>&1
STATUS=$?

EXECUTIONS=$(sed -n 's/^stat::number_of_executed_units: *//p' "$LOG" | tail -1)
LAST=$(grep -E '^#[0-9]+' "$LOG" | tail -1)
COVERAGE=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$LAST")
FEATURES=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$LAST")
CORPUS_SIZE=$(sed -n 's/.* corp: \([0-9]*\/[0-9]*[a-zA-Z]*\).*/\1/p' <<<"$LAST")
RATE=$(sed -n 's/.* exec\/s: \([0-9]*\).*/\1/p' <<<"$LAST")
echo "fuzz: ${SECONDS_TO_RUN}s, executions ${EXECUTIONS:-?} (${RATE:-?}/s), coverage ${COVERAGE:-?} edges," \
    "${FEATURES:-?} features, corpus ${CORPUS_SIZE:-?}"

if [ "$STATUS" != 0 ]; then
    grep -E "export_fuzz:|ERROR:|SUMMARY:|runtime error|Test unit written" "$LOG" | head -20
    echo "fuzz: finding (exit $STATUS); log: $LOG; inputs in $FINDINGS"
    exit 1
fi
echo "fuzz: no findings"
