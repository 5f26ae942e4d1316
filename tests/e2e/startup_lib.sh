#!/usr/bin/env bash
# Shared by the start-up end-to-end scripts: a private X server, temporary home
# folders, the program provisioned and started, polling helpers, and a cleanup that
# stops every process started here by its own process id.
#
# Environment: QUORVEL_BUILD (the build folder), QUORVEL_ARTIFACTS (screenshots).
set -euo pipefail

# The X server, the background processes and their cleanup are lib.sh's; the su_
# names below are what the start-up scripts call them.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

SU_NAME=$E2E_NAME
SU_BUILD=$E2E_BUILD
SU_TMP=$E2E_TMP
SU_LAST_PID=

su_log() { e2e_log "$@"; }
su_shot() { e2e_shot "$@"; }
su_fail() { e2e_fail "$@"; }
su_wait() { e2e_wait "$@"; }

# su_bg LABEL COMMAND...: in the background, output in $SU_TMP/LABEL.log.
su_bg() {
    e2e_bg "$@"
    SU_LAST_PID=$E2E_LAST_PID
}

su_home() {
    e2e_home
    SU_DATA=$XDG_DATA_HOME/Quorvel/Data/QuorvelData.mdb
    SU_SYSDIR=$XDG_STATE_HOME/Quorvel
}

# su_sql SQL: runs SQL on the data file through the cafe owner's sqlcipher shell.
su_sql() { printf "PRAGMA key='quiltmoss';\n%s\n" "$1" | sqlcipher "$SU_DATA"; }

# su_start_x [wm]: a 1024x768 Xvfb on a free display, and openbox if asked.
su_start_x() {
    e2e_start_xvfb 1024x768
    if [ "${1:-}" = wm ]; then e2e_start_openbox; fi
    su_log "X server $DISPLAY"
}

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
