#!/usr/bin/env bash
# Checks of the release zip that scripts/release.sh made; CTest runs each as
# one test (tests/release/CMakeLists.txt).
#   release_checks.sh CHECK ARGUMENTS...
set -euo pipefail

fail() {
    echo "release check: $*" >&2
    exit 1
}

# The files of the zip, in the zip's order.
readonly FILES=(regscan.exe README.txt regparams.xsd SHA256SUMS)

# unpack ZIP FOLDER: a fresh copy of the zip's files for the other checks.
unpack() {
    local zip="$1" folder="$2"
    [ -f "$zip" ] || fail "no $zip: run scripts/release.sh first"
    rm -rf "$folder"
    mkdir -p "$folder"
    unzip -q "$zip" -d "$folder"
}

# listing ZIP: exactly the release's files, in a fixed order, at the top.
listing() {
    local listed
    listed="$(unzip -Z1 "$1")"
    [ "$listed" = "$(printf '%s\n' "${FILES[@]}")" ] || fail "the zip holds:"$'\n'"$listed"
}

# checksums FOLDER: SHA256SUMS names every other file once and each matches.
checksums() {
    local folder="$1"
    (cd "$folder" && sha256sum --check --strict SHA256SUMS) || fail "a checksum does not match"
    [ "$(cut -c67- "$folder/SHA256SUMS")" = "$(printf '%s\n' "${FILES[@]:0:3}")" ] ||
        fail "SHA256SUMS names: $(cut -c67- "$folder/SHA256SUMS" | tr '\n' ' ')"
}

# same_file SHIPPED TESTED: the shipped file is the one the tests ran.
same_file() {
    cmp "$1" "$2" || fail "$1 is not $2"
}

# guide FOLDER: every line ends in CR LF, and it fits one printed page.
guide() {
    local text="$1/README.txt"
    [ -s "$text" ] || fail "no README.txt"
    [ "$(tail -c 2 "$text" | od -An -tx1 | tr -d ' ')" = 0d0a ] || fail "README.txt does not end in CR LF"
    local bare_lf lines widest
    bare_lf="$(grep -c -v $'\r$' "$text" || true)"
    [ "$bare_lf" = 0 ] || fail "$bare_lf lines of README.txt end in LF alone"
    [ "$(tr -cd '\r' <"$text" | wc -c)" = "$(wc -l <"$text")" ] || fail "README.txt has a CR inside a line"
    lines="$(wc -l <"$text")"
    widest="$(tr -d '\r' <"$text" | awk '{ if (length($0) > m) m = length($0) } END { print m }')"
    [ "$lines" -le 60 ] && [ "$widest" -le 78 ] || fail "README.txt is $lines lines, $widest wide: more than a page"
    grep -q "version $2\$" <(tr -d '\r' <"$text") || fail "README.txt does not name version $2"
}

# program PROGRAM WINDRES: no link time in the header; the resources are the
# icon and the manifest only (no version resource, no string table).
program() {
    local exe="$1" windres="$2" header stamp types
    header=$(od -An -tu4 -j 60 -N 4 "$exe" | tr -d ' ')
    [ "$(od -An -c -j "$header" -N 4 "$exe" | tr -d ' ')" = 'PE\0\0' ] || fail "$exe is not a PE file"
    stamp=$(od -An -tu4 -j $((header + 8)) -N 4 "$exe" | tr -d ' ')
    [ "$stamp" = 0 ] || fail "the PE header holds the link time $stamp"
    types="$("$windres" -i "$exe" -O rc | sed -n 's|^/\* Type: \(.*\)$|\1|p' | tr '\n' ',')"
    [ "$types" = "icon,group icon,24," ] || fail "resource types: $types"
}

# imports PROGRAM OBJDUMP: the program imports system DLLs only, those it
# has always imported (a DLL of another name could be found beside it).
imports() {
    local exe="$1" objdump="$2" listed name
    listed="$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:lower:]' '[:upper:]' | sort)"
    [ -n "$listed" ] || fail "$objdump lists no imports of $exe"
    for name in $listed; do
        case "$name" in
            ADVAPI32.DLL | COMCTL32.DLL | COMDLG32.DLL | GDI32.DLL | KERNEL32.DLL | MSVCRT.DLL | OLE32.DLL | \
                OLEAUT32.DLL | USER32.DLL) ;;
            *) fail "the program imports $name" ;;
        esac
    done
}

# zip_again CPACK_CONFIG ZIP FOLDER: packing again gives the same bytes.
zip_again() {
    local config="$1" zip="$2" folder="$3"
    rm -rf "$folder"
    mkdir -p "$(dirname "$folder")"
    cpack --config "$config" -B "$folder" >"$folder.log" 2>&1 || fail "cpack failed; see $folder.log"
    cmp "$folder/$(basename "$zip")" "$zip" || fail "a second packing differs from $zip"
}

# exe_again SOURCE TOOLCHAIN FOLDER EXE: the program built again in another
# folder is the same to the byte.
exe_again() {
    local source="$1" toolchain="$2" folder="$3" exe="$4"
    rm -rf "$folder"
    mkdir -p "$(dirname "$folder")"
    { cmake -S "$source" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=Release -DREGSCAN_TESTS=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" && cmake --build "$folder" --target regscan_app; } \
        >"$folder.log" 2>&1 || fail "the second build failed; see $folder.log"
    cmp "$folder/regscan.exe" "$exe" || fail "the second build's program differs from $exe"
}

# skip REASON: a check this machine cannot make; CTest counts exit code 77
# as skipped.
skip() {
    echo "release check skipped: $1" >&2
    exit 77
}

check="$1"
shift
case "$check" in
    unpack | listing | checksums | same_file | guide | program | imports | zip_again | exe_again | skip) "$check" "$@" ;;
    *) fail "unknown check $check" ;;
esac
