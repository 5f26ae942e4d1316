#!/usr/bin/env bash
# The control panel's shell on the real program, worked through the accessibility bus:
# the admin's sign-in opens it on the Security page, on top of the guest's maximised
# browser and with the keyboard focus; clicks of the pointer reach its tabs and its
# "Close Control Panel"; "Close Control Panel" and the window manager's close both
# return to the locked login screen, "Quit" answered No changes nothing and answered Yes
# ends the program. (Every tab showing its page: e2e_panel.sh, e2e_screen_1080.sh.)
source "$(dirname "$0")/panel_lib.sh"
e2e_require Xvfb openbox xdotool xprop xwininfo import wmctrl xmessage dbus-daemon

e2e_home
e2e_provision "$ADMIN_PASSWORD" "$GUEST_PASSWORD"
e2e_start_x 1024x768
a11y_start
e2e_start_guest_browser
xdotool windowactivate "$E2E_BROWSER" 2>/dev/null || true
e2e_wait 30 "the browser to have the focus" e2e_active "$E2E_BROWSER"
e2e_start_quorvel
e2e_wait 30 "the lock" e2e_lock_in_place

panel_open
PANEL=$(e2e_visible_window '^Control Panel$')
e2e_wait 10 "the panel above the guest's browser" e2e_stacked_above "$PANEL" "$E2E_BROWSER"
e2e_wait 10 "the panel to be the active window" e2e_active "$PANEL"
e2e_wait 10 "the keyboard focus in the panel" e2e_focused "$PANEL"
a11y find filler Security || e2e_fail "the panel did not open on the Security page"
e2e_input_free || e2e_fail "the input is still held with the panel open"
# The pointer reaches the panel: a click on a tab shows its page, a click in the notes
# box and what is typed then lands there (not in the browser).
panel_click "page tab" Notes
a11y_wait 10 "the Notes page after a click on its tab" find filler Notes
panel_click text Notes
xdotool type --delay 30 "typed at the counter"
e2e_wait 10 "the typed text in the notes box" a11y_read_is "typed at the counter" text Notes
e2e_shot "$E2E_NAME-panel-over-browser"
panel_click "push button" "Close Control Panel"
e2e_wait 30 "the lock after a click on Close Control Panel" e2e_lock_in_place

# The window manager's close is "Close Control Panel" too.
panel_open
wmctrl -c "Control Panel" || e2e_fail "wmctrl could not ask the panel to close"
e2e_wait 30 "the lock after the window manager's close" e2e_lock_in_place

panel_open
a11y press "push button" "Quit Quorvel (DE)"
panel_answer "Do you realy want to quit Quorvel (DE)" No
a11y find "page tab" Security || e2e_fail "the panel went away after Quit answered No"
e2e_visible_window '^Control Panel$' >/dev/null || e2e_fail "the panel is not shown after No"

a11y press "push button" "Quit Quorvel (DE)"
panel_answer "Do you realy want to quit Quorvel (DE)" Yes
e2e_wait 30 "the program to end after Quit" e2e_not_running "$E2E_QUORVEL"
status=0
wait "$E2E_QUORVEL" || status=$?
((status < 128)) || e2e_fail "the program ended by signal $((status - 128)) after Quit"
# The service manager tells Quit from every other end by this status alone.
quit_status=$(sed -n 's/.*kExitQuit = \([0-9]*\);.*/\1/p' \
    "$(dirname "$0")/../../src/startup/ExitStatus.h")
[ -n "$quit_status" ] && [ "$status" = "$quit_status" ] ||
    e2e_fail "the program ended with status $status after Quit, not '$quit_status'"
# The login screen never came back: its activation would have hidden the dock.
e2e_viewable "$E2E_DOCK" || e2e_fail "the desktop was locked again on the way out"
e2e_log "passed"
