#!/usr/bin/env bash
# Website blocking with the real browsers: a guest session with blocking on and the
# keyword "casino". Signing in switches the desktop's accessibility on; Firefox ESR
# opened on a local page whose address holds the keyword is sent to the blocked page;
# Chromium on a page without it is left alone until the guest opens a blocked address
# in it, and is then sent there too; the blocker never shows a window. The browsers
# run on fresh profiles, kept off the network, on a session bus of the test's own.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/session_lib.sh"
source "$(dirname "$0")/blocker_lib.sh"
blocker_setup

printf '<html><head><title>Casino night</title></head><body>Roulette</body></html>\n' >"$pages/casino-night.html"
printf '<html><head><title>Daily news</title></head><body>Headlines</body></html>\n' >"$pages/news.html"
casino=file://$pages/casino-night.html
news=file://$pages/news.html

e2e_start_quorvel
e2e_wait 60 "the login screen" e2e_visible_window '^Login Screen$'
e2e_wait 30 "the lock" e2e_lock_in_place
e2e_guest_sign_in "$GUEST_PASSWORD"
accessibility_enabled || e2e_fail "the desktop's accessibility is not on at the guest's sign-in"

e2e_start_chromium chromium "$news"
e2e_wait 180 "Chromium showing the news page" e2e_visible_window '^Daily news - Chromium$'

e2e_start_firefox firefox --no-remote "$casino"
e2e_wait 180 "Firefox sent from the casino page to the blocked page" \
    e2e_visible_window "^$BLOCKED_TITLE — Mozilla Firefox\$"
e2e_shot "$E2E_NAME-firefox-blocked"

# The blocker has been reading every bar all along: the news page was left alone.
e2e_visible_window '^Daily news - Chromium$' >/dev/null ||
    e2e_fail "Chromium's news page was not left alone"

# The guest opens a blocked address in Chromium from another program (a link in a
# mail, say): the running browser shows it in a new tab of its window.
e2e_start_chromium chromium-link "$casino"
e2e_wait 120 "Chromium sent from the casino page to the blocked page" \
    e2e_visible_window "^$BLOCKED_TITLE - Chromium\$"
e2e_shot "$E2E_NAME-chromium-blocked"

kill -0 "$E2E_QUORVEL" 2>/dev/null || e2e_fail "the program ended during the session"
# The blocker works hidden: the session's window is the program's only one shown.
[ "$(xdotool search --onlyvisible --pid "$E2E_QUORVEL" 2>/dev/null | wc -l)" -eq 1 ] ||
    e2e_fail "more than the session's window is shown"
e2e_log "passed"
