#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 or Ubuntu,
# only when something is missing. Safe to run again. It never downgrades,
# removes or holds a package and changes no apt configuration.
# REGSCAN_OS_RELEASE names another os-release file (tests give their own).
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest libgtest-dev
          libxml2-dev libxml2-utils wine wine32:i386 wine64 xvfb xauth fonts-wine imagemagick valgrind
          procps git zip unzip locales)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
    exit 0
fi

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi

# A mirror in mid-sync can serve one index with the wrong size; apt-get update
# then fails although it kept the other indexes. Name what failed and go on:
# the install below shows whether what this machine has is enough.
update_log="$(mktemp)"
trap 'rm -f "$update_log"' EXIT
if ! $SUDO apt-get update -q 2>&1 | tee "$update_log"; then
    failed="$(sed -n 's/^[EW]: Failed to fetch //p' "$update_log")"
    [ -n "$failed" ] || echo "setup: warning: apt-get update failed; going on with the package indexes this machine has" >&2
    while IFS= read -r line; do
        [ -z "$line" ] || echo "setup: warning: index not updated, going on with the one this machine has: ${line%%  *} (${line#*  })" >&2
    done <<<"$failed"
fi

apt_install() {
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends --no-remove "$@" "${missing[@]}"
}
if apt_install; then
    exit 0
fi

# The i386 twins of Multi-Arch: same libraries must match the installed amd64
# versions. Mid-sync, the mirror offers the amd64 ones from the security suite
# while the i386 ones exist only in the release's own suite: pinned to that
# suite, apt can find a set that fits (not where a newer one is installed).
# shellcheck source=/dev/null
codename="$(. "${REGSCAN_OS_RELEASE:-/etc/os-release}" 2>/dev/null; echo "${VERSION_CODENAME:-}")"
if [ -n "$codename" ]; then
    echo "setup: apt could not install them; trying once more pinned to $codename (-t $codename)" >&2
    if apt_install -t "$codename"; then
        exit 0
    fi
fi
cat >&2 <<EOF
setup: could not install: ${missing[*]}
setup: apt could not resolve them${codename:+, not even pinned to $codename}. The likely cause is the
       mirror: its i386 package index is behind its amd64 one (a sync in progress), so
       the i386 twins of the installed amd64 libraries are not there in the same version.
setup: wait for the mirror to finish its sync, run 'apt-get update' again, then run
       this command again.
EOF
exit 1
