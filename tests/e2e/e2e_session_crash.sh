#!/usr/bin/env bash
# The PC loses power in the middle of guest sessions: the real program is killed with
# SIGKILL at random moments of a session, 12 times, a third of them during Logout.
# After every restart the data file, read with the sqlcipher shell, counts every
# session exactly once, each with the last amount it stored.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/session_lib.sh"
e2e_require Xvfb openbox xdotool xprop xwininfo sqlcipher

ROUNDS=${QUORVEL_CRASH_ROUNDS:-12}

e2e_home
e2e_provision "$ADMIN_PASSWORD" "$GUEST_PASSWORD"
# No minimum: the first tick already owes the first band, so amounts differ between
# a session killed before its first second and one killed after.
session_set_charges 10 15 20 25 0 0 Rs
e2e_start_x 1024x768

sessions=0
owed=0
totals_are() {
    [ "$(e2e_sql "SELECT printf('%d|%.1f', ifnull(sum(Gnum), 0), ifnull(sum(Gamt), 0)) FROM Guest_T;")" = "$1" ]
}
booked_are() { [ "$(e2e_sql "SELECT count(*) FROM Booked_T;")" = "$1" ]; }

for round in $(seq "$ROUNDS"); do
    e2e_start_quorvel
    e2e_wait 30 "the lock (round $round)" e2e_lock_in_place
    # The login screen's close-out has run: every session so far is in, once.
    e2e_wait 10 "round $round: $sessions sessions and $owed owed in Guest_T" \
        totals_are "$sessions|$owed.0"
    e2e_wait 10 "round $round: $sessions bookings recorded" booked_are "$sessions"

    session_sign_in
    e2e_wait 10 "the session to be stored (round $round)" stored_is Status 0x1
    sessions=$((sessions + 1))
    # The kill lands at a random moment (the sleeps draw it; nothing waits on them):
    # up to 2.9 s into the session, or within 80 ms of the Logout click.
    if ((round % 3 == 0)); then
        sleep "0.$((RANDOM % 10))"
        # The click goes out while the kill is already on its way, so the kill lands
        # before, inside or after the Logout's few milliseconds.
        session_logout &
        sleep "$(printf '0.%03d' $((RANDOM % 80)))"
        moment="during Logout"
    else
        sleep "$((RANDOM % 3)).$((RANDOM % 10))"
        moment="in the session"
    fi
    kill -9 "$E2E_QUORVEL"
    wait "$!" 2>/dev/null || true
    e2e_wait 10 "the program to be gone" e2e_not_running "$E2E_QUORVEL"
    amount=$(session_timers Amount)
    owed=$((owed + amount))
    e2e_log "round $round: killed $moment, status $(session_timers Status), amount $amount"
done

# The last session is closed out by one more start.
e2e_start_quorvel
e2e_wait 30 "the lock after the last round" e2e_lock_in_place
e2e_wait 10 "all $sessions sessions and $owed owed in Guest_T" totals_are "$sessions|$owed.0"
e2e_wait 10 "all $sessions bookings recorded" booked_are "$sessions"
[ "$(session_timers Status)" = 0x0 ] || e2e_fail "Status is not 0 after the close-out"
e2e_log "passed: $sessions sessions, $owed owed, each booked once"
