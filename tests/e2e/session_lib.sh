#!/usr/bin/env bash
# Helpers of the guest-session scripts, on top of lib.sh: the owner's charges, the
# guest's sign-in and Logout, and reading back what the session stored.

ADMIN_PASSWORD=Adm1n-pw
GUEST_PASSWORD=guest-pw

session_admin() { "$E2E_BUILD/quorvel-admin" "$@"; }

# session_set_charges R0 R15 R30 R45 MINIMUM_TIME MINIMUM_CHARGE CURRENCY
session_set_charges() {
    e2e_sql "DELETE FROM Rates_M; INSERT INTO Rates_M VALUES ($1, $2, $3, $4);" ||
        e2e_fail "cannot set the rates"
    session_admin reg add 'Software\Quorvel\Settings' /v MinimumT /t REG_SZ /d "$5" >/dev/null
    session_admin reg add 'Software\Quorvel\Settings' /v MinimumC /t REG_SZ /d "$6" >/dev/null
    session_admin reg add 'Software\Quorvel\Settings' /v Currency /t REG_SZ /d "$7" >/dev/null
}

# A value of the Timers key as `reg query` shows it (numbers as 0x...).
session_timers() {
    session_admin reg query 'Software\Quorvel\Timers' /v "$1" 2>/dev/null |
        sed -n "s/^    $1    REG_[A-Z]*    //p"
}

stored_is() { [ "$(session_timers "$1")" = "$2" ]; }
# The seconds of the first minute the timer's title shows ("0 : 0 : S: Quorvel Timer").
title_seconds() {
    local title
    title=$(xdotool getwindowname "$TIMER_WINDOW" 2>/dev/null) || return 1
    [[ $title =~ ^0\ :\ 0\ :\ ([0-9]+):\ Quorvel\ Timer$ ]] || return 1
    echo "${BASH_REMATCH[1]}"
}
# Whether the title shows at least $1 seconds. A poll on a busy machine may miss the
# one second a title shows, so a wait is for "at least", never for one exact second.
title_at_least() {
    local seconds
    seconds=$(title_seconds) && ((seconds >= $1))
}
# Whether the stored elapsed time is one tick behind the title: each tick stores what
# the screen showed before it. Read between two looks at the title that agree, so
# that a tick in between is not taken for a fault.
stored_one_tick_behind() {
    local before stored after
    before=$(title_seconds) && stored=$(session_timers Elapsed) && after=$(title_seconds) &&
        [ "$before" = "$after" ] && [ "$stored" = "0 : 0 : $((before - 1))" ]
}

# Signs in as the guest at the login screen; the timer window's id is left in
# TIMER_WINDOW.
session_sign_in() {
    e2e_type_sign_in guest "$GUEST_PASSWORD"
    e2e_wait 20 "the timer window" e2e_visible_window 'Quorvel Timer$|^0 : 0 : 0$'
    TIMER_WINDOW=$(e2e_visible_window 'Quorvel Timer$|^0 : 0 : 0$')
}

# Clicks the "Logout" label at the window's bottom right.
session_logout() {
    local geometry width height
    geometry=($(e2e_geometry "$TIMER_WINDOW"))
    width=${geometry[2]} height=${geometry[3]}
    xdotool mousemove --window "$TIMER_WINDOW" $((width - 40)) $((height - 20)) click 1
}
