#!/usr/bin/env bash
# Shared by the end-to-end scripts: a private X server (Xvfb) with a real window
# manager (openbox) and a dock standing in for the taskbar, temporary home folders,
# the program provisioned and started, polling helpers, screenshots, and a cleanup
# that stops every process started here.
#
# Environment: QUORVEL_BUILD (the build folder), QUORVEL_ARTIFACTS (where screenshots
# go; defaults to $QUORVEL_BUILD/artifacts).
set -euo pipefail

E2E_NAME=$(basename "$0" .sh)
E2E_BUILD=$(cd "${QUORVEL_BUILD:?QUORVEL_BUILD must name the build folder}" && pwd)
E2E_ARTIFACTS=${QUORVEL_ARTIFACTS:-$E2E_BUILD/artifacts}
E2E_TOOLS=$E2E_BUILD/tests/e2e
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-e2e.XXXXXX")
E2E_PIDS=()
E2E_LAST_PID=
mkdir -p "$E2E_ARTIFACTS"
# Never the desktop of whoever runs the tests: the scripts start their own server.
unset DISPLAY

e2e_log() { echo "[$(date +%T.%3N)] $*" >&2; }

e2e_shot() {
    [ -n "${DISPLAY:-}" ] || return 0
    import -window root "$E2E_ARTIFACTS/$1.png" 2>/dev/null || true
    e2e_log "screenshot $E2E_ARTIFACTS/$1.png"
}

