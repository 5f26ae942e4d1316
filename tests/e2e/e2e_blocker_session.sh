#!/usr/bin/env bash
# A guest session with blocking on, on a desktop with 50 other windows: the blocker
# works hidden (no window of its own ever shows), the session window comes up and the
# program keeps running. The program's CPU use over 10 s of the session is logged, with
# blocking on and then off, for comparison (logged, not judged: machines differ).
source "$(dirname "$0")/lib.sh"
e2e_require Xvfb openbox xdotool xprop xwininfo xlogo import

ADMIN_PASSWORD=Adm1n-pw
GUEST_PASSWORD=guest-pw
admin=$E2E_BUILD/quorvel-admin

e2e_home
e2e_provision "$ADMIN_PASSWORD" "$GUEST_PASSWORD"
"$admin" reg add 'Software\Quorvel\URLs' /v casino /t REG_SZ /d 1 >/dev/null
e2e_start_x 1024x768

for i in $(seq 50); do e2e_bg "xlogo$i" xlogo -geometry 120x120; done
fifty_windows() { [ "$(xdotool search --onlyvisible --class xlogo 2>/dev/null | wc -l)" -ge 50 ]; }
e2e_wait 60 "50 xlogo windows" fifty_windows

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# session BLOCKING: starts the program, signs a guest in and logs the CPU it uses.
session() {
    "$admin" reg add 'Software\Quorvel\Settings' /v Blocking /t REG_DWORD /d "$1" >/dev/null
    e2e_start_quorvel
    e2e_wait 30 "the login screen" e2e_visible_window '^Login Screen$'
    e2e_wait 10 "the lock" e2e_lock_in_place
    e2e_guest_sign_in "$GUEST_PASSWORD"
    e2e_wait 10 "the session's window" e2e_window_of "$E2E_QUORVEL"
    e2e_shot "$E2E_NAME-blocking-$1"
    local hz before after
    hz=$(getconf CLK_TCK)
    before=$(cpu_ticks "$E2E_QUORVEL")
    sleep 10  # the measuring interval itself, not a wait for something to happen
    after=$(cpu_ticks "$E2E_QUORVEL")
    kill -0 "$E2E_QUORVEL" 2>/dev/null || e2e_fail "the program ended during the session"
    # Only the session's window may show: the blocker never does.
    [ "$(xdotool search --onlyvisible --pid "$E2E_QUORVEL" 2>/dev/null | wc -l)" -eq 1 ] ||
        e2e_fail "more than the session's window is shown"
    ! xdotool search --name '^Blocks$' >/dev/null 2>&1 || e2e_fail "the blocker has a window"
    e2e_log "Blocking $1: the program used $(awk -v t=$((after - before)) -v hz="$hz" \
        'BEGIN {printf "%.1f", 100 * t / hz / 10}')% of a core over 10 s with 50 other windows"
    e2e_stop_quorvel
}

session 1
session 0
e2e_log "passed"
