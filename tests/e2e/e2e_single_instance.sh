#!/usr/bin/env bash
# Single instance with two real processes under a window manager: the second start
# ends at once, before it touches the data file or the session log, and the running
# instance's login screen is forward with the keyboard focus. With the lock held but no window to be found,
# a start runs fully as "unwanted instance".
source "$(dirname "$0")/lib.sh"

e2e_home
e2e_provision admin-pw guest-pw
e2e_start_xvfb 1024x768
e2e_start_openbox

e2e_start_quorvel 1
first=$E2E_QUORVEL
e2e_wait 30 "the login screen of the first instance" e2e_visible_window '^Login Screen$'
login=$(e2e_visible_window '^Login Screen$')
xwininfo -root -children | grep -q '"Quorvel (DE)": ("quorvel" "ThunderRT6Main")' ||
    e2e_fail "the first instance has no hidden ThunderRT6Main window titled Quorvel (DE)"

# Another program's window takes the focus: the lock takes it back, so what is typed
# at the lock reaches it.
e2e_bg xclock xclock -geometry 120x120+10+10
e2e_wait 20 "xclock" e2e_visible_window '^xclock$'
clock=$(e2e_visible_window '^xclock$')
xdotool windowfocus "$clock"
e2e_wait 10 "the login screen to take the focus back" e2e_focused "$login"

echo "the previous run's sessions" >"$E2E_SYSDIR/ScanregLog.log"
inode=$(stat -c %i "$E2E_DATA")
bytes=$(md5sum <"$E2E_DATA")

started=$SECONDS
status=0
timeout 20 "$E2E_BUILD/quorvel" >"$E2E_TMP/second.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || e2e_fail "the second instance ended with status $status"
((SECONDS - started <= 2)) || e2e_fail "the second instance took $((SECONDS - started)) s to end"

[ "$(stat -c %i "$E2E_DATA")" = "$inode" ] || e2e_fail "the second instance replaced the data file"
[ "$(md5sum <"$E2E_DATA")" = "$bytes" ] || e2e_fail "the second instance changed the data file"
[ -f "$E2E_SYSDIR/ScanregLog.log" ] || e2e_fail "the second instance deleted the session log"
[ ! -e "$E2E_SYSDIR/QuorvelData.mdb" ] || e2e_fail "the second instance began a compaction"
e2e_running "$first" || e2e_fail "the first instance is gone"
# The window manager acts on the request after the second instance has ended: the
# owner sees the login screen named active and types into it.
brought_forward() { e2e_active "$login" && e2e_focused "$login"; }
e2e_wait 30 "the login screen to be brought forward with the keyboard focus" brought_forward
e2e_shot "$E2E_NAME-brought-forward"
kill "$first"
e2e_wait 20 "the first instance to end" e2e_not_running "$first"

# ---- the lock is held, but no window of an earlier instance exists --------------
touch "$XDG_RUNTIME_DIR/quorvel.lock"
e2e_hold_lock -x "$XDG_RUNTIME_DIR/quorvel.lock"
holder=$E2E_LAST_PID
e2e_wait 10 "the lock to be held" sh -c "! flock -n '$XDG_RUNTIME_DIR/quorvel.lock' true"
e2e_start_quorvel 3
e2e_wait 30 "the unwanted instance's login screen" e2e_visible_window '^Login Screen$'
xwininfo -root -children | grep -q '"unwanted instance": ("quorvel" "ThunderRT6Main")' ||
    e2e_fail "the instance that found no window did not run on as \"unwanted instance\""
[ ! -e "$E2E_SYSDIR/ScanregLog.log" ] || e2e_fail "a full start kept the old session log"
kill "$E2E_QUORVEL" "$holder"
e2e_log "single instance: ok"
