#!/usr/bin/env bash
# scripts/setup.sh against a fake apt: fake apt-get, apt-mark, dpkg,
# dpkg-query and sudo first on PATH record what they are asked and answer as
# a mirror in mid-sync would. Never calls the real apt; needs no root.
#   setup_test.sh PATH/TO/setup.sh
set -uo pipefail
SETUP="$1"

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
FAKES="$WORK/bin"
mkdir -p "$FAKES"

# Each fake appends its command line to $CALLS. The row's answers come in
# FAKE_* variables.
cat >"$FAKES/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$CALLS"
unresolvable() {
    echo "E: Unable to correct problems, you have held broken packages." >&2
    exit 100
}
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
    if [[ " $* " == *" -t "* ]]; then
        [ "$FAKE_PINNED" = resolves ] || unresolvable
    else
        [ "$FAKE_INSTALL" = resolves ] || unresolvable
    fi ;;
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
    echo "dpkg $*" >>"$CALLS"
fi
EOF
cat >"$FAKES/apt-mark" <<'EOF'
#!/usr/bin/env bash
echo "apt-mark $*" >>"$CALLS"
EOF
cat >"$FAKES/sudo" <<'EOF'
#!/usr/bin/env bash
exec "$@"
EOF
chmod +x "$FAKES"/*
printf 'ID=debian\nVERSION_CODENAME=bookworm\n' >"$WORK/os-release"

# The apt and dpkg calls in order, each as its verb, its "-t" pin if any and
# its packages; options apart from the pin are checked on their own below.
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
            elif [[ "$w" != -* ]]; then
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

# row | missing | foreign archs | update | install | pinned install | exit | apt and dpkg asked (;) | its own messages (stderr; apt's output goes to stdout) hold (;)
TABLE="
mirror mid-sync, the pinned install works|wine32:i386 locales||size_error|unresolvable|resolves|0|dpkg --add-architecture i386;apt-get update;apt-get install wine32:i386 locales;apt-get install -t bookworm wine32:i386 locales|warning: index not updated, going on with the one this machine has: http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz (File has unexpected size (374820 != 376004). Mirror sync in progress?;pinned to bookworm
the install never resolves|wine32:i386 locales|i386|ok|unresolvable|unresolvable|1|apt-get update;apt-get install wine32:i386 locales;apt-get install -t bookworm wine32:i386 locales|could not install: wine32:i386 locales;i386 package index is behind its amd64 one;wait for the mirror;run 'apt-get update' again
all installed||i386|ok|resolves|resolves|0||
"

while IFS='|' read -r row missing foreign update install pinned want_rc want_calls want_text; do
    [ -n "$row" ] || continue
    export CALLS="$WORK/calls" FAKE_MISSING="$missing" FAKE_FOREIGN="$foreign" FAKE_UPDATE="$update" \
        FAKE_INSTALL="$install" FAKE_PINNED="$pinned"
    : >"$CALLS"
    PATH="$FAKES:$PATH" REGSCAN_OS_RELEASE="$WORK/os-release" "$SETUP" >"$WORK/out" 2>"$WORK/err"
    rc=$?
    output="$(cat "$WORK/err")"

    [ "$rc" = "$want_rc" ] || fail "exit code $rc, expected $want_rc"
    asked="$(what_was_asked)"
    [ "$asked" = "$(tr ';' '\n' <<<"$want_calls" | sed '/^$/d')" ] || fail "asked:"$'\n'"$asked"
    grep -E -- '--allow|--force|apt-mark' "$CALLS" && fail "asked to downgrade, remove or hold"
    grep '^apt-get install' "$CALLS" | grep -v -- '--no-remove' && fail "an install may remove packages"
    IFS=';' read -r -a texts <<<"$want_text"
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