e2e_fail() {
    e2e_log "FAIL: $*"
    e2e_shot "$E2E_NAME-failure"
    {
        echo "FAIL: $*"
        [ -n "${DISPLAY:-}" ] && xwininfo -root -children 2>&1 | head -n 20
        for log in "$E2E_TMP"/*.log; do
            [ -s "$log" ] && { echo "--- $log"; tail -n 30 "$log"; }
        done
    } | tee "$E2E_ARTIFACTS/$E2E_NAME-failure.txt" >&2
    exit 1
}

# Stops what was started, newest first, each by its own process id.
e2e_cleanup() {
    local i pid
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${E2E_PIDS[i]}
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${E2E_PIDS[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

# Starts a command in the background with its output in $E2E_TMP/<label>.log;
# its process id is in E2E_LAST_PID.
e2e_bg() {
    local label=$1
    shift
    "$@" >"$E2E_TMP/$label.log" 2>&1 &
    E2E_LAST_PID=$!
    E2E_PIDS+=("$E2E_LAST_PID")
}

# e2e_wait SECONDS WHAT COMMAND...: runs COMMAND until it succeeds; fails the test
# with WHAT when it has not within SECONDS. The shell expands the arguments once,
# before the first try: a value that must be read anew each time (`$(xdotool ...)`)
# belongs inside a function passed as COMMAND, never in the arguments.
e2e_wait() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        if ((SECONDS >= deadline)); then e2e_fail "timed out after ${seconds}s waiting for: $what"; fi
        sleep 0.1
    done
}

# The tools a script drives the desktop with. scripts/install-deps installs each, so
# one that is missing is a failure of the set-up, never a reason to skip.
e2e_require() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 ||
            e2e_fail "the tool '$tool' is not installed (scripts/install-deps installs it)"
    done
}

# e2e_home [NAME]: temporary home, data, state, configuration and runtime folders, in
# $E2E_TMP/NAME ("home" when not named; a script playing two PCs gives each its own).
e2e_home() {
    export HOME=$E2E_TMP/${1:-home}
    export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
    export XDG_STATE_HOME=$HOME/.local/state XDG_RUNTIME_DIR=$E2E_TMP/run${1:+-$1}
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    # Where provisioning puts the data file, and the system directory (session log).
    E2E_DATA=$XDG_DATA_HOME/Quorvel/Data/QuorvelData.mdb
    E2E_SYSDIR=$XDG_STATE_HOME/Quorvel
}

# e2e_sql SQL: runs SQL on the data file through the sqlcipher shell, as a cafe owner
# would read it.
e2e_sql() { printf "PRAGMA key='quiltmoss';\n%s\n" "$1" | sqlcipher -batch -noheader "$E2E_DATA"; }

# e2e_provision ADMIN_PASSWORD GUEST_PASSWORD: the data file, the notes folder and
# the program's settings keys, as the owner sets up a terminal. The one way every
# script provisions.
e2e_provision() {
    local admin=$E2E_BUILD/quorvel-admin
    [ -x "$admin" ] || e2e_fail "quorvel-admin is not built in $E2E_BUILD"
    "$admin" init --admin-password "$1" --guest-password "$2" >"$E2E_TMP/provision.log" 2>&1 ||
        e2e_fail "quorvel-admin init failed: $(cat "$E2E_TMP/provision.log")"
}

# The figures a long guest session left behind (already booked), so the login screen's
# "Previous user details:" block shows its widest texts.
e2e_seed_previous_session() {
    local admin=$E2E_BUILD/quorvel-admin
    "$admin" reg add 'Software\Quorvel\Timers' /v UserId /t REG_SZ /d guest >/dev/null
    "$admin" reg add 'Software\Quorvel\Timers' /v Date /t REG_SZ /d 12/24/2026 >/dev/null
    "$admin" reg add 'Software\Quorvel\Timers' /v Elapsed /t REG_SZ /d '123 : 59 : 59' >/dev/null
    "$admin" reg add 'Software\Quorvel\Timers' /v Amount /t REG_SZ /d 32767 >/dev/null
    "$admin" reg add 'Software\Quorvel\Timers' /v Status /t REG_DWORD /d 0 >/dev/null
    "$admin" reg add 'Software\Quorvel\Settings' /v Currency /t REG_SZ /d Rs >/dev/null
}

# e2e_start_xvfb WIDTHxHEIGHT [XVFB_OPTION...]: Xvfb on a free display, DISPLAY
# exported, the server's process id in E2E_XVFB. The display number is drawn from a high range rather than the first free
# one, so that a program elsewhere on the machine that assumes :0 or :1 never talks to
# ours.
e2e_start_xvfb() {
    local size=$1 number attempt ready=$E2E_TMP/display-ready
    shift
    for attempt in $(seq 20); do
        number=$((200 + RANDOM % 700))
        [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
        # With -displayfd the server writes its number only once it listens: then it
        # is ours and not one that another program started at the same moment.
        : >"$ready"
        # -noreset: a server whose last client leaves resets and refuses whoever
        # connects meanwhile; the polls below come and go while openbox connects.
        e2e_bg xvfb Xvfb ":$number" -displayfd 3 -screen 0 "${size}x24" -dpi 96 -nolisten tcp -noreset \
            "$@" 3>"$ready"
        local deadline=$((SECONDS + 60))
        until grep -q . "$ready"; do
            kill -0 "$E2E_LAST_PID" 2>/dev/null || break
            ((SECONDS < deadline)) || e2e_fail "Xvfb on :$number did not come up"
            sleep 0.1
        done
        if grep -q . "$ready" && kill -0 "$E2E_LAST_PID" 2>/dev/null; then
            export DISPLAY=:$number
            E2E_XVFB=$E2E_LAST_PID
            break
        fi
        e2e_log "display :$number was taken, trying another"
    done
    [ -n "${DISPLAY:-}" ] || e2e_fail "no free display for Xvfb"
}

# A session bus, as every desktop session has one: the accessibility bus launcher starts
# on it when first asked for. DBUS_SESSION_BUS_ADDRESS is exported.
e2e_start_session_bus() {
    local ready=$E2E_TMP/session-bus-address
    : >"$ready"
    e2e_bg session-bus dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$ready"
    e2e_wait 60 "the session bus" grep -q . "$ready"
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$ready")
    export DBUS_SESSION_BUS_ADDRESS
}

# The window manager as the cafe PC runs it (quorvel-wm.service): the package's own
# configuration, so that what it binds is what the tests click through.
E2E_OPENBOX_RC=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../packaging/kiosk" && pwd)/openbox-rc.xml
e2e_start_openbox() {
    [ -r "$E2E_OPENBOX_RC" ] || e2e_fail "no window manager configuration at $E2E_OPENBOX_RC"
    e2e_bg openbox openbox --sm-disable --config-file "$E2E_OPENBOX_RC"
    e2e_wait 60 "openbox to manage the screen" e2e_wm_running
}

# e2e_start_x WIDTHxHEIGHT: Xvfb, openbox, and the dock standing in for the taskbar.
e2e_start_x() {
    local size=$1
    e2e_start_xvfb "$size"
    e2e_start_openbox
    e2e_start_dock
    e2e_log "X server $DISPLAY at $size with openbox and dock $E2E_DOCK"
}

# e2e_start_x_as_deployed WIDTHxHEIGHT: the X server as the display manager starts it
# on a cafe PC: only a client holding the server's cookie (E2E_COOKIE), or running as
# an account that an `xhost +SI:localuser:` grant lets in, may connect. This script's
# own clients, openbox and the dock among them, hold the cookie through XAUTHORITY.
e2e_start_x_as_deployed() {
    local server=$E2E_TMP/server.auth
    E2E_COOKIE=$(mcookie)
    : >"$server"
    xauth -q -f "$server" add :0 . "$E2E_COOKIE"
    e2e_start_xvfb "$1" -auth "$server"
    export XAUTHORITY=$E2E_TMP/root.auth
    : >"$XAUTHORITY"
    xauth -q -f "$XAUTHORITY" add "$DISPLAY" . "$E2E_COOKIE"
    e2e_start_openbox
    e2e_start_dock
    e2e_log "X server $DISPLAY at $1 with access control, openbox and dock $E2E_DOCK"
}

e2e_start_dock() {
    e2e_bg dock "$E2E_TOOLS/dockwin"
    e2e_wait 60 "the dock window" e2e_find_window '^quorvel-e2e-dock$'
    E2E_DOCK=$(e2e_find_window '^quorvel-e2e-dock$')
    e2e_wait 60 "the dock to be shown" e2e_map_dock
}

# A map request that reaches openbox while it is still starting can go unanswered:
# ask again until the dock shows.
e2e_map_dock() {
    e2e_viewable "$E2E_DOCK" && return 0
    xdotool windowmap "$E2E_DOCK" 2>/dev/null
    e2e_viewable "$E2E_DOCK"
}

e2e_wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

# The first window (viewable or not) whose name matches the pattern.
e2e_find_window() { xdotool search --name "$1" 2>/dev/null | head -n 1 | grep .; }
# The first viewable window whose name matches the pattern.
e2e_visible_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 | grep .; }

e2e_map_state() { xwininfo -id "$1" 2>/dev/null | sed -n 's/^ *Map State: //p'; }
e2e_viewable() { [ "$(e2e_map_state "$1")" = IsViewable ]; }
e2e_unmapped() { [ "$(e2e_map_state "$1")" = IsUnMapped ]; }

# "X Y WIDTH HEIGHT" of a window on the screen.
e2e_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /^ *Width:/ {w=$2} /^ *Height:/ {h=$2} END {print x, y, w, h}'
}
e2e_screen_size() { xwininfo -root | awk '/^ *Width:/ {w=$2} /^ *Height:/ {h=$2} END {print w, h}'; }
e2e_covers_screen() { [ "$(e2e_geometry "$1")" = "0 0 $(e2e_screen_size)" ]; }

e2e_focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
# The window manager names the window as the active one (_NET_ACTIVE_WINDOW).
e2e_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }

# A stand-in for the guest's browser: a plain window, maximised, as LightDM's autologin
# leaves a cafe PC's desktop. Its window id is in E2E_BROWSER.
e2e_start_guest_browser() {
    e2e_bg browser xmessage -buttons "" -title "Guest browser" "the guest's browser"
    e2e_wait 30 "the stand-in browser" e2e_visible_window '^Guest browser$'
    E2E_BROWSER=$(e2e_visible_window '^Guest browser$')
    wmctrl -i -r "$E2E_BROWSER" -b add,maximized_vert,maximized_horz || e2e_fail "cannot maximise the browser"
}

# e2e_stacked_above UPPER LOWER: the window manager stacks UPPER above LOWER.
e2e_stacked_above() {
    local order
    order=$(xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-f]*' | while read -r id; do echo $((id)); done)
    local upper lower
    upper=$(grep -nx "$(($1))" <<<"$order" | cut -d: -f1)
    lower=$(grep -nx "$(($2))" <<<"$order" | cut -d: -f1)
    [ -n "$upper" ] && [ -n "$lower" ] && [ "$upper" -gt "$lower" ]
}

# Top-most: the window asks for the "above" layer and is the highest managed window.
e2e_top_most() {
    xprop -id "$1" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || return 1
    local top
    top=$(xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-f]*' | tail -n 1)
    [ -n "$top" ] && [ $((top)) -eq "$1" ]
}

# What another X client gets when it tries to take the keyboard or the pointer.
e2e_probe() { "$E2E_TOOLS/grabprobe" "${1:-keyboard}" || true; }
e2e_input_held() { [ "$(e2e_probe keyboard)" = AlreadyGrabbed ] && [ "$(e2e_probe pointer)" = AlreadyGrabbed ]; }
e2e_input_free() { [ "$(e2e_probe keyboard)" = GrabSuccess ] && [ "$(e2e_probe pointer)" = GrabSuccess ]; }

e2e_clipboard_has() { xclip -o -selection clipboard -t UTF8_STRING 2>/dev/null | grep -qF -- "$1"; }

# True once a window shows more than one colour: it has been drawn.
e2e_painted() {
    local colours
    colours=$(import -window "$1" png:- 2>/dev/null | convert png:- -format %k info: 2>/dev/null) || return 1
    [ "${colours:-0}" -gt 1 ]
}

# e2e_start_quorvel [LABEL]: starts the program (output in $E2E_TMP/quorvelLABEL.log);
# its process id is in E2E_QUORVEL.
e2e_start_quorvel() {
    e2e_bg "quorvel${1:-}" "$E2E_BUILD/quorvel"
    E2E_QUORVEL=$E2E_LAST_PID
}

e2e_stop_quorvel() {
    kill "$E2E_QUORVEL" 2>/dev/null || true
    e2e_wait 60 "the program to end" e2e_not_running "$E2E_QUORVEL"
}
e2e_running() { kill -0 "$1" 2>/dev/null; }
e2e_not_running() { ! kill -0 "$1" 2>/dev/null; }

# e2e_hold_lock MODE PATH: one process that takes flock MODE (-x or -s) on PATH and
# holds it until it is killed (its process id in E2E_LAST_PID).
e2e_hold_lock() {
    e2e_bg holder bash -c 'exec 9<"$2" && flock "$1" 9 && exec sleep 600' _ "$1" "$2"
}
# A viewable window of a process (Qt sets _NET_WM_PID).
e2e_window_of() { xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n 1 | grep .; }

# The lock as a cafe relies on it: the login screen covers the screen, is top-most
# and focused, the dock is hidden and no other client can take the input. The login
# screen's window id is left in E2E_LOGIN (it changes if the window had to be made
# again).
e2e_lock_in_place() {
    local window
    window=$(e2e_visible_window '^Login Screen$') || return 1
    E2E_LOGIN=$window
    e2e_covers_screen "$E2E_LOGIN" && e2e_top_most "$E2E_LOGIN" && e2e_focused "$E2E_LOGIN" &&
        e2e_unmapped "$E2E_DOCK" && e2e_input_held
}

# e2e_type_sign_in LOGIN PASSWORD: types both at the login screen and presses Enter.
e2e_type_sign_in() {
    xdotool type --delay 30 "$1"
    xdotool key Tab
    xdotool type --delay 30 "$2"
    xdotool key Return
}

# Signs the guest in at the login screen and waits for the desktop to be given back.
e2e_guest_sign_in() {
    e2e_type_sign_in guest "$1"
    e2e_wait 30 "the guest's desktop" e2e_guest_desktop
}
e2e_guest_desktop() { ! e2e_visible_window '^Login Screen$' >/dev/null && e2e_input_free; }

# The browsers a guest uses, each on a fresh profile in $E2E_TMP and kept off the
# network (no updates, reports, suggestions or first-run pages). The process id is in
# E2E_LAST_PID. Chromium runs as root only without its sandbox.
e2e_start_chromium() {
    local label=$1
    shift
    local flags=(--user-data-dir="$E2E_TMP/chromium" --no-first-run --no-default-browser-check
        --disable-background-networking --disable-component-update --disable-sync
        --disable-default-apps --disable-features=Translate,MediaRouter
        --password-store=basic --test-type)
    [ "$(id -u)" -ne 0 ] || flags+=(--no-sandbox)
    e2e_bg "$label" chromium "${flags[@]}" "$@"
}
e2e_start_firefox() {
    local label=$1 profile=$E2E_TMP/firefox
    shift
    if [ ! -e "$profile/user.js" ]; then
        mkdir -p "$profile"
        cat >"$profile/user.js" <<'PREFS'
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("browser.aboutwelcome.enabled", false);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("datareporting.healthreport.uploadEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("app.update.auto", false);
user_pref("app.normandy.enabled", false);
user_pref("network.captive-portal-service.enabled", false);
user_pref("network.connectivity-service.enabled", false);
user_pref("browser.safebrowsing.malware.enabled", false);
user_pref("browser.safebrowsing.phishing.enabled", false);
user_pref("browser.safebrowsing.downloads.enabled", false);
user_pref("extensions.update.enabled", false);
user_pref("browser.search.update", false);
user_pref("browser.region.network.url", "");
user_pref("browser.newtabpage.enabled", false);
user_pref("network.dns.disablePrefetch", true);
user_pref("network.prefetch-next", false);
PREFS
    fi
    e2e_bg "$label" firefox-esr --profile "$profile" "$@"
}
