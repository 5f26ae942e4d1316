#!/usr/bin/env bash
# A guest session as a cafe runs it: rates and minimums set by the owner, a guest
# signs in and uses the PC for a few seconds, the timer window counts and charges,
# refuses to be closed, and Logout books the session once, writes its line in the
# session log and brings back the login screen with the session as the previous one.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/session_lib.sh"
e2e_require Xvfb openbox xdotool wmctrl xprop xwininfo xmessage import sqlcipher

e2e_home
e2e_provision "$ADMIN_PASSWORD" "$GUEST_PASSWORD"
session_set_charges 10 15 20 25 1 7 Rs
e2e_start_x 1024x768
e2e_start_guest_browser
e2e_start_quorvel
e2e_wait 30 "the lock" e2e_lock_in_place

session_sign_in
timer=$TIMER_WINDOW
[ "$(session_timers Status)" = 0x1 ] || e2e_fail "Status is not 1 during the session"
[ -n "$(session_timers SessionId)" ] || e2e_fail "the session has no identity"
date_text=$(session_timers Date)
login_time=$(session_timers LoginTime)
[ -n "$date_text" ] && [ -n "$login_time" ] || e2e_fail "the session's date or login time is missing"

# The first minute costs the minimum charge (every band after it: ChargeRule_test).
e2e_wait 10 "the first second in the title bar" title_at_least 1
e2e_wait 10 "the minimum charge stored" stored_is Amount 7
e2e_shot "$E2E_NAME-first-seconds"

# A click in the browser reaches it and gives it the focus, and the timer window with
# its Logout stays above it: the desktop has no task bar to bring it back.
read -r bx by bw bh < <(e2e_geometry "$E2E_BROWSER")
xdotool mousemove $((bx + 20)) $((by + bh / 2)) click 1
e2e_wait 10 "the browser to take the focus on a click" e2e_active "$E2E_BROWSER"
e2e_stacked_above "$timer" "$E2E_BROWSER" || e2e_fail "a click in the browser buried the timer window"

# Close requests (the window manager's close, Alt+F4) leave the window and its clock
# alone.
wmctrl -c "Quorvel Timer" || true
xdotool windowactivate --sync "$timer" key alt+F4 || true

e2e_wait 30 "0 : 15 in the title bar" title_at_least 15
e2e_viewable "$timer" || e2e_fail "the timer window went away after a close request"
e2e_wait 5 "the stored elapsed time one second behind" stored_one_tick_behind
[ "$(session_timers Amount)" = 7 ] || e2e_fail "stored amount $(session_timers Amount), not 7"
e2e_shot "$E2E_NAME-session"

session_logout
e2e_wait 20 "the login screen after Logout" e2e_lock_in_place
e2e_shot "$E2E_NAME-previous-user"

[ "$(session_timers Status)" = 0x0 ] || e2e_fail "Status is not 0 after Logout"
amount=$(session_timers Amount)
elapsed=$(session_timers Elapsed)
logout_time=$(session_timers LogoutTime)
[ "$amount" = 7 ] || e2e_fail "the session ended owing $amount, not 7"
case $elapsed in "0 : 0 : "*) ;; *) e2e_fail "stored elapsed time $elapsed" ;; esac

# The day's totals: one guest and the amount, and nothing more after the login screen's
# close-out ran.
[ "$(e2e_sql "SELECT count(*), sum(Gnum), sum(Gamt) FROM Guest_T;")" = "1|1|7.0" ] ||
    e2e_fail "Guest_T holds $(e2e_sql 'SELECT * FROM Guest_T;')"
[ "$(e2e_sql "SELECT count(*) FROM Booked_T;")" = 1 ] || e2e_fail "the booking was not recorded once"

# The session log: an empty line, then the session's line with no line break after it.
expected=$(printf '\r\nguest|%s | %s | %s | %s | %s' "$date_text" "$login_time" "$elapsed" \
    "$logout_time" "$amount" | od -An -c)
actual=$(od -An -c "$XDG_STATE_HOME/Quorvel/ScanregLog.log")
[ "$expected" = "$actual" ] || e2e_fail "session log: expected $expected, found $actual"

e2e_log "passed"
