#!/usr/bin/env bash
# Two PCs of one cafe and its server: a throwaway PostgreSQL cluster, two program
# instances, each with its own data folders on its own display, joined to the server.
# A guest session on each (of different lengths and charges): the counter sees each
# PC in use while its session runs and free after Logout, and the whole cafe's report
# holds both sessions, to the cent the same as each PC's own report; so does pc1's
# control panel with "All PCs" on its Report tab.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/session_lib.sh"
source "$(dirname "$0")/a11y_lib.sh"
source "$(dirname "$0")/panel_lib.sh"
e2e_require Xvfb openbox xdotool wmctrl xprop xwininfo xmessage import sqlcipher setpriv \
    dbus-daemon pdftotext

# ---- The server: a cluster of its own, on a Unix socket in a folder of this test. ----
PG_BIN=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$PG_BIN/postgres" ] || e2e_fail "no PostgreSQL server in /usr/lib/postgresql (scripts/install-deps installs it)"
PG_DIR=$E2E_TMP/server
mkdir -p "$PG_DIR"
# initdb and postgres refuse root: as root the server runs as nobody (setpriv execs
# it, so the process the cleanup stops is the server itself).
AS_SERVER=()
if [ "$(id -u)" -eq 0 ]; then
    AS_SERVER=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    chmod 755 "$E2E_TMP"
    chown nobody:nogroup "$PG_DIR"
fi
as_server() { "${AS_SERVER[@]}" "$@"; }
as_server "$PG_BIN/initdb" -D "$PG_DIR/data" -U postgres --auth-local=trust --no-locale -E UTF8 \
    --no-sync >"$E2E_TMP/initdb.log" 2>&1 || e2e_fail "initdb failed: $(cat "$E2E_TMP/initdb.log")"
# The owner logs in over the socket as its own role; the PCs with their passwords.
cat >"$PG_DIR/data/pg_hba.conf" <<'HBA'
local all postgres trust
local all owner trust
local all all scram-sha-256
HBA
# In the foreground, so the cleanup stops it like every other process of the test.
e2e_bg server "${AS_SERVER[@]}" "$PG_BIN/postgres" -D "$PG_DIR/data" -c listen_addresses= \
    -c unix_socket_directories="$PG_DIR" -c port=5432 -c fsync=off -c synchronous_commit=off
server_ready() { pg_isready -q -h "$PG_DIR" -p 5432; }
e2e_wait 60 "the cafe's server" server_ready
as_server "$PG_BIN/createuser" -h "$PG_DIR" -U postgres --createrole owner >>"$E2E_TMP/initdb.log" 2>&1 &&
    as_server "$PG_BIN/createdb" -h "$PG_DIR" -U postgres --owner owner cafe >>"$E2E_TMP/initdb.log" 2>&1 ||
    e2e_fail "cannot make the owner and the cafe's database: $(cat "$E2E_TMP/initdb.log")"
SERVER="host=$PG_DIR port=5432 dbname=cafe"
OWNER="$SERVER user=owner"

owner_admin() { "$E2E_BUILD/quorvel-admin" "$@"; }
owner_admin cafe init-server --server "$OWNER" >"$E2E_TMP/owner.log" 2>&1 ||
    e2e_fail "init-server failed: $(cat "$E2E_TMP/owner.log")"

# ---- Two PCs: each a home of its own (data file, settings store), joined, on a display
# of its own with its program running. `pc N` makes PC N the one the helpers act on.
declare -A PC_DISPLAY PC_DOCK PC_PROGRAM PC_TIMER
pc() {
    e2e_home "pc$1"
    E2E_PC=$1
    export DISPLAY=${PC_DISPLAY[$1]:-}
    [ -n "$DISPLAY" ] || unset DISPLAY
    E2E_DOCK=${PC_DOCK[$1]:-}
    E2E_QUORVEL=${PC_PROGRAM[$1]:-}
    TIMER_WINDOW=${PC_TIMER[$1]:-}
}

# pc_setup N MINIMUM_CHARGE
pc_setup() {
    pc "$1"
    e2e_provision "$ADMIN_PASSWORD" "$GUEST_PASSWORD"
    session_set_charges 10 15 20 25 1 "$2" Rs
    local secret
    secret=$(owner_admin cafe add-pc "pc$1" --server "$OWNER" | sed -n 's/.*--secret //p')
    [ -n "$secret" ] || e2e_fail "add-pc pc$1 gave no joining secret"
    session_admin cafe join --server "$SERVER" --name "pc$1" --secret "$secret" \
        >"$E2E_TMP/join$1.log" 2>&1 || e2e_fail "pc$1 did not join: $(cat "$E2E_TMP/join$1.log")"
    unset DISPLAY
    e2e_start_x 1024x768
    # pc1's windows on the accessibility bus, for its control panel; pc2 (set up first)
    # stays off it, so that a control found there is pc1's.
    [ "$1" != 1 ] || a11y_start
    e2e_start_quorvel "$1"
    PC_DISPLAY[$1]=$DISPLAY PC_DOCK[$1]=$E2E_DOCK PC_PROGRAM[$1]=$E2E_QUORVEL
    e2e_wait 30 "the lock on pc$1" e2e_lock_in_place
}

