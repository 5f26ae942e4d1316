#!/usr/bin/env bash
# The login screen as a cafe uses it, at 1024x768: start-up hands over to a lock that
# covers the screen and holds the input; wrong logins and passwords are refused;
# the keys and requests that would close or leave it do not; a guest and then an
# administrator get the desktop back.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/session_lib.sh"
e2e_require Xvfb openbox xdotool wmctrl xprop xwininfo xclip import

e2e_home
e2e_provision "$ADMIN_PASSWORD" "$GUEST_PASSWORD"
e2e_seed_previous_session
e2e_start_x 1024x768

# ---- start-up: the splash first, the login screen about 3 s later ----------------
started=$SECONDS
e2e_start_quorvel
e2e_wait 60 "the program's first window" e2e_window_of "$E2E_QUORVEL"
first=$(e2e_window_of "$E2E_QUORVEL")
[ "$(xdotool getwindowname "$first")" != "Login Screen" ] ||
    e2e_fail "the login screen came up without the splash"
e2e_wait 30 "the splash to be drawn" e2e_painted "$first"
e2e_shot "$E2E_NAME-splash"
e2e_wait 60 "the login screen" e2e_visible_window '^Login Screen$'
(( SECONDS - started >= 2 )) || e2e_fail "the login screen came before the splash's 3 s"
e2e_wait 30 "the lock: screen covered, top-most, focused, dock hidden, input held" e2e_lock_in_place
e2e_shot "$E2E_NAME-login-1024x768"
e2e_log "lock in place: window $E2E_LOGIN"

# ---- wrong login, wrong password ---------------------------------------------------
box_up() { e2e_visible_window '^Quorvel \(DE\)$' >/dev/null && e2e_focused "$(e2e_visible_window '^Quorvel \(DE\)$')"; }
box_gone() { ! e2e_visible_window '^Quorvel \(DE\)$' >/dev/null; }

# Reads the message box's text the way a person can: Ctrl+C copies a message box.
expect_box() {
    e2e_wait 30 "the message box \"$1\"" box_up
    e2e_shot "$E2E_NAME-$2"
    xdotool key ctrl+c
    e2e_wait 30 "the box's text \"$1\"" e2e_clipboard_has "$1"
    xdotool key Return
    e2e_wait 30 "the box to close" box_gone
    e2e_wait 30 "the lock back in place after the box" e2e_lock_in_place
}

e2e_type_sign_in nobody "$GUEST_PASSWORD"
expect_box "Invalid Login" invalid-login

# The whole login text is selected: typing replaces it.
e2e_type_sign_in guest wrong-pw
expect_box "Invalid Password" invalid-password

# ---- what would close or leave the screen -----------------------------------------
xdotool key alt+F4
xdotool key alt+Tab
xdotool key Escape
xdotool key super
xdotool key Super_L
wmctrl -c "Login Screen" || true
e2e_wait 30 "the lock after Alt+F4, Alt+Tab, Escape, Super, wmctrl -c" e2e_lock_in_place
xdotool windowclose "$E2E_LOGIN" 2>/dev/null || true
e2e_wait 30 "the lock after xdotool windowclose" e2e_lock_in_place

# The screen still takes keys: Cancel (Tab, Tab, Enter from the password box) clears
# the boxes and puts the focus into the login box, whose text then copies.
xdotool key Tab Tab Return
xdotool type --delay 30 probe
xdotool key ctrl+a ctrl+c
e2e_wait 30 "the login box to take keys" e2e_clipboard_has probe
e2e_shot "$E2E_NAME-after-close-attempts"

# ---- guest ------------------------------------------------------------------------
xdotool key ctrl+a BackSpace
e2e_type_sign_in guest "$GUEST_PASSWORD"
released() {
    ! e2e_visible_window '^Login Screen$' >/dev/null && e2e_viewable "$E2E_DOCK" && e2e_input_free
}
e2e_wait 30 "the guest's desktop: dock shown, input free" released
e2e_wait 30 "the session's window" e2e_window_of "$E2E_QUORVEL"
e2e_shot "$E2E_NAME-guest"

# ---- administrator (a fresh start: the guest's session has no way back yet) -------
e2e_stop_quorvel
e2e_start_quorvel
e2e_wait 60 "the login screen again" e2e_visible_window '^Login Screen$'
e2e_wait 30 "the lock again" e2e_lock_in_place
e2e_type_sign_in admin "$ADMIN_PASSWORD"
e2e_wait 30 "the administrator's desktop: dock shown, input free" released
e2e_wait 30 "the control panel" e2e_window_of "$E2E_QUORVEL"
e2e_shot "$E2E_NAME-admin"
e2e_log "passed"
