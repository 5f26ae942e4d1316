#!/usr/bin/env bash
# Start-up killed with SIGKILL at random moments, 30 times, with ten years of daily
# rows: after every kill the data file opens with its key and holds every row; a
# compaction copy a kill leaves behind is gone after the next complete start. Then a
# damaged data file ends the program with a failure status.
source "$(dirname "$0")/lib.sh"

e2e_home
e2e_provision admin-pw guest-pw
e2e_start_xvfb 1024x768

# Ten years of days, and as many deleted rows, so the compaction has work to do.
e2e_sql "BEGIN;
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 7299)
INSERT INTO Guest_T SELECT printf('%02d/%02d/%04d', 1 + i / 28 % 12, 1 + i % 28, 2016 + i / 730),
    1 + i % 40, (i % 97) + 0.5 FROM n;
DELETE FROM Guest_T WHERE rowid % 2 = 0;
COMMIT;" >/dev/null
expected=$(e2e_sql "SELECT count(*), sum(Gnum), sum(Gamt) FROM Guest_T; SELECT count(*) FROM Login_M;" |
    tr '\n' ' ')
e2e_log "data file: $expected"

check_data_file() {
    local got
    got=$(e2e_sql "SELECT count(*), sum(Gnum), sum(Gamt) FROM Guest_T; SELECT count(*) FROM Login_M;" 2>&1 |
        tr '\n' ' ')
    [ "$got" = "$expected" ] || e2e_fail "after kill $1 the data file gives '$got', not '$expected'"
    [ "$(e2e_sql 'PRAGMA integrity_check;')" = ok ] || e2e_fail "after kill $1 the data file is damaged"
    printf "PRAGMA key='another';\nSELECT count(*) FROM Login_M;\n" | sqlcipher "$E2E_DATA" >/dev/null 2>&1 &&
        e2e_fail "after kill $1 the data file opens with another key"
    return 0
}

leftovers=0
for i in $(seq 30); do
    e2e_start_quorvel "$i"
    # A moment anywhere from process start to well past the compaction.
    sleep "0.$(printf '%03d' $((RANDOM % 700)))"
    kill -9 "$E2E_QUORVEL" 2>/dev/null || true
    wait "$E2E_QUORVEL" 2>/dev/null || true
    check_data_file "$i"
    if [ -e "$E2E_SYSDIR/QuorvelData.mdb" ] || [ -e "$E2E_DATA.compacted" ]; then
        leftovers=$((leftovers + 1))
    fi
done
e2e_log "30 kills; $leftovers left a compaction copy behind"

# The next complete start cleans up and hands over to the login screen.
e2e_start_quorvel final
e2e_wait 30 "the login screen" e2e_visible_window '^Login Screen$'
[ ! -e "$E2E_SYSDIR/QuorvelData.mdb" ] || e2e_fail "the compaction copy is still there"
[ ! -e "$E2E_SYSDIR/QuorvelData.mdb-journal" ] || e2e_fail "the compaction copy's journal is still there"
[ ! -e "$E2E_DATA.compacted" ] || e2e_fail "the replacement file is still there"
kill "$E2E_QUORVEL"
e2e_wait 20 "the program to end" e2e_not_running "$E2E_QUORVEL"
check_data_file final

# A damaged data file: the boxes say why (a window manager gives them the focus, so
# they take Return as a person would answer them), and the program ends with a
# status that tells a service manager it failed.
e2e_start_openbox
head -c 65536 /dev/urandom >"$E2E_DATA"
e2e_start_quorvel damaged
boxes=0 answered= deadline=$((SECONDS + 90))
while e2e_running "$E2E_QUORVEL"; do
    ((SECONDS < deadline)) || e2e_fail "the program did not end after the damaged data file's boxes"
    focused=$(xdotool getwindowfocus 2>/dev/null) || focused=
    if [ -n "$focused" ] && [ "$focused" != "$answered" ] &&
        [ "$(xdotool getwindowname "$focused" 2>/dev/null)" = "Quorvel (DE)" ]; then
        boxes=$((boxes + 1))
        e2e_shot "$E2E_NAME-damaged-box-$boxes"
        xdotool key Return
        answered=$focused
    fi
    sleep 0.2
done
status=0
wait "$E2E_QUORVEL" || status=$?
((boxes > 0)) || e2e_fail "the program ended on a damaged data file without saying why"
[ "$status" -ne 0 ] || e2e_fail "the program ended with status 0 after a damaged data file"
e2e_log "start-up kills, and a damaged data file ($boxes boxes, exit status $status): ok"
