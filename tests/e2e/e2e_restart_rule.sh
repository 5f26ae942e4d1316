#!/usr/bin/env bash
# The kiosk service's restart rule against the real program's ends. The rule is read
# from the service unit the package installs: Restart=always, and no restart after the
# exit statuses it lists. The program waits for a display that does not let it in
# yet, then each way it can end is taken in turn: SIGTERM, SIGKILL, its X connection
# killed by another client (xkill), the X server going away. Each gives a status after
# which the service starts the program again; the administrator's Quit alone gives the
# listed status. Each time the program is started again, as the service would, the
# lock comes back.
source "$(dirname "$0")/lib.sh"
e2e_require Xvfb openbox xdotool xkill xauth xhost mcookie
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
UNIT=$SOURCE/packaging/quorvel.service

[ "$(sed -n 's/^Restart=//p' "$UNIT")" = always ] || e2e_fail "the service does not restart on every end"
prevented=$(sed -n 's/^RestartPreventExitStatus=//p' "$UNIT")
quit_status=$(sed -n 's/.*kExitQuit = \([0-9]*\);.*/\1/p' "$SOURCE/src/startup/ExitStatus.h")
[ -n "$quit_status" ] && [ "$prevented" = "$quit_status" ] ||
    e2e_fail "the service leaves the program stopped after '$prevented', Quit ends it with '$quit_status'"

# restarted_after END: END is "status N" or "signal NAME", as systemd reports an end.
restarted_after() {
    local end=$1 listed
    for listed in $prevented; do
        [ "$end" = "status $listed" ] || [ "$end" = "signal $listed" ] || [ "$end" = "signal SIG$listed" ] &&
            return 1
    done
    return 0
}

# How the program last ended, in the service's terms.
program_end() {
    local status=0
    wait "$E2E_QUORVEL" || status=$?
    if ((status > 128)); then echo "signal $(kill -l $((status - 128)))"; else echo "status $status"; fi
}

e2e_home
e2e_provision admin-pw guest-pw

# The display as the deployment has it: only clients with the server's cookie, or
# accounts the display manager's hook lets in, may connect.
e2e_start_x_as_deployed 1024x768

# The program, as the service starts it: no cookie, only the account's grant.
start_program() {
    e2e_bg "quorvel-$1" env XAUTHORITY=/dev/null "$E2E_BUILD/quorvel"
    E2E_QUORVEL=$E2E_LAST_PID
}
says_waiting() { grep -q "Waiting for the X display" "$E2E_TMP/quorvel-first.log"; }

start_program first
e2e_wait 60 "the program to say it waits for the display" says_waiting
e2e_not_running "$E2E_QUORVEL" && e2e_fail "the program gave up on a display that did not let it in"
# The display manager's display-setup hook grants the account.
xhost +SI:localuser:"$(id -un)" >/dev/null
e2e_wait 60 "the lock once the display lets the program in" e2e_lock_in_place
# One line in the service's journal for the whole wait, not one per try.
[ "$(grep -c . "$E2E_TMP/quorvel-first.log")" = 1 ] ||
    e2e_fail "while waiting the program said: $(cat "$E2E_TMP/quorvel-first.log")"

# ended_as WHAT EXPECTED_END COMMAND...: ends the program with COMMAND and checks how it
# ended, and that the service would start it again.
ended_as() {
    local what=$1 expected=$2 end
    shift 2
    "$@"
    e2e_wait 30 "the program to end after $what" e2e_not_running "$E2E_QUORVEL"
    end=$(program_end)
    [ "$end" = "$expected" ] || e2e_fail "after $what the program ended with $end, not $expected"
    restarted_after "$end" || e2e_fail "after $what ($end) the service would not start the program again"
    e2e_log "$what: $end, restarted"
}
# end_and_restart WHAT EXPECTED_END COMMAND...: as ended_as, then starts the program again
# as the service would; logs how long the lock took to come back.
end_and_restart() {
    local started
    ended_as "$@"
    started=$SECONDS
    start_program "after-$1"
    e2e_wait 60 "the lock after $1" e2e_lock_in_place
    e2e_log "$1: the lock was back $((SECONDS - started)) s after the start"
}

end_and_restart SIGTERM "signal TERM" kill -TERM "$E2E_QUORVEL"
end_and_restart SIGKILL "signal KILL" kill -KILL "$E2E_QUORVEL"
end_and_restart xkill "status 11" xkill -id "$E2E_LOGIN"
e2e_shot "$E2E_NAME-after-xkill"
# The X server goes away (as when it restarts): the program ends at once, non-zero.
ended_as "the X server's end" "status 11" kill "$E2E_XVFB"
e2e_log "passed"
