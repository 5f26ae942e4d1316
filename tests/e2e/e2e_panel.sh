#!/usr/bin/env bash
# The owner at the control panel, worked through the accessibility bus the way a
# screen reader works it (every control found by its caption): the widest values on
# every tab for the screenshots, then the rates, minimum time, minimum charge and the
# euro sign applied. A guest session then charges the minimum charge set there and
# shows the euro sign, as does the login screen's previous-user block. The guest
# password is changed in the panel: the old one is refused, the new one signs in.
# (Closing and quitting the panel: e2e_panel_shell.sh.)
source "$(dirname "$0")/panel_lib.sh"
e2e_require Xvfb openbox xdotool xprop xwininfo import sqlcipher dbus-daemon

EURO=$'\u20ac'
NEW_GUEST_PASSWORD=n3w-guest
LONG_PATH=/home/owner/Pictures/Internet-cafe-front-counter/login-screen-pictures-2026/night-blue-waves-with-the-cafe-logo.jpg

e2e_home
e2e_provision "$ADMIN_PASSWORD" "$GUEST_PASSWORD"
session_admin reg add 'Software\Quorvel\Settings' /v LoginScr /t REG_SZ /d "$LONG_PATH" >/dev/null
session_set_charges 10000 10000 10000 10000 14 999999999 Rs
e2e_start_x 1024x768
a11y_start
e2e_start_quorvel
e2e_wait 30 "the lock" e2e_lock_in_place

panel_open
# The widest values every box can hold (stored beforehand), for the look of every tab.
panel_tab Configuration
[ "$(a11y read text "Select Image")" = "$LONG_PATH" ] || e2e_fail "the picture's path was not loaded"
e2e_wait 10 "the rates shown as 10000" a11y_read_is 10000 text "45-59 mins"
e2e_wait 10 "the first band's caption" a11y find label "14- 15 mins"
panel_shoot_tabs "$E2E_NAME-1024x768"

# The charges a guest will pay.
panel_tab Configuration
a11y value "spin button" "Minimum Time" 1 || e2e_fail "cannot set the minimum time"
a11y value "spin button" "~- 15 mins$" 10 || e2e_fail "cannot set the first rate"
a11y value "spin button" "15-29 miins" 15 || e2e_fail "cannot set the second rate"
a11y value "spin button" "30-44 mins" 20 || e2e_fail "cannot set the third rate"
a11y value "spin button" "45-59 mins" 25 || e2e_fail "cannot set the fourth rate"
a11y set text "Minimum Charges" 7 || e2e_fail "cannot type the minimum charge"
a11y set "combo box" "Currency Symbol" "$EURO" || e2e_fail "cannot choose the euro sign"
e2e_wait 10 "the first rate shown as 10" a11y_read_is 10 text "1- 15 mins"
a11y press "push button" Apply || e2e_fail "cannot press Apply"
panel_answer "Continue..." Yes
panel_answer "Configurations applied successfully" OK

[ "$(e2e_sql 'SELECT * FROM Rates_M;')" = "10|15|20|25" ] ||
    e2e_fail "Rates_M holds $(e2e_sql 'SELECT * FROM Rates_M;')"
settings() {
    session_admin reg query 'Software\Quorvel\Settings' /v "$1" | sed -n "s/^    $1    REG_SZ    //p"
}
[ "$(settings MinimumT)" = 1 ] || e2e_fail "MinimumT is $(settings MinimumT)"
[ "$(settings MinimumC)" = 7 ] || e2e_fail "MinimumC is $(settings MinimumC)"
[ "$(settings Currency)" = "$EURO" ] || e2e_fail "Currency is $(settings Currency)"
[ "$(settings LoginScr)" = "$LONG_PATH" ] || e2e_fail "LoginScr is $(settings LoginScr)"
panel_close

# A guest session charges what the panel set: below the minimum time of 1 the minimum
# charge of 7, with the euro sign, and the login screen's previous-user block shows it.
# (Every band of the charge rule, tick by tick: ChargeRule_test.)
session_sign_in
e2e_wait 20 "the third second" title_at_least 3
a11y_wait 5 "the minimum charge with the euro sign" find label "$EURO 7"
e2e_shot "$E2E_NAME-timer-minimum"
session_logout
e2e_wait 30 "the lock after Logout" e2e_lock_in_place
a11y_wait 10 "the previous-user block's charges" find label "$EURO 7"
e2e_shot "$E2E_NAME-previous-user"

# The guest password changed in the panel.
panel_open
panel_tab Passwords
guest_frame=(--within "User (guest) Password")
a11y "${guest_frame[@]}" set "password text" "Old Password" "$GUEST_PASSWORD"
a11y "${guest_frame[@]}" set "password text" "New Password" "$NEW_GUEST_PASSWORD"
a11y "${guest_frame[@]}" set "password text" "Confirm Password" "$NEW_GUEST_PASSWORD"
a11y "${guest_frame[@]}" press "push button" Save
panel_answer "Password successfully modified" OK
panel_close

e2e_type_sign_in guest "$GUEST_PASSWORD"
panel_answer "Invalid Password" OK
e2e_wait 10 "the lock after the refused password" e2e_lock_in_place
# The refused password is selected in its box: typing replaces it.
xdotool type --delay 30 "$NEW_GUEST_PASSWORD"
xdotool key Return
e2e_wait 20 "the timer window after the new password" e2e_visible_window 'Quorvel Timer$|^0 : 0 : 0$'
TIMER_WINDOW=$(e2e_visible_window 'Quorvel Timer$|^0 : 0 : 0$')
session_logout
e2e_wait 30 "the lock after the second Logout" e2e_lock_in_place

e2e_log "passed"
