#!/usr/bin/env bash
# Plants each fault of tests/faults/planted.txt in the product, one at a time,
# rebuilds, runs the suites and prints a table: how many tests of each suite
# failed with it (0: the suite missed it; the first row, no fault, must be 0). The
# product files must be unchanged in git; each is restored after its fault.
# Run ./scripts/test.sh once first: it sets up, configures and builds.
#   scripts/plant-faults.sh [SUITE...]   suites: standin windows e2e (default: all)
#   FAULTS=regex limits the run to the faults whose names match.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
source "$ROOT/scripts/wine-env.sh"
suites=("$@")
((${#suites[@]})) || suites=(standin windows e2e)

# suite NAME: prints how many of the suite's tests fail against the product
# as it is now ("build" when it does not build).
suite() {
    local dir=build/standin label=()
    case "$1" in
        windows) dir="$REGSCAN_WINDOWS_BUILD" label=(-LE "e2e|release") ;;
        e2e) dir="$REGSCAN_WINDOWS_BUILD" label=(-L e2e) ;;
    esac
    cmake --build "$dir" >/dev/null 2>&1 || { echo build; return; }
    ctest --test-dir "$dir" "${label[@]}" -j"$([ "$1" = standin ] && echo 2 || echo 1)" --timeout 300 2>&1 |
        sed -n 's/.* tests passed, \([0-9]*\) tests failed out of .*/\1/p'
}

if [[ " ${suites[*]} " == *" windows "* || " ${suites[*]} " == *" e2e "* ]]; then
    start_virtual_screen
    trap stop_virtual_screen EXIT
    wineserver -p >/dev/null 2>&1
    "$REGSCAN_WINE" wineboot >/dev/null 2>&1
fi

printf '%-36s' fault
printf ' %-8s' "${suites[@]}"
echo
printf '%-36s' "(none)"
for s in "${suites[@]}"; do printf ' %-8s' "$(suite "$s")"; done
echo
while IFS= read -r line; do
    [[ -z "$line" || "$line" == \#* ]] && continue
    name="${line%% | *}"
    rest="${line#* | }"
    file="${rest%% | *}"
    expression="${rest#* | }"
    [[ "$name" =~ ${FAULTS:-.} ]] || continue
    git diff --quiet -- "$file" || { echo "$file has changes of its own: stopping" >&2; exit 1; }
    perl -pi -e "$expression" "$file"
    printf '%-36s' "$name"
    if git diff --quiet -- "$file"; then
        echo " did not apply"
        continue
    fi
    for s in "${suites[@]}"; do printf ' %-8s' "$(suite "$s")"; done
    echo
    git checkout -q -- "$file"
done <"$ROOT/tests/faults/planted.txt"
# The builds again as the tree is.
cmake --build build/standin >/dev/null 2>&1
cmake --build "$REGSCAN_WINDOWS_BUILD" >/dev/null 2>&1
