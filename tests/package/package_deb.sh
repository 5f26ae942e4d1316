#!/usr/bin/env bash
# Builds the Debian package from this build folder and checks it: lintian finds no
# error, the desktop entry validates, the file list is the expected one. Then installs
# it on this machine with dpkg, checks the accounts, the state folder and both systemd
# units, provisions the program's account with the installed quorvel-admin, removes the
# package with dpkg -r, and checks that none of its files is left and the owner's data
# is untouched.
#
# Needs root. The package is installed machine-wide, so runs of this test on one
# machine take turns (a lock file), and a quorvel package installed before the test is
# refused rather than replaced.
set -euo pipefail
BUILD=$(cd "${QUORVEL_BUILD:?QUORVEL_BUILD must name the build folder}" && pwd)
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
TMP=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-package.XXXXXX")
trap 'rm -rf "$TMP"' EXIT

log() { echo "[$(date +%T)] $*" >&2; }
fail() {
    log "FAIL: $*"
    exit 1
}
for tool in cpack dpkg dpkg-deb lintian desktop-file-validate systemd-analyze runuser; do
    command -v "$tool" >/dev/null || fail "the tool '$tool' is not installed"
done
[ "$(id -u)" -eq 0 ] || fail "installing the package needs root"

# ---- Build ------------------------------------------------------------------------------
started=$SECONDS
(cd "$BUILD" && cpack -G DEB -B "$TMP/out" >"$TMP/cpack.log" 2>&1) || fail "cpack: $(tail -n 20 "$TMP/cpack.log")"
deb=$(ls "$TMP"/out/quorvel_*.deb)
log "built $(basename "$deb") in $((SECONDS - started)) s"

# ---- Static checks ----------------------------------------------------------------------
started=$SECONDS
lintian --fail-on error --tag-display-limit 0 "$deb" >"$TMP/lintian.log" 2>&1 ||
    fail "lintian: $(cat "$TMP/lintian.log")"
log "lintian: no error in $((SECONDS - started)) s; $(grep -c '^W:' "$TMP/lintian.log" || true) warnings"
sed 's/^/  /' "$TMP/lintian.log" >&2

dpkg-deb -x "$deb" "$TMP/root"
desktop-file-validate "$TMP/root/usr/share/applications/quorvel.desktop" || fail "desktop entry"
desktop-file-validate "$TMP/root/usr/share/xsessions/quorvel-guest.desktop" || fail "the guest's session entry"

# Depends found from the binaries (Qt, SQLCipher, Xlib, libpq), beside the tools the hooks run.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libsqlcipher0 libx11-6 libpq5 libc6 adduser xauth x11-xserver-utils x11-utils procps dbus-user-session at-spi2-core; do
    grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

expected=$(
    cat <<'EOF'
/lib/systemd/system/quorvel-guest-reset.path
/lib/systemd/system/quorvel-guest-reset.service
/lib/systemd/system/quorvel-wm.service
/lib/systemd/system/quorvel.service
/usr/bin/quorvel
/usr/bin/quorvel-admin
/usr/lib/systemd/user/at-spi-dbus-bus.service.d/quorvel.conf
/usr/libexec/quorvel/display-setup
/usr/libexec/quorvel/guest-reset
/usr/libexec/quorvel/guest-session
/usr/libexec/quorvel/quorvel-launch-agent
/usr/libexec/quorvel/session-cleanup
/usr/libexec/quorvel/session-wrapper
/usr/libexec/quorvel/wait-for-lock
/usr/libexec/quorvel/window-manager
/usr/share/applications/quorvel.desktop
/usr/share/doc/quorvel/README.md
/usr/share/doc/quorvel/changelog.gz
/usr/share/doc/quorvel/copyright
/usr/share/doc/quorvel/owner-guide.md
/usr/share/icons/hicolor/256x256/apps/quorvel.png
/usr/share/man/man1/quorvel-admin.1.gz
/usr/share/man/man1/quorvel.1.gz
/usr/share/quorvel/kiosk/kiosk.conf
/usr/share/quorvel/kiosk/lightdm.conf
/usr/share/quorvel/kiosk/openbox-rc.xml
/usr/share/quorvel/kiosk/xorg-kiosk.conf
/usr/share/xsessions/quorvel-guest.desktop
EOF
)
# Files and links only (folders follow from them); the program's data files under
# /usr/share/quorvel are whatever the data folder holds, and are left out here.
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' |
    grep -v '^/usr/share/quorvel/[^k]' | sort)
