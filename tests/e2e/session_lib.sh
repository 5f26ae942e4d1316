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
title_is() { [ "$(xdotool getwindowname "$TIMER_WINDOW" 2>/dev/null)" = "$1" ]; }

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
