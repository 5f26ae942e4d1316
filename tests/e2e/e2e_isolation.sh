#!/usr/bin/env bash
# The cafe PC's isolation, set up as the deployment sets it up: an X server started
# with an authority file (as LightDM starts it), the display-setup hook letting the
# program's account in, the program running as an account of its own, and the guest's
# desktop account holding only the cookie the session-wrapper hook leaves it. Every
# attack of the guest's is refused: reading the data file and the settings store,
# kill, xkill, typing into the lock, photographing it, renaming or unmapping it, a
# trusted grant of its own. The lock still holds, nothing is booked or changed, and no
# window property carries a password. Last, a guest session starts a quick-launch
# program: it runs as the guest's account, started by the session's launch agent,
# never as the program's.
#
# Needs root: it makes two accounts for the test and removes them afterwards.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/session_lib.sh"
e2e_require dbus-daemon dbus-send Xvfb openbox xdotool xprop xwininfo xdpyinfo xclip xauth xhost xkill import mcookie setpriv useradd userdel pgrep pkill
[ "$(id -u)" -eq 0 ] || e2e_fail "this test makes two accounts and must run as root"

SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
HOOKS=$SOURCE/packaging/kiosk

# ---- The two accounts: the program's (standing for quorvel) and the guest's --------
suffix=$(printf '%04x%04x' $RANDOM $RANDOM)
PROGRAM_USER=qvp-$suffix
GUEST_USER=qvg-$suffix
ACCOUNTS=()
# The accounts go once their last process has: userdel refuses an account in use.
isolation_cleanup() {
    local user status=$? left=0
    for user in "${ACCOUNTS[@]}"; do
        pkill -KILL -u "$user" 2>/dev/null || true
        for _ in $(seq 100); do pgrep -u "$user" >/dev/null || break; sleep 0.1; done
        userdel "$user" || { e2e_log "the test account $user could not be removed"; left=1; }
    done
    e2e_cleanup
    ((status != 0 || left == 0)) || exit 1
}
trap isolation_cleanup EXIT

# Other accounts may pass through the test folder, not read it.
chmod 711 "$E2E_TMP"
for user in "$PROGRAM_USER" "$GUEST_USER"; do
    useradd --system --user-group --no-create-home --home-dir "$E2E_TMP/$user" \
        --shell /usr/sbin/nologin "$user" || e2e_fail "cannot make the account $user"
    ACCOUNTS+=("$user")
    install -d -m 700 -o "$user" -g "$user" "$E2E_TMP/$user"
done
PROGRAM_HOME=$E2E_TMP/$PROGRAM_USER
GUEST_HOME=$E2E_TMP/$GUEST_USER
# The binaries, where both accounts can run them (the build folder may be private).
install -d -m 755 "$E2E_TMP/bin"
install -m 755 "$E2E_BUILD/quorvel" "$E2E_BUILD/quorvel-admin" "$E2E_BUILD/quorvel-launch-agent" \
    "$E2E_TMP/bin/"

# as USER HOME COMMAND...: runs COMMAND as USER with a clean environment, the home's
# XDG folders and the test's display; the process keeps the caller's process id.
as() {
    local user=$1 home=$2
    shift 2
    setpriv --reuid="$user" --regid="$user" --init-groups --reset-env \
        env HOME="$home" DISPLAY="${DISPLAY:-}" XDG_RUNTIME_DIR="$home/run" \
        XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" \
        XDG_STATE_HOME="$home/.local/state" ${XAUTHORITY_OF_CALL:+XAUTHORITY="$XAUTHORITY_OF_CALL"} \
        PATH="$E2E_TMP/bin:/usr/bin:/bin" "$@"
}
as_program() { XAUTHORITY_OF_CALL= as "$PROGRAM_USER" "$PROGRAM_HOME" "$@"; }
as_guest() { XAUTHORITY_OF_CALL=$GUEST_AUTHORITY as "$GUEST_USER" "$GUEST_HOME" "$@"; }

# ---- Provisioning, as the owner does it for the program's account ----------------------
as_program mkdir -p -m 700 "$PROGRAM_HOME/run"
as_program quorvel-admin init --admin-password "$ADMIN_PASSWORD" --guest-password "$GUEST_PASSWORD" \
    >"$E2E_TMP/provision.log" 2>&1 || e2e_fail "init as the program's account: $(cat "$E2E_TMP/provision.log")"
