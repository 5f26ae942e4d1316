#!/usr/bin/env bash
# The owner's lists at the control panel, worked through the accessibility bus: a
# keyword blocked with "Enable Blocking" ticked, five quick-launch programs added
# (one of them a script that leaves a mark), a restriction applied. Then a guest
# session: the timer window lists the five programs in the order they were added, a
# click on one starts it, the session's blocker sends a browser away from an address
# with the keyword, and "On Top" keeps the window above another window raised
# over it (the window manager's stacking order says so) until it is cleared again.
# Screenshots of the three tabs and of the timer window at 1024x768.
source "$(dirname "$0")/panel_lib.sh"
e2e_require Xvfb openbox xdotool wmctrl xprop xwininfo xlogo import sqlcipher dbus-daemon

e2e_home
e2e_provision "$ADMIN_PASSWORD" "$GUEST_PASSWORD"
MARK=$E2E_TMP/launched
SCRIPT=$E2E_TMP/bin/write-mark
mkdir -p "$E2E_TMP/bin"
printf '#!/bin/sh\necho started > "%s"\n' "$MARK" >"$SCRIPT"
chmod 755 "$SCRIPT"

e2e_start_x 1024x768
a11y_start
e2e_start_quorvel
e2e_wait 30 "the lock" e2e_lock_in_place
panel_open

# ---- Security: one restriction applied -------------------------------------------------
panel_tab Security
a11y press "check box" "Remove Run Menu" || e2e_fail "cannot tick Remove Run Menu"
a11y press "push button" Apply || e2e_fail "cannot press Apply"
panel_answer "Changes have sucessfully been made to your computer" OK
session_admin reg query 'Software\Microsoft\Windows\CurrentVersion\Policies\Explorer' /v NoRun |
    grep -q 'REG_DWORD    0x1' || e2e_fail "NoRun is not 1"
e2e_shot "$E2E_NAME-1024x768-security"

# ---- Block Websites: a keyword and the switch ------------------------------------------
panel_tab "Block Websites"
for keyword in casino poker betting-and-lottery-results; do
    a11y set text "Website Name or Keyword" "$keyword" || e2e_fail "cannot type $keyword"
    a11y press "push button" Block || e2e_fail "cannot press Block"
    a11y_wait 10 "$keyword in the list" find "list item" "$keyword"
done
a11y press "check box" "Enable Blocking" || e2e_fail "cannot tick Enable Blocking"
e2e_wait 10 "Blocking stored as 1" eval "session_admin reg query 'Software\\Quorvel\\Settings' /v Blocking | grep -q 'REG_DWORD    0x1'"
session_admin reg query 'Software\Quorvel\URLs' /v casino | grep -q 'http://www.casino.com' ||
    e2e_fail "casino is not stored with its address"
e2e_shot "$E2E_NAME-1024x768-block-websites"

# ---- Timer Programs: five programs ---------------------------------------------------
panel_tab "Timer Programs"
add_program() {
    a11y set text "Program Name" "$1" || e2e_fail "cannot type the name $1"
    a11y set text "Location" "$2" || e2e_fail "cannot type the location of $1"
    a11y_wait 10 "Save to be enabled" state "push button" Save enabled
    a11y press "push button" Save || e2e_fail "cannot press Save"
    a11y_wait 10 "$1 in the list" find "list item" "$1"
}
PROGRAMS=("Mark the visit" "Word Processor" Spreadsheet "Photo Viewer and Editor" Games)
add_program "${PROGRAMS[0]}" "$SCRIPT"
for program in "${PROGRAMS[@]:1}"; do add_program "$program" /usr/bin/true; done
e2e_shot "$E2E_NAME-1024x768-timer-programs"
panel_close

# ---- The guest's session ---------------------------------------------------------------
session_sign_in
for program in "${PROGRAMS[@]}"; do
    a11y_wait 10 "$program in the quick-launch list" find "list item" "$program"
