#!/usr/bin/env bash
# The login screen and the control panel on a 1920x1080 screen. The login screen covers
# it all and holds the lock, with the longest previous-user figures and the notice of a
# session the blocker's lost watch ended; then the panel with
# the widest values in every box (rates of 10000, the longest minimum time and charge,
# a long picture path): a screenshot of each tab. (The same values read back as a
# screen reader reads them: e2e_panel.sh; every value as loaded: ConfigurationPage_test.)
source "$(dirname "$0")/panel_lib.sh"
e2e_require Xvfb openbox xdotool xprop xwininfo import sqlcipher dbus-daemon

LONG_PATH=/home/owner/Pictures/Internet-cafe-front-counter/login-screen-pictures-2026/night-blue-waves-with-the-cafe-logo.jpg

e2e_home
e2e_provision "$ADMIN_PASSWORD" "$GUEST_PASSWORD"
e2e_seed_previous_session
session_admin reg add 'Software\Quorvel\Timers' /v EndedBy /t REG_DWORD /d 1 >/dev/null
session_set_charges 10000 10000 10000 10000 14 999999999 Rs
e2e_start_x 1920x1080
a11y_start
e2e_start_quorvel
e2e_wait 60 "the login screen" e2e_visible_window '^Login Screen$'
e2e_wait 30 "the lock: screen covered, top-most, focused, dock hidden, input held" e2e_lock_in_place
e2e_wait 10 "the notice of the lost watch" \
    a11y find label "The last session was ended: the website blocker was stopped."
e2e_shot "$E2E_NAME-login"

# The picture's path is read when the panel opens; the login screen keeps its artwork.
session_admin reg add 'Software\Quorvel\Settings' /v LoginScr /t REG_SZ /d "$LONG_PATH" >/dev/null
panel_open
panel_shoot_tabs "$E2E_NAME"
e2e_log "passed"