as_program quorvel-admin rates 10 15 20 25 >/dev/null || e2e_fail "cannot set the rates"
DATA_FILE=$PROGRAM_HOME/.local/share/Quorvel/Data/QuorvelData.mdb
STORE=$PROGRAM_HOME/.config/Quorvel/registry.db
[ "$(stat -c %a "$PROGRAM_HOME")" = 700 ] || e2e_fail "the program's home is not 0700"

# ---- The X server as LightDM starts it: access only with the server's cookie ----------
# Root's own clients (the window manager, the test's checks) hold that cookie, as
# LightDM's scripts and the trusted window manager's account do.
e2e_start_x_as_deployed 1024x768
cookie=$E2E_COOKIE

# display-setup, as LightDM runs it: root, the server's cookie, the accounts file.
cat >"$E2E_TMP/kiosk.conf" <<EOF
QUORVEL_ACCOUNT=$PROGRAM_USER
QUORVEL_WM_ACCOUNT=root
QUORVEL_GUEST_ACCOUNT=$GUEST_USER
QUORVEL_GUEST_SESSION="$E2E_TMP/bin/session-mark --started"
EOF
# The guest's session command: it notes who it runs as, that it was given its argument,
# and whether the session's accessibility was on as it started (as a browser started
# there would find it).
cat >"$E2E_TMP/bin/session-mark" <<EOF
#!/bin/sh
echo "\$(id -un) \$*" > "$GUEST_HOME/session-ran"
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \\
    org.freedesktop.DBus.Properties.Get string:org.a11y.Status string:IsEnabled \\
    > "$GUEST_HOME/a11y-at-start" 2>&1
EOF
chmod 755 "$E2E_TMP/bin/session-mark"
# It then holds the guest's session back while the program's service is starting (as
# systemd would answer here) until the lock is on the display.
mkdir -p "$E2E_TMP/service-starting"
printf '#!/bin/sh\necho activating\n' >"$E2E_TMP/service-starting/systemctl"
chmod 755 "$E2E_TMP/service-starting/systemctl"
e2e_bg display-setup env QUORVEL_KIOSK_CONF="$E2E_TMP/kiosk.conf" \
    PATH="$E2E_TMP/service-starting:$PATH" "$HOOKS/display-setup"
SETUP=$E2E_LAST_PID

# ---- The program, as its own account, with no cookie at all ------------------------------
# As quorvel.service starts it: the desktop's account named from kiosk.conf.
e2e_bg quorvel as_program env QUORVEL_GUEST_ACCOUNT="$GUEST_USER" quorvel
program_process() { pgrep -u "$PROGRAM_USER" -x quorvel; }
e2e_wait 60 "the program's process" program_process
E2E_QUORVEL=$(program_process)
e2e_wait 60 "display-setup to let the guest's session start" e2e_not_running "$SETUP"
wait "$SETUP" || e2e_fail "display-setup failed: $(cat "$E2E_TMP/display-setup.log")"
e2e_visible_window '^Login Screen$' >/dev/null || e2e_fail "display-setup let the session start before the lock showed"
e2e_wait 60 "the lock" e2e_lock_in_place
LOGIN=$E2E_LOGIN
e2e_shot "$E2E_NAME-lock"

# ---- The guest's session: LightDM's trusted cookie, then the session-wrapper ---------
install -d -m 700 -o "$GUEST_USER" -g "$GUEST_USER" "$GUEST_HOME/run"
GUEST_AUTHORITY=$GUEST_HOME/run/xauthority
as "$GUEST_USER" "$GUEST_HOME" touch "$GUEST_AUTHORITY"
as "$GUEST_USER" "$GUEST_HOME" xauth -q -f "$GUEST_AUTHORITY" add "$DISPLAY" . "$cookie"
# The guest's session bus where systemd's user instance makes it (dbus-user-session):
# Debian's session start-up finds it in the runtime folder. It starts the accessibility
# bus's launcher without the display, as the package's drop-in has systemd start it
# (with the display the untrusted cookie's refused root-window write ends it).
mkdir -p "$E2E_TMP/guest-services"
cat >"$E2E_TMP/guest-services/org.a11y.Bus.service" <<EOF
[D-BUS Service]
Name=org.a11y.Bus
Exec=/usr/bin/env -u DISPLAY -u XAUTHORITY /usr/libexec/at-spi-bus-launcher
EOF
cat >"$E2E_TMP/guest-bus.conf" <<EOF
<busconfig>
  <servicedir>$E2E_TMP/guest-services</servicedir>
  <include>/usr/share/dbus-1/session.conf</include>
