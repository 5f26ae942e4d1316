#!/usr/bin/env bash
# quorvel-admin init as a cafe owner uses it: the keyed data file with the two
# logins, the Systemfiles folder and the four keys; passwords asked on a terminal
# without echo, refused without one; an existing data file kept unless --force, and
# never replaced under a running program. The file opens in Debian's sqlcipher shell
# with the password quiltmoss (with no other: e2e_startup_kill.sh, DataFileShell).
source "$(dirname "$0")/lib.sh"
e2e_home
admin=$E2E_BUILD/quorvel-admin
program=$XDG_DATA_HOME/Quorvel

# No terminal and no password option: a clear refusal, and nothing made.
status=0
"$admin" init </dev/null >"$E2E_TMP/notty.log" 2>&1 || status=$?
[ "$status" -ne 0 ] || e2e_fail "init without a terminal succeeded"
grep -q "no terminal" "$E2E_TMP/notty.log" || e2e_fail "no clear message without a terminal"
[ ! -e "$E2E_DATA" ] || e2e_fail "init without passwords made a data file"

# On a terminal: asked twice each, nothing echoed.
feed() {
    sleep 0.5
    for line in 'se"cr3t' 'se"cr3t' "gu'est" "gu'est"; do printf '%s\n' "$line"; sleep 0.3; done
}
feed | script -qec "'$admin' init" /dev/null >"$E2E_TMP/tty.log" 2>&1 || e2e_fail "init on a terminal failed"
grep -q 'Password for admin' "$E2E_TMP/tty.log" || e2e_fail "the admin password was not asked for"
! grep -q 'cr3t\|gu.est' "$E2E_TMP/tty.log" || e2e_fail "a password was echoed"

[ "$(e2e_sql 'SELECT Login, Password FROM Login_M ORDER BY rowid;' | tr '\n' ' ')" = "admin|se\"cr3t guest|gu'est " ] ||
    e2e_fail "the logins are not as typed"
[ "$(e2e_sql 'SELECT count(*) FROM Guest_T; SELECT count(*) FROM Rates_M;' | tr '\n' ' ')" = "0 0 " ] ||
    e2e_fail "the new tables are not empty"
[ -d "$program/Systemfiles" ] || e2e_fail "no Systemfiles folder"
for key in Settings Timers Programs URLs; do
    "$admin" reg query "Software\\Quorvel\\$key" >/dev/null || e2e_fail "no key Software\\Quorvel\\$key"
done

# An existing data file is kept without --force ...
bytes=$(md5sum <"$E2E_DATA")
status=0
"$admin" init --admin-password a2 --guest-password g2 >"$E2E_TMP/again.log" 2>&1 || status=$?
[ "$status" -ne 0 ] || e2e_fail "init replaced an existing data file without --force"
grep -q "already exists" "$E2E_TMP/again.log" || e2e_fail "no clear message for an existing file"
[ "$(md5sum <"$E2E_DATA")" = "$bytes" ] || e2e_fail "the existing data file changed"

# ... never replaced while the program holds the data folder ...
e2e_hold_lock -s "$program/Data"
e2e_wait 10 "the data folder to be held" sh -c "! flock -n -x '$program/Data' true"
status=0
"$admin" init --force --admin-password a2 --guest-password g2 >"$E2E_TMP/busy.log" 2>&1 || status=$?
[ "$status" -ne 0 ] || e2e_fail "init --force replaced a data file in use"
[ "$(md5sum <"$E2E_DATA")" = "$bytes" ] || e2e_fail "the data file in use changed"
kill "$E2E_LAST_PID"
e2e_wait 10 "the data folder to be free" flock -n -x "$program/Data" true

# ... and replaced, empty, with --force.
e2e_sql "INSERT INTO Guest_T VALUES ('01/02/2026', 3, 30);" >/dev/null
"$admin" init --force --admin-password a2 --guest-password g2 >/dev/null 2>&1 || e2e_fail "init --force failed"
[ "$(e2e_sql 'SELECT Password FROM Login_M ORDER BY rowid; SELECT count(*) FROM Guest_T;' | tr '\n' ' ')" = "a2 g2 0 " ] ||
    e2e_fail "init --force did not make a fresh data file"
[ ! -e "$E2E_DATA.new" ] || e2e_fail "init left its temporary file behind"
e2e_log "quorvel-admin init: ok"
