# shellcheck shell=bash
# Sourced: configures and builds one build with its output in a log. On
# failure it shows the log's tail, names the whole log and returns non-zero.
#   cmake_build NAME FOLDER TARGETS CONFIGURE-ARGUMENT...
# NAME names the log (build/logs/build-NAME.log) and the message; TARGETS
# is a space-separated list, empty for all; the configure arguments are
# --preset NAME or -S and -G, with any -D (the folder is given as -B).
ROOT="${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
cmake_build() {
    local name="$1" folder="$2" targets="$3"
    shift 3
    local log="$ROOT/build/logs/build-$name.log"
    mkdir -p "$(dirname "$log")"
    # Presets are found from the source folder.
    # shellcheck disable=SC2086
    if ! { (cd "$ROOT" && cmake -B "$folder" "$@") &&
        cmake --build "$folder" -j"${JOBS:-2}" ${targets:+--target $targets}; } >"$log" 2>&1; then
        tail -40 "$log"
        echo "$name: the build failed; the whole log is $log" >&2
        return 1
    fi
}
