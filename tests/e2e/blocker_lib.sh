#!/usr/bin/env bash
# Shared by the real-browser blocker scripts, on top of lib.sh and session_lib.sh: the
# tools they need, a terminal with blocking on and the keyword "casino", the desktop
# with a session bus of the script's own, and the accessibility switch as read from it.
# The browsers run on fresh profiles, kept off the network (lib.sh).
BLOCKED_TITLE='Site blocked at this terminal'

# blocker_setup: everything up to the program's start; the pages the guest opens go in
# the folder $pages.
blocker_setup() {
    e2e_require Xvfb openbox xdotool xprop xwininfo import dbus-daemon dbus-send firefox-esr chromium
    # Only what the program switches on may make the browsers accessible.
    unset GNOME_ACCESSIBILITY ACCESSIBILITY_ENABLED AT_SPI_BUS_ADDRESS NO_AT_BRIDGE
    e2e_home
    e2e_provision "$ADMIN_PASSWORD" "$GUEST_PASSWORD"
    session_admin reg add 'Software\Quorvel\URLs' /v casino /t REG_SZ /d 1 >/dev/null
    session_admin reg add 'Software\Quorvel\Settings' /v Blocking /t REG_DWORD /d 1 >/dev/null
    e2e_start_x 1280x1024
    e2e_start_session_bus
    pages=$E2E_TMP/pages
    mkdir -p "$pages"
}

accessibility_enabled() {
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
        org.freedesktop.DBus.Properties.Get string:org.a11y.Status string:IsEnabled 2>/dev/null |
        grep -q 'boolean true'
}