expected=$(grep -v '/$' <<<"$expected" | sort)
[ "$actual" = "$expected" ] || fail "file list differs: $(diff <(echo "$expected") <(echo "$actual"))"
[ "$(dpkg-deb -c "$deb" | awk '$6 ~ /^\.\/usr\/libexec\/quorvel\/./ {print $1}' | sort -u)" = -rwxr-xr-x ] ||
    fail "the hooks are not executable"

# ---- Install, use, remove ------------------------------------------------------------
exec 9>/var/lock/quorvel-package-test.lock
flock -w 600 9 || fail "another run of this test holds the machine's package for 10 minutes"
if dpkg-query -W -f='${Status}' quorvel 2>/dev/null | grep -q "install ok installed"; then
    fail "a quorvel package is already installed on this machine; this test would replace it"
fi

had_accounts=()
for account in quorvel quorvel-wm; do
    getent passwd "$account" >/dev/null && had_accounts+=("$account")
done
had_state=no
[ -e /var/lib/quorvel ] && had_state=yes
cleanup() {
    local account keep
    dpkg --purge quorvel >/dev/null 2>&1 || true
    for account in quorvel quorvel-wm; do
        keep=no
        for had in "${had_accounts[@]}"; do [ "$had" = "$account" ] && keep=yes; done
        [ $keep = yes ] || userdel "$account" 2>/dev/null || true
    done
    [ $had_state = yes ] || rm -rf /var/lib/quorvel
    rm -rf "$TMP"
}
trap cleanup EXIT

started=$SECONDS
if ! dpkg -i "$deb" >"$TMP/install.log" 2>&1; then
    DEBIAN_FRONTEND=noninteractive apt-get -f install -y -qq >>"$TMP/install.log" 2>&1 ||
        fail "dpkg -i: $(cat "$TMP/install.log")"
fi
log "installed in $((SECONDS - started)) s"

getent passwd quorvel >/dev/null || fail "no quorvel account"
getent passwd quorvel-wm >/dev/null || fail "no quorvel-wm account"
[ "$(stat -c '%U %a' /var/lib/quorvel)" = "quorvel 700" ] || fail "/var/lib/quorvel is $(stat -c '%U %a' /var/lib/quorvel)"
systemd-analyze verify /lib/systemd/system/quorvel.service /lib/systemd/system/quorvel-wm.service \
    /lib/systemd/system/quorvel-guest-reset.path /lib/systemd/system/quorvel-guest-reset.service \
    >"$TMP/verify.log" 2>&1 || fail "systemd-analyze verify: $(cat "$TMP/verify.log")"
/usr/bin/quorvel-admin --help | grep -q '^ *init' || fail "the installed quorvel-admin does not run"
man -l "$TMP/root/usr/share/man/man1/quorvel.1.gz" >/dev/null 2>&1 || fail "man cannot read quorvel(1)"

# The owner's first steps with the installed tool, as the program's account.
runuser -u quorvel -- env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_STATE_HOME \
    /usr/bin/quorvel-admin init --admin-password admin-pw --guest-password guest-pw >"$TMP/init.log" 2>&1 ||
    fail "init as quorvel: $(cat "$TMP/init.log")"
data=/var/lib/quorvel/.local/share/Quorvel/Data/QuorvelData.mdb
[ -f "$data" ] || fail "init left no data file at $data"
runuser -u quorvel -- env -u XDG_DATA_HOME /usr/bin/quorvel-admin rates 10 15 20 25 >/dev/null ||
    fail "rates as quorvel"
user_data=$(cd /var/lib/quorvel && find . -type f -print0 | sort -z | xargs -0 sha256sum)

files=$(dpkg -L quorvel)
dpkg -r quorvel >"$TMP/remove.log" 2>&1 || fail "dpkg -r: $(cat "$TMP/remove.log")"
left=()
while read -r path; do
    [ -z "$path" ] || [ -d "$path" ] || [ ! -e "$path" ] || left+=("$path")
done <<<"$files"
for folder in /usr/libexec/quorvel /usr/share/quorvel /usr/share/doc/quorvel; do
    [ ! -e "$folder" ] || left+=("$folder")
done
[ ${#left[@]} -eq 0 ] || fail "left behind by dpkg -r: ${left[*]}"
[ "$(cd /var/lib/quorvel && find . -type f -print0 | sort -z | xargs -0 sha256sum)" = "$user_data" ] ||
    fail "the owner's data under /var/lib/quorvel changed"
[ "$(stat -c '%U %a' /var/lib/quorvel)" = "quorvel 700" ] || fail "the data folder's owner or mode changed"
log "removed: no file of the package left, the data untouched"
log "passed"
