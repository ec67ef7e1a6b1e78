#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, only when
# something is missing. Safe to run again. It never downgrades, removes or
# holds a package and changes no apt configuration.
#
# The 32-bit Wine (wine32:i386) is the one package the commands can do
# without: where apt cannot install it, everything else is installed, one
# line says why, and the Windows suites run the 64-bit test build instead
# (scripts/wine-env.sh). Anything else that cannot be installed stops the
# set-up, named. Its own messages go to stderr, apt's output to stdout.
# REGSCAN_OS_RELEASE names another os-release file (tests give their own).
set -euo pipefail

wine32=wine32:i386
packages=(cmake ninja-build g++ clang libclang-rt-14-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest libgtest-dev
          libxml2-dev libxml2-utils wine "$wine32" wine64 xvfb xauth fonts-wine imagemagick valgrind
          procps git zip unzip locales)

missing=()
others=()
wine32_missing=""
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" && continue
    missing+=("$p")
    if [ "$p" = "$wine32" ]; then wine32_missing=1; else others+=("$p"); fi
done
if ((${#missing[@]} == 0)); then
    exit 0
fi

SUDO=""
if [ "$(id -u)" != 0 ]; then
    if command -v sudo >/dev/null; then
        SUDO=sudo
    else
        as_root="as root, run: $(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/setup.sh"
        if ((${#others[@]})); then
            echo "setup: missing: ${missing[*]}; installing them needs root, and this user has no sudo: $as_root" >&2
            exit 1
        fi
        echo "setup: the 32-bit Wine ($wine32) is not installed, and without root or sudo it cannot be; to install it, $as_root" >&2
        exit 0
    fi
fi
echo "setup: installing ${missing[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi

# A mirror in mid-sync can serve one index with the wrong size; apt-get update
# then fails although it kept the other indexes. Name what failed and go on:
# the install below shows whether what this machine has is enough.
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
if ! $SUDO apt-get update -q 2>&1 | tee "$log"; then
    failed="$(sed -n 's/^[EW]: Failed to fetch //p' "$log")"
    [ -n "$failed" ] || echo "setup: warning: apt-get update failed; going on with the package indexes this machine has" >&2
    while IFS= read -r line; do
        [ -z "$line" ] || echo "setup: warning: index not updated, going on with the one this machine has: ${line%%  *} (${line#*  })" >&2
    done <<<"$failed"
fi

apt_install() {
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends --no-remove "$@"
}

if ((${#others[@]})) && ! apt_install "${others[@]}"; then
    # Each one alone shows which apt cannot install (a simulation needs no root).
    unresolved=()
    for p in "${others[@]}"; do
        apt-get install -s -q --no-install-recommends --no-remove "$p" >/dev/null 2>&1 || unresolved+=("$p")
    done
    ((${#unresolved[@]})) || unresolved=("${others[@]}")
    cat >&2 <<EOF
setup: could not install ${unresolved[*]}; apt cannot resolve what it needs here.
setup: the set-up is made for Debian 12 (the README says what to look for elsewhere).
       On Debian 12 the likely cause is a mirror in mid-sync: wait for it, then run
       'apt-get update' and this command again.
EOF
    exit 1
fi
[ -n "$wine32_missing" ] || exit 0

# The i386 twins of Multi-Arch: same libraries must match the installed amd64
# versions. Mid-sync, the mirror offers the amd64 ones from the security suite
# while the i386 ones exist only in the release's own suite: pinned to that
# suite, apt can find a set that fits (not where a newer one is installed).
# The pin is for the 32-bit Wine alone: everything else keeps its updates.
# apt's output is kept for the reason in one line below.
echo "setup: installing the 32-bit Wine ($wine32) on its own" >&2
if apt_install "$wine32" >"$log" 2>&1; then
    exit 0
fi
# shellcheck source=/dev/null
codename="$(. "${REGSCAN_OS_RELEASE:-/etc/os-release}" 2>/dev/null; echo "${VERSION_CODENAME:-}")"
if [ -n "$codename" ] && apt_install -t "$codename" "$wine32" >"$log" 2>&1; then
    echo "setup: the 32-bit Wine ($wine32) could only be installed pinned to $codename: its i386 packages are that suite's, without their security updates; a later 'apt-get upgrade' brings those" >&2
    exit 0
fi
# The i386 packages that apt names as needed in its unmet dependencies and
# does not list there as broken themselves: the ones it found no version of.
i386_unresolved="$(LC_ALL=C comm -23 <(grep -oE 'Depends: [^ ]+:i386' "$log" | cut -d' ' -f2 | LC_ALL=C sort -u) \
    <(sed -nE 's/^ ([^ ]+:i386) : .*/\1/p' "$log" | LC_ALL=C sort -u) | paste -sd' ')"
echo "setup: the 32-bit Wine ($wine32) could not be installed, everything else is:" \
    "apt could not resolve ${i386_unresolved:-it}${codename:+, not even pinned to $codename}" >&2
exit 0