</busconfig>
EOF
chmod -R a+rX "$E2E_TMP/guest-services" "$E2E_TMP/guest-bus.conf"
e2e_bg guest-bus as "$GUEST_USER" "$GUEST_HOME" dbus-daemon --config-file="$E2E_TMP/guest-bus.conf" \
    --nofork --nopidfile --address="unix:path=$GUEST_HOME/run/bus"
e2e_wait 30 "the guest's session bus" test -S "$GUEST_HOME/run/bus"
# LightDM runs the session file's Exec= through the wrapper.
as_guest env QUORVEL_KIOSK_CONF="$E2E_TMP/kiosk.conf" QUORVEL_LAUNCH_AGENT="$E2E_TMP/bin/quorvel-launch-agent" \
    "$HOOKS/session-wrapper" "$HOOKS/guest-session" >>"$E2E_TMP/session.log" 2>&1 ||
    e2e_fail "the session-wrapper failed"
# The session went through Debian's start-up (/etc/X11/Xsession notes each session it
# starts) into the command kiosk.conf names.
grep -q "X session started for $GUEST_USER" "$GUEST_HOME/.xsession-errors" 2>/dev/null ||
    e2e_fail "Debian's /etc/X11/Xsession did not run for the guest's session"
[ "$(cat "$GUEST_HOME/session-ran" 2>/dev/null)" = "$GUEST_USER --started" ] ||
    e2e_fail "the guest's session command did not run as the guest: $(cat "$GUEST_HOME/session-ran" 2>&1)"
# The agent started inside the session, on its session bus, and switched accessibility
# on before the session's own command ran.
grep -q "boolean true" "$GUEST_HOME/a11y-at-start" ||
    e2e_fail "accessibility was not on as the guest's session started: $(cat "$GUEST_HOME/a11y-at-start")"
agent_running() { pgrep -u "$GUEST_USER" -f quorvel-launch-agent; }
e2e_wait 30 "the launch agent in the guest's session" agent_running
as_guest xauth -f "$GUEST_AUTHORITY" list | grep -q "$cookie" &&
    e2e_fail "the guest's authority file still holds the server's cookie"
as_guest xdpyinfo >/dev/null 2>&1 || e2e_fail "the guest's desktop cannot reach the display"

# What the program had stored before the guest's attacks.
snapshot() {
    sha256sum "$DATA_FILE"
    as_program quorvel-admin reg query 'Software\Quorvel\Timers'
    as_program quorvel-admin reg query 'Software\Quorvel\Settings'
}
before=$(snapshot)

# refused WHAT COMMAND...: the guest's COMMAND must fail.
refused() {
    local what=$1
    shift
    if as_guest "$@" >>"$E2E_TMP/attacks.log" 2>&1; then e2e_fail "the guest could $what"; fi
    e2e_log "refused: $what"
}

refused "read the data file" cat "$DATA_FILE"
refused "read the settings store" cat "$STORE"
refused "list the program's folder" ls "$PROGRAM_HOME"
refused "read the program's environment" cat "/proc/$E2E_QUORVEL/environ"
refused "kill the program" kill -KILL "$E2E_QUORVEL"
refused "stop the program" kill -TERM "$E2E_QUORVEL"
refused "connect without the cookie" env XAUTHORITY=/dev/null xdpyinfo
# Debian's session scripts have just run this very command for the desktop account
# (35x11-common_xhost-local); from an untrusted client the server refuses it, whatever
# xhost itself reports.
as_guest xhost +SI:localuser:"$GUEST_USER" >>"$E2E_TMP/attacks.log" 2>&1 || true
refused "grant itself trusted access" env XAUTHORITY=/dev/null xdpyinfo
xhost | grep -qi "$GUEST_USER" && e2e_fail "the guest's account is in the display's access list"
refused "type into the lock" xdotool type --window "$LOGIN" guest
refused "press keys at the lock" xdotool key --window "$LOGIN" Tab Return
refused "synthesize keys through XTEST" xdotool key Return
refused "unmap the lock" xdotool windowunmap "$LOGIN"
refused "rename the lock" xdotool set_window --name pwned "$LOGIN"
refused "photograph the lock" import -window "$LOGIN" "$GUEST_HOME/lock.png"
# xkill reports nothing useful either way: what counts is that the program lives on.
as_guest xkill -id "$LOGIN" >>"$E2E_TMP/attacks.log" 2>&1 || true
as_guest xdotool windowkill "$LOGIN" >>"$E2E_TMP/attacks.log" 2>&1 || true