# The line of `cafe status` for the PC, its columns separated by "|".
pc_status() {
    owner_admin cafe status --server "$OWNER" 2>/dev/null | sed -n "s/^pc$1  *//p" | sed 's/  \+/|/g'
}
status_is() { case $(pc_status "$1") in $2) return 0 ;; esac; return 1; }

pc_setup 2 12
pc_setup 1 7
# Heard from at start-up already, before any session.
e2e_wait 30 "pc1 free at the counter" status_is 1 free
e2e_wait 30 "pc2 free at the counter" status_is 2 free

# ---- A session on each, pc1's shorter than pc2's, both running at once for a while.
for n in 1 2; do
    pc "$n"
    session_sign_in
    PC_TIMER[$n]=$TIMER_WINDOW
done
for n in 1 2; do
    e2e_wait 30 "pc$n in use at the counter" status_is "$n" "in use|*"
done
e2e_log "at the counter: pc1 $(pc_status 1); pc2 $(pc_status 2)"
# At least SECONDS on the current PC's timer (the title shows "h : m : s: ...").
timer_past() {
    local title
    title=$(xdotool getwindowname "$TIMER_WINDOW" 2>/dev/null) || return 1
    [[ $title =~ ^0\ :\ 0\ :\ ([0-9]+):\ Quorvel\ Timer$ ]] && ((BASH_REMATCH[1] >= $1))
}
pc 1
e2e_wait 20 "3 seconds on pc1" timer_past 3
e2e_wait 5 "pc1's charge stored" stored_is Amount 7
e2e_shot "$E2E_NAME-pc1-session"
session_logout
e2e_wait 20 "the login screen on pc1 after Logout" e2e_lock_in_place
e2e_shot "$E2E_NAME-pc1-after"

pc 2
e2e_wait 20 "6 seconds on pc2" timer_past 6
e2e_wait 5 "pc2's charge stored" stored_is Amount 12
# pc1 is back at its lock while pc2's guest goes on.
status_is 2 "in use|*" || e2e_fail "pc2 is not in use at the counter: $(pc_status 2)"
e2e_shot "$E2E_NAME-pc2-session"
session_logout
e2e_wait 20 "the login screen on pc2 after Logout" e2e_lock_in_place
e2e_shot "$E2E_NAME-pc2-after"

# ---- The counter: both free, both sessions in the cafe's report, each to the cent of
# its own PC's report.
for n in 1 2; do
    e2e_wait 30 "pc$n free at the counter after Logout" status_is "$n" free
done
day=$(date +%F)
cafe_csv() { owner_admin report --cafe --by-pc --csv --from "$day" --till "$day" --server "$OWNER"; }
both_delivered() { cafe_csv | tr -d '\r' | grep -qx "All PCs,Total,2,19.00"; }
e2e_wait 60 "both sessions in the cafe's report" both_delivered
cafe=$(cafe_csv | tr -d '\r')
e2e_log "the cafe's report: $(tr '\n' ' ' <<<"$cafe")"
for n in 1 2; do
    pc "$n"
    own=$(session_admin report --csv --from "$day" --till "$day" | tr -d '\r' | tail -n +2)
    [ "$(sed -n "s/^pc$n,//p" <<<"$cafe")" = "$own" ] ||
        e2e_fail "pc$n's lines in the cafe's report differ from its own: $(tr '\n' ' ' <<<"$own")"
    [ "$(e2e_sql "SELECT count(*) FROM Outbox_T;")" = 0 ] || e2e_fail "pc$n's outbox still holds sessions"
done
[ "$(grep -c "^pc1,$day,1,7.00$\|^pc2,$day,1,12.00$" <<<"$cafe")" = 2 ] ||
    e2e_fail "the cafe's report does not hold each PC's session: $cafe"
whole=$(owner_admin report --cafe --csv --from "$day" --till "$day" --server "$OWNER" | tr -d '\r')
[ "$(tail -n 1 <<<"$whole")" = "Total,2,19.00" ] || e2e_fail "the whole cafe's report: $whole"

# ---- pc1's control panel: the Report tab's "All PCs" is the same report, read from
# the server with pc1's own role.
pc 1
panel_open
panel_tab Report
a11y press "radio button" "All PCs" || e2e_fail "no \"All PCs\" on a joined PC's Report tab"
e2e_shot "$E2E_NAME-report-tab"
a11y press "push button" "Generate Report" || e2e_fail "cannot press Generate Report"
e2e_wait 30 "the report window" e2e_visible_window '^User Report$'
a11y_wait 10 "the report's page line" find label "Page 1 of 1"
e2e_shot "$E2E_NAME-all-pcs"
panel_export_pdf all-pcs
grep -qE "^ *$(date +%m/%d/%Y) +2 +19\.00 *$" "$E2E_TMP/all-pcs.txt" &&
    grep -qE '^ *Total +2 +19\.00 *$' "$E2E_TMP/all-pcs.txt" ||
    e2e_fail "the report of all PCs: $(cat "$E2E_TMP/all-pcs.txt")"

e2e_log "passed"
