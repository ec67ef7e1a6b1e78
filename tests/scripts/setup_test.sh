#!/usr/bin/env bash
# scripts/setup.sh against a fake apt: fake apt-get, apt-mark, dpkg,
# dpkg-query, id and sudo first on PATH record what they are asked and
# answer as the row says: a mirror in mid-sync, packages apt cannot resolve,
# a user with or without sudo. Never calls the real apt; needs no root.
#   setup_test.sh PATH/TO/setup.sh
set -uo pipefail
SETUP="$1"
SETUP_PATH="$(cd "$(dirname "$SETUP")" && pwd)/$(basename "$SETUP")"

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
FAKES="$WORK/bin"
mkdir -p "$FAKES" "$WORK/sudo" "$WORK/no-sudo"

# Each fake appends its command line to $CALLS, after "sudo " when sudo ran
# it. The row's answers come in FAKE_* variables.
cat >"$FAKES/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "${FAKE_VIA_SUDO:-}apt-get $*" >>"$CALLS"
case "$1" in
update)
    if [ "$FAKE_UPDATE" = size_error ]; then
        echo "Err:5 http://deb.debian.org/debian-security bookworm-security/main i386 Packages"
        echo "  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 151.101.2.132 80]"
        echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 151.101.2.132 80]" >&2
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
        exit 100
    fi ;;
install)
    unresolvable="$FAKE_UNRESOLVABLE"
    [[ " $* " == *" -t "* ]] && unresolvable="$FAKE_UNRESOLVABLE_PINNED"
    for p in "$@"; do
        [[ " $unresolvable " == *" $p "* ]] || continue
        echo "The following packages have unmet dependencies:"
        if [ "$p" = wine32:i386 ]; then
            # As apt says it where the security suite's i386 index is missing.
            echo " libgssapi-krb5-2:i386 : Depends: libkrb5-3:i386 (>= 1.20) but it is not going to be installed"
            echo " libkrb5-3:i386 : Depends: libssl3:i386 (>= 3.0.0) but it is not going to be installed"
            echo " libxml2:i386 : Depends: liblzma5:i386 (>= 5.1.1alpha+20120614) but it is not going to be installed"
            echo "                Depends: zlib1g:i386 (>= 1:1.2.3.3) but it is not going to be installed"
            echo " util-linux : PreDepends: libsystemd0"
        else
            echo " $p : Depends: libllvm14 (= 1:14.0.6-12) but it is not going to be installed"
        fi
        echo "E: Unable to correct problems, you have held broken packages." >&2
        exit 100
    done ;;
esac
exit 0
EOF
cat >"$FAKES/dpkg-query" <<'EOF'
#!/usr/bin/env bash
package="${*: -1}"
for m in $FAKE_MISSING; do
    if [ "$m" = "$package" ]; then
        echo "dpkg-query: no packages found matching $package" >&2
        exit 1
    fi
done
printf 'install ok installed'
EOF
cat >"$FAKES/dpkg" <<'EOF'
#!/usr/bin/env bash
if [ "$1" = --print-foreign-architectures ]; then
    [ -z "$FAKE_FOREIGN" ] || echo "$FAKE_FOREIGN"
else
    echo "${FAKE_VIA_SUDO:-}dpkg $*" >>"$CALLS"
