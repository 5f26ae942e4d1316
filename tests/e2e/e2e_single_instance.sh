#!/usr/bin/env bash
# Single instance with two real processes under a window manager: the second start
# brings the running instance's window forward and ends at once, before it touches
# the data file or the session log. With the lock held but no window to be found,
# a start runs fully as "unwanted instance".
source "$(dirname "$0")/startup_lib.sh"

su_home
e2e_provision admin-pw guest-pw
su_start_x wm

su_start_quorvel 1
first=$SU_QUORVEL
su_wait 30 "the login screen of the first instance" su_visible_window '^Login Screen$'
login=$(su_visible_window '^Login Screen$')
xwininfo -root -children | grep -q '"Quorvel (DE)": ("quorvel" "ThunderRT6Main")' ||
    su_fail "the first instance has no hidden ThunderRT6Main window titled Quorvel (DE)"

# Another program's window has the focus; the login screen stays the top window.
su_bg xclock xclock -geometry 120x120+10+10
su_wait 20 "xclock" su_visible_window '^xclock$'
clock=$(su_visible_window '^xclock$')
xdotool windowactivate --sync "$login" >/dev/null 2>&1 || true
xdotool windowfocus --sync "$clock"
su_wait 10 "xclock to have the focus" test "$(xdotool getwindowfocus)" = "$clock"

echo "the previous run's sessions" >"$SU_SYSDIR/ScanregLog.log"
inode=$(su_inode "$SU_DATA")
bytes=$(md5sum <"$SU_DATA")

started=$SECONDS
status=0
timeout 20 "$SU_BUILD/quorvel" >"$SU_TMP/second.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || su_fail "the second instance ended with status $status"
((SECONDS - started <= 2)) || su_fail "the second instance took $((SECONDS - started)) s to end"

[ "$(su_inode "$SU_DATA")" = "$inode" ] || su_fail "the second instance replaced the data file"
[ "$(md5sum <"$SU_DATA")" = "$bytes" ] || su_fail "the second instance changed the data file"
[ -f "$SU_SYSDIR/ScanregLog.log" ] || su_fail "the second instance deleted the session log"
[ ! -e "$SU_SYSDIR/QuorvelData.mdb" ] || su_fail "the second instance began a compaction"
su_running "$first" || su_fail "the first instance is gone"
su_wait 30 "the login screen to be brought forward" test "$(xdotool getactivewindow)" = "$login"
su_shot "$SU_NAME-brought-forward"
kill "$first"
su_wait 20 "the first instance to end" su_not_running "$first"

# ---- the lock is held, but no window of an earlier instance exists --------------
touch "$XDG_RUNTIME_DIR/quorvel.lock"
su_hold_lock -x "$XDG_RUNTIME_DIR/quorvel.lock"
holder=$SU_LAST_PID
su_wait 10 "the lock to be held" sh -c "! flock -n '$XDG_RUNTIME_DIR/quorvel.lock' true"
su_start_quorvel 3
su_wait 30 "the unwanted instance's login screen" su_visible_window '^Login Screen$'
xwininfo -root -children | grep -q '"unwanted instance": ("quorvel" "ThunderRT6Main")' ||
    su_fail "the instance that found no window did not run on as \"unwanted instance\""
[ ! -e "$SU_SYSDIR/ScanregLog.log" ] || su_fail "a full start kept the old session log"
kill "$SU_QUORVEL" "$holder"
su_log "single instance: ok"
