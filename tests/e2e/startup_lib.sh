#!/usr/bin/env bash
# Shared by the start-up end-to-end scripts: a private X server, temporary home
# folders, the program provisioned and started, polling helpers, and a cleanup that
# stops every process started here by its own process id.
#
# Environment: QUORVEL_BUILD (the build folder), QUORVEL_ARTIFACTS (screenshots).
set -euo pipefail

SU_NAME=$(basename "$0" .sh)
SU_BUILD=$(cd "${QUORVEL_BUILD:?QUORVEL_BUILD must name the build folder}" && pwd)
SU_ARTIFACTS=${QUORVEL_ARTIFACTS:-$SU_BUILD/artifacts}
SU_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-e2e.XXXXXX")
SU_PIDS=()
SU_LAST_PID=
mkdir -p "$SU_ARTIFACTS"

su_log() { echo "[$(date +%T.%3N)] $*" >&2; }

su_shot() {
    [ -n "${DISPLAY:-}" ] || return 0
    import -window root "$SU_ARTIFACTS/$1.png" 2>/dev/null || true
}

su_fail() {
    su_log "FAIL: $*"
    su_shot "$SU_NAME-failure"
    for log in "$SU_TMP"/*.log; do
        [ -s "$log" ] && { echo "--- $log" >&2; tail -n 20 "$log" >&2; }
    done
    exit 1
}

su_cleanup() {
    local i pid
    for ((i = ${#SU_PIDS[@]} - 1; i >= 0; i--)); do kill "${SU_PIDS[i]}" 2>/dev/null || true; done
    for pid in "${SU_PIDS[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$SU_TMP"
}
trap su_cleanup EXIT

# su_bg LABEL COMMAND...: in the background, output in $SU_TMP/LABEL.log.
su_bg() {
    local label=$1
    shift
    "$@" >"$SU_TMP/$label.log" 2>&1 &
    SU_LAST_PID=$!
    SU_PIDS+=("$SU_LAST_PID")
}

# su_wait SECONDS WHAT COMMAND...: polls COMMAND until it succeeds.
su_wait() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        ((SECONDS < deadline)) || su_fail "timed out after ${seconds}s waiting for: $what"
        sleep 0.05
    done
}

su_home() {
    export HOME=$SU_TMP/home
    export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
    export XDG_STATE_HOME=$HOME/.local/state XDG_RUNTIME_DIR=$SU_TMP/run
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    SU_DATA=$XDG_DATA_HOME/Quorvel/Data/QuorvelData.mdb
    SU_SYSDIR=$XDG_STATE_HOME/Quorvel
}

su_provision() {
    "$SU_BUILD/quorvel-admin" init --admin-password "$1" --guest-password "$2" \
        >"$SU_TMP/provision.log" 2>&1 || su_fail "quorvel-admin init failed"
}

# su_sql SQL: runs SQL on the data file through the cafe owner's sqlcipher shell.
su_sql() { printf "PRAGMA key='quiltmoss';\n%s\n" "$1" | sqlcipher "$SU_DATA"; }

# su_start_x [wm]: Xvfb on a free display from a high range (so that nothing that
# assumes :0 talks to it), and openbox if asked.
su_start_x() {
    local number attempt
    for attempt in $(seq 20); do
        number=$((200 + RANDOM % 700))
        [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
        su_bg xvfb Xvfb ":$number" -screen 0 1024x768x24 -dpi 96 -nolisten tcp
        export DISPLAY=:$number
        local deadline=$((SECONDS + 20))
        until xprop -root _NET_NOTHING >/dev/null 2>&1; do
            su_running "$SU_LAST_PID" || break
            ((SECONDS < deadline)) || su_fail "Xvfb on $DISPLAY did not come up"
            sleep 0.05
        done
        su_running "$SU_LAST_PID" && break
    done
    if [ "${1:-}" = wm ]; then
        su_bg openbox openbox --sm-disable
        su_wait 20 "openbox" su_wm_running
    fi
    su_log "X server $DISPLAY"
}
su_wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

su_start_quorvel() {
    su_bg "quorvel${1:-}" "$SU_BUILD/quorvel"
    SU_QUORVEL=$SU_LAST_PID
}
su_running() { kill -0 "$1" 2>/dev/null; }
su_not_running() { ! kill -0 "$1" 2>/dev/null; }
su_visible_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 | grep .; }
su_inode() { stat -c %i "$1"; }

# su_hold_lock MODE PATH: one process that takes flock MODE (-x or -s) on PATH and
# holds it until it is killed (its process id in SU_LAST_PID).
su_hold_lock() {
    su_bg holder bash -c 'exec 9<"$2" && flock "$1" 9 && exec sleep 600' _ "$1" "$2"
}