fi
EOF
cat >"$FAKES/apt-mark" <<'EOF'
#!/usr/bin/env bash
echo "${FAKE_VIA_SUDO:-}apt-mark $*" >>"$CALLS"
EOF
cat >"$FAKES/id" <<'EOF'
#!/usr/bin/env bash
[ "$1" = -u ] && echo "$FAKE_UID"
EOF
cat >"$WORK/sudo/sudo" <<'EOF'
#!/usr/bin/env bash
FAKE_VIA_SUDO="sudo " exec "$@"
EOF
chmod +x "$FAKES"/* "$WORK/sudo/sudo"
printf 'ID=debian\nVERSION_CODENAME=bookworm\n' >"$WORK/os-release"
# For the rows without sudo: every command of this PATH but sudo.
IFS=: read -r -a path_dirs <<<"$PATH"
for d in "${path_dirs[@]}"; do
    [ -d "$d" ] && ln -s "$d"/* "$WORK/no-sudo/" 2>/dev/null
done
rm -f "$WORK/no-sudo/sudo"

# The apt and dpkg calls in order, each as its verb, its "-t" pin and "-s"
# (a simulation) if any, and its packages; options apart from those are
# checked on their own below.
what_was_asked() {
    local words w pin
    while read -r -a words; do
        local out=("${words[0]}" "${words[1]}")
        pin=""
        for ((i = 2; i < ${#words[@]}; i++)); do
            w="${words[i]}"
            if [ -n "$pin" ]; then
                out+=("$w")
                pin=""
            elif [ "$w" = -t ]; then
                out+=(-t)
                pin=1
            elif [ "$w" = -s ] || [[ "$w" != -* ]]; then
                out+=("$w")
            fi
        done
        echo "${out[*]}"
    done <"$CALLS"
}

failures=0
rows=0
fail() {
    echo "FAILED [$row]: $*"
    failures=$((failures + 1))
}

# user: root, sudo (a user with sudo) or nosudo (a user without it).
# row | user | missing | foreign archs | update | unresolvable | unresolvable pinned | exit | apt and dpkg asked (;) | its own messages (stderr; apt's output goes to stdout) hold, each in one line (^)
TABLE="
a fresh machine, everything resolves|root|wine32:i386 locales||ok|||0|dpkg --add-architecture i386;apt-get update;apt-get install locales;apt-get install wine32:i386|setup: installing wine32:i386 locales
mirror mid-sync, the 32-bit Wine only pinned|root|wine32:i386 locales||size_error|wine32:i386||0|dpkg --add-architecture i386;apt-get update;apt-get install locales;apt-get install wine32:i386;apt-get install -t bookworm wine32:i386|warning: index not updated, going on with the one this machine has: http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz (File has unexpected size (374820 != 376004). Mirror sync in progress?^setup: the 32-bit Wine (wine32:i386) could only be installed pinned to bookworm: its i386 packages are that suite's, without their security updates; a later 'apt-get upgrade' brings those
wine32 unresolvable, the rest installs|root|wine32:i386 locales zip|i386|size_error|wine32:i386|wine32:i386|0|apt-get update;apt-get install zip locales;apt-get install wine32:i386;apt-get install -t bookworm wine32:i386|setup: the 32-bit Wine (wine32:i386) could not be installed, everything else is: apt could not resolve liblzma5:i386 libssl3:i386 zlib1g:i386, not even pinned to bookworm
another package unresolvable|root|wine32:i386 libclang-rt-14-dev locales|i386|ok|libclang-rt-14-dev||1|apt-get update;apt-get install libclang-rt-14-dev locales;apt-get install -s libclang-rt-14-dev;apt-get install -s locales|setup: could not install libclang-rt-14-dev; apt cannot resolve^made for Debian 12^'apt-get update' and this command again
a user with sudo|sudo|locales|i386|ok|||0|sudo apt-get update;sudo apt-get install locales|setup: installing locales
no sudo, packages missing|nosudo|wine32:i386 locales||ok|||1||setup: missing: wine32:i386 locales; installing them needs root, and this user has no sudo: as root, run: $SETUP_PATH
no sudo, only the 32-bit Wine missing|nosudo|wine32:i386|i386|ok|||0||setup: the 32-bit Wine (wine32:i386) is not installed, and without root or sudo it cannot be; to install it, as root, run: $SETUP_PATH
all installed|root||i386|ok|||0||
"

while IFS='|' read -r row user missing foreign update unresolvable pinned want_rc want_calls want_text; do
    [ -n "$row" ] || continue
    export CALLS="$WORK/calls" FAKE_MISSING="$missing" FAKE_FOREIGN="$foreign" FAKE_UPDATE="$update" \
        FAKE_UNRESOLVABLE="$unresolvable" FAKE_UNRESOLVABLE_PINNED="$pinned" FAKE_UID=1000
    row_path="$FAKES:$WORK/sudo:$PATH"
    case "$user" in
        root) FAKE_UID=0 ;;
        nosudo) row_path="$FAKES:$WORK/no-sudo" ;;
    esac
    : >"$CALLS"
    PATH="$row_path" REGSCAN_OS_RELEASE="$WORK/os-release" "$SETUP" >"$WORK/out" 2>"$WORK/err"
    rc=$?
    output="$(cat "$WORK/err")"

    [ "$rc" = "$want_rc" ] || fail "exit code $rc, expected $want_rc"
    asked="$(what_was_asked)"
    [ "$asked" = "$(tr ';' '\n' <<<"$want_calls" | sed '/^$/d')" ] || fail "asked:"$'\n'"$asked"
    grep -E -- '--allow|--force|apt-mark' "$CALLS" && fail "asked to downgrade, remove or hold"
    grep 'apt-get install' "$CALLS" | grep -v -- '--no-remove' && fail "an install may remove packages"
    IFS='^' read -r -a texts <<<"$want_text"
    for text in "${texts[@]}"; do
        grep -qF -- "$text" <<<"$output" || fail "no \"$text\" in:"$'\n'"$output"
    done
    if [ -z "$want_text" ] && { [ -s "$WORK/out" ] || [ -s "$WORK/err" ]; }; then
        fail "printed:"$'\n'"$(cat "$WORK/out" "$WORK/err")"
    fi
    rows=$((rows + 1))
done <<<"$TABLE"

((failures == 0)) && echo "setup: $rows paths hold"
exit $((failures != 0))
