#!/usr/bin/env bash
# The login screen on a 1920x1080 screen: it covers it all and holds the lock; the
# screenshot is kept to check the layout and artwork at this size.
source "$(dirname "$0")/lib.sh"
e2e_require Xvfb openbox xdotool xprop xwininfo import

e2e_home
e2e_provision Adm1n-pw guest-pw
e2e_seed_previous_session
e2e_start_x 1920x1080
e2e_start_quorvel
e2e_wait 60 "the login screen" e2e_visible_window '^Login Screen$'
e2e_wait 30 "the lock: screen covered, top-most, focused, dock hidden, input held" e2e_lock_in_place
e2e_shot "$E2E_NAME-login-1920x1080"
e2e_log "passed"
