#!/usr/bin/env bash
# Runs one end-to-end test against a destination that only root can arrange,
# and undoes the arrangement on every way out:
#   locked       a read-only file that is also immutable (chattr +i): Wine
#                running as root writes and replaces read-only files, so only
#                this makes the replacement fail as it does for a user;
#   full-volume  a 256 KiB tmpfs mapped as drive T: of the test's prefix.
# Fails with a clear message when the arrangement is impossible (not root,
# no mount permission, a file system without the immutable flag).
#
# Usage: hostile_destination.sh locked|full-volume WINEPREFIX WORKDIR COMMAND...
set -uo pipefail
kind="$1" prefix="$2" work="$3"
shift 3

fail() {
    echo "hostile_destination.sh: $*" >&2
    exit 1
}

# A signal ends the script through its EXIT trap too.
trap 'exit 130' INT TERM
[ "$(id -u)" = 0 ] || fail "the $kind destination needs root"
mkdir -p "$work" || fail "cannot create $work"

case "$kind" in
    locked)
        folder="$work/locked"
        file="$folder/locked.xml"
        undo() {
            chattr -i "$file" 2>/dev/null
            rm -rf "$folder"
        }
        undo
        trap undo EXIT
        mkdir -p "$folder" && printf 'precious' >"$file" || fail "cannot write $file"
        # Read-only as Wine shows it: no write permission.
        chmod a-w "$file"
        chattr +i "$file" 2>/dev/null || fail "chattr +i $file failed: the file system has no immutable flag"
        export REGSCAN_E2E_LOCKED_FILE="$file"
        ;;
    full-volume)
        volume="$work/volume"
        drive="$prefix/dosdevices/t:"
        undo() {
            rm -f "$drive"
            mountpoint -q "$volume" && umount "$volume"
            rmdir "$volume" 2>/dev/null
        }
        undo
        trap undo EXIT
        [ -e "$drive" ] && fail "drive T: of $prefix is taken"
        mkdir -p "$volume" || fail "cannot create $volume"
        mount -t tmpfs -o size=256k,mode=0777 regscan-e2e "$volume" ||
            fail "cannot mount a 256 KiB tmpfs on $volume (root with mount permission is needed)"
        ln -s "$volume" "$drive" || fail "cannot map $volume as drive T:"
        export REGSCAN_E2E_FULL_VOLUME="T:"
        ;;
    *)
        fail "unknown destination kind '$kind'"
        ;;
esac

"$@"
