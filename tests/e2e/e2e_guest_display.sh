#!/usr/bin/env bash
# The guest's own display, as quorvel-wm.service runs it (window-manager) where
# kiosk.conf names one, on a screen whose keyboard is German: an Xephyr window fills
# the screen from its corner; the nested display has the screen's size and keyboard
# layout, a window manager of its own, and lets in the accounts kiosk.conf names and
# nobody else; Chromium on it opens an address typed on the screen's keyboard ("/"
# and Return are not misread); and when the nested display ends, so does the script,
# for the unit to start it afresh.
source "$(dirname "$0")/lib.sh"
e2e_require Xvfb Xephyr openbox setxkbmap xdotool xprop xwininfo xdpyinfo xauth xhost mcookie setpriv chromium
HOOKS=$(cd "$(dirname "$0")/../../packaging/kiosk" && pwd)
NESTED=:$((100 + RANDOM % 99))
# Accounts every Debian system has: one let in, one not.
LET_IN=nobody
KEPT_OUT=daemon

e2e_start_xvfb 1024x768
setxkbmap -layout de || e2e_fail "cannot give the screen a German keyboard"
cat >"$E2E_TMP/kiosk.conf" <<EOF
QUORVEL_ACCOUNT=$LET_IN
QUORVEL_WM_ACCOUNT=$(id -un)
QUORVEL_GUEST_ACCOUNT=$LET_IN
QUORVEL_GUEST_DISPLAY=$NESTED
EOF
mkdir -p "$E2E_TMP/runtime"
# No program of the test's is the lock's service: the window manager does not wait for a
# lock.
e2e_bg window-manager env QUORVEL_KIOSK_CONF="$E2E_TMP/kiosk.conf" \
    QUORVEL_OPENBOX_RC="$HOOKS/openbox-rc.xml" RUNTIME_DIRECTORY="$E2E_TMP/runtime" \
    "$HOOKS/window-manager"
MANAGER=$E2E_LAST_PID
ON_NESTED=(env DISPLAY="$NESTED" XAUTHORITY="$E2E_TMP/runtime/nested.auth")
e2e_wait 60 "the nested display" "${ON_NESTED[@]}" xdpyinfo
e2e_wait 60 "its window on the screen" e2e_visible_window '^Quorvel \(DE\) guest$'
NESTED_WINDOW=$(e2e_visible_window '^Quorvel \(DE\) guest$')
e2e_wait 30 "the window at the screen's corner, the screen's size" e2e_covers_screen "$NESTED_WINDOW"
nested_size=$("${ON_NESTED[@]}" xdpyinfo | awk '/dimensions:/ { print $2 }')
[ "$nested_size" = 1024x768 ] || e2e_fail "the nested display is $nested_size, the screen 1024x768"
"${ON_NESTED[@]}" setxkbmap -query | grep -q '^layout: *de$' ||
    e2e_fail "the nested display's keyboard: $("${ON_NESTED[@]}" setxkbmap -query)"
nested_wm() { "${ON_NESTED[@]}" xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
e2e_wait 30 "a window manager on the nested display" nested_wm

# By account, without a cookie.
setpriv --reuid "$LET_IN" --regid nogroup --clear-groups env DISPLAY="$NESTED" XAUTHORITY=/dev/null \
    xdpyinfo >/dev/null 2>&1 || e2e_fail "$LET_IN, named in kiosk.conf, is kept out"
setpriv --reuid "$KEPT_OUT" --regid nogroup --clear-groups env DISPLAY="$NESTED" XAUTHORITY=/dev/null \
    xdpyinfo >/dev/null 2>&1 && e2e_fail "$KEPT_OUT, named nowhere, is let in"

# Chromium on the nested display, keys on the screen's: the screen's focus on the window.
cat >"$E2E_TMP/start.html" <<'EOF'
<!DOCTYPE html><title>Start page</title><p>Start</p>
EOF
cat >"$E2E_TMP/typed.html" <<'EOF'
<!DOCTYPE html><title>Typed address</title><p>Reached by typing</p>
EOF
DISPLAY=$NESTED XAUTHORITY=$E2E_TMP/runtime/nested.auth \
    e2e_start_chromium chromium "file://$E2E_TMP/start.html"
on_page() { "${ON_NESTED[@]}" xdotool search --onlyvisible --name "^$1 - Chromium$" >/dev/null 2>&1; }
e2e_wait 120 "Chromium's start page on the nested display" on_page "Start page"
xdotool windowfocus --sync "$NESTED_WINDOW" || e2e_fail "cannot focus the nested display's window"
# Chromium takes the keys once its page has the focus.
chromium_focused() { [ "$("${ON_NESTED[@]}" xdotool getwindowfocus getwindowname)" = "Start page - Chromium" ]; }
e2e_wait 30 "Chromium's window focused on the nested display" chromium_focused
xdotool key ctrl+l
xdotool type --delay 30 "file://$E2E_TMP/typed.html"
xdotool key Return
e2e_wait 60 "the typed address opened" on_page "Typed address"
e2e_shot "$E2E_NAME-typed"

# The nested display ends: so does everything the script started, and the script.
pkill -f "^Xephyr $NESTED " || e2e_fail "no Xephyr to end"
e2e_wait 30 "the window manager's script to end" e2e_not_running "$MANAGER"
status=0
wait "$MANAGER" || status=$?
[ "$status" -ne 0 ] || e2e_fail "the script ended with 0: the unit would not start it again"
window_gone() { ! e2e_visible_window '^Quorvel \(DE\) guest$' >/dev/null; }
e2e_wait 30 "the nested display's window to go" window_gone
managers_gone() { ! pgrep -f "openbox --sm-disable --config-file $HOOKS/openbox-rc.xml" >/dev/null; }
e2e_wait 30 "the script's window managers to end with it" managers_gone
e2e_log "passed"