e2e_not_running "$E2E_QUORVEL" && e2e_fail "the guest ended the program"
e2e_lock_in_place || e2e_fail "the lock no longer holds after the guest's attacks"
[ "$LOGIN" = "$E2E_LOGIN" ] || e2e_fail "the login screen had to be made again"
e2e_shot "$E2E_NAME-after-attacks"

# ---- Nothing secret in what any client can read -------------------------------------
# A password typed at the lock (the owner's, trusted) is in no window's title or
# property, nor in a selection the guest can ask for.
xdotool type --window "$LOGIN" --delay 20 "$ADMIN_PASSWORD"
all_properties() {
    local window
    for window in $(xwininfo -root -tree | grep -o '0x[0-9a-f]*'); do
        xprop -id "$window" 2>/dev/null
        xwininfo -id "$window" 2>/dev/null | sed -n 's/^xwininfo: Window id: //p'
    done
    xprop -root 2>/dev/null
}
properties=$(as_guest bash -c "$(declare -f all_properties); all_properties")
[ -n "$properties" ] || e2e_fail "the guest read no property at all"
for secret in "$ADMIN_PASSWORD" "$GUEST_PASSWORD" quiltmoss; do
    grep -qF -- "$secret" <<<"$properties" && e2e_fail "a window property holds '$secret'"
    as_guest xclip -o -selection primary 2>/dev/null | grep -qF -- "$secret" &&
        e2e_fail "the primary selection gives '$secret'"
done
e2e_log "no password or key in $(wc -l <<<"$properties") lines of titles and properties"
xdotool key --window "$LOGIN" ctrl+a BackSpace

# ---- Nothing booked, nothing changed ------------------------------------------------------
after=$(snapshot)
[ "$before" = "$after" ] || e2e_fail "the program's stored data changed: $(diff <(echo "$before") <(echo "$after"))"
e2e_find_window 'Quorvel Timer$' >/dev/null && e2e_fail "a guest session was started"

# ---- Quick launch runs as the guest ----------------------------------------------------
MARK=$GUEST_HOME/launched-as
printf '#!/bin/sh\nid -un > "%s"\n' "$MARK" >"$E2E_TMP/bin/whoami-mark"
chmod 755 "$E2E_TMP/bin/whoami-mark"
as_program quorvel-admin reg add 'Software\Quorvel\Programs' /v "Who am I" /d "$E2E_TMP/bin/whoami-mark" \
    >/dev/null || e2e_fail "cannot add the quick-launch program"
session_sign_in
# From the keyboard: the alarm box has the focus, then "On Top", then the list, whose
# first program becomes the current one; Enter starts it.
xdotool windowactivate --sync "$TIMER_WINDOW" 2>/dev/null || true
xdotool key Tab Tab Return
e2e_wait 20 "the quick-launch program's mark" test -s "$MARK"
[ "$(cat "$MARK")" = "$GUEST_USER" ] || e2e_fail "the quick-launch program ran as $(cat "$MARK")"
e2e_shot "$E2E_NAME-quick-launch"

# ---- Logout asks for a fresh guest desktop ---------------------------------------------
# In the program's runtime folder, which only its account can write to, for the root-owned
# path unit (quorvel-guest-reset.path) to find.
REQUEST=$PROGRAM_HOME/run/guest-reset
[ -e "$REQUEST" ] && e2e_fail "a fresh desktop was asked for before Logout"
session_logout
e2e_wait 20 "the request for a fresh guest desktop" test -s "$REQUEST"
e2e_wait 20 "the lock after Logout" e2e_lock_in_place
[ "$(stat -c %U "$REQUEST")" = "$PROGRAM_USER" ] || e2e_fail "the request is $(stat -c %U "$REQUEST")'s"
e2e_log "passed"