done
# The programs in the order they were added (the alarm box's two items are list items
# too).
programs() { a11y names "list item" | grep -v '^Alarm O' | tr '\n' '|'; }
[ "$(programs)" = "$(printf '%s|' "${PROGRAMS[@]}")" ] || e2e_fail "the quick-launch list reads: $(programs)"
[ "$(session_timers Remind)" = 1 ] || e2e_fail "Remind is $(session_timers Remind), not Alarm On's 1"
e2e_shot "$E2E_NAME-1024x768-timer-window"

# A single click starts the program.
read -r x y < <(a11y where "list item" "Mark the visit") || e2e_fail "no place for the program"
xdotool mousemove "$x" "$y" click 1
e2e_wait 20 "the program's mark" test -s "$MARK"

# ---- The blocker holds the keyword ----------------------------------------------------
# A stand-in browser (tests/platform/browserpeer) showing an address with the keyword:
# the session's blocker rewrites its bar and presses Enter, which the stand-in prints.
PEER=$E2E_BUILD/tests/browserpeer
[ -x "$PEER" ] || e2e_fail "the stand-in browser $PEER is not built"
# Its commands come on standard input, and it ends at their end: keep it open.
mkfifo "$E2E_TMP/peer-in"
exec 7<>"$E2E_TMP/peer-in"
e2e_bg peer bash -c 'exec "$0" "$@" <&7' "$PEER" Firefox id=urlbar-input "combo box" \
    - "Casino night — Mozilla Firefox" "http://www.casino.com/tables"
sent_away() { grep '^activate 0 ' "$E2E_TMP/peer.log" | grep -vq casino; }
e2e_wait 60 "the blocker to send the stand-in browser away from the keyword" sent_away
kill "$E2E_LAST_PID"

# ---- "On Top" -------------------------------------------------------------------------
e2e_bg xlogo xlogo -geometry 600x500+0+0
e2e_wait 30 "the other window" e2e_visible_window '^xlogo$'
OTHER=$(e2e_visible_window '^xlogo$')
raise_other() { xdotool windowactivate "$OTHER" 2>/dev/null || xdotool windowraise "$OTHER"; }
# The terminal has no task bar: a window the guest brings forward, even with the
# focus, stays below the timer window, so Logout is always in reach.
raise_other
other_active() { [ "$(($(xprop -root _NET_ACTIVE_WINDOW | grep -o '0x[0-9a-f]*')))" = "$OTHER" ]; }
e2e_wait 10 "the other window active" other_active
e2e_stacked_above "$TIMER_WINDOW" "$OTHER" || e2e_fail "the guest's window buried the timer window"

a11y press "check box" "On Top" || e2e_fail "cannot tick On Top"
e2e_wait 10 "the timer window on top" e2e_stacked_above "$TIMER_WINDOW" "$OTHER"
# A window that asks to stay above as well, raised over it while the program is held
# still, covers it; once the program runs again it brings its window back over.
wmctrl -i -r "$OTHER" -b add,above || e2e_fail "cannot put the other window above"
kill -STOP "$E2E_QUORVEL"
raise_other
e2e_wait 10 "the other window raised over the held timer window" e2e_stacked_above "$OTHER" "$TIMER_WINDOW"
kill -CONT "$E2E_QUORVEL"
e2e_wait 10 "the timer window back on top" e2e_stacked_above "$TIMER_WINDOW" "$OTHER"
e2e_shot "$E2E_NAME-on-top"

a11y press "check box" "On Top" || e2e_fail "cannot clear On Top"
e2e_wait 10 "On Top cleared" eval "! xprop -id $TIMER_WINDOW _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE"
raise_other
e2e_wait 10 "the other window covering the timer window" e2e_stacked_above "$OTHER" "$TIMER_WINDOW"
e2e_shot "$E2E_NAME-covered"

session_logout
e2e_wait 30 "the lock after Logout" e2e_lock_in_place
e2e_log "passed"
