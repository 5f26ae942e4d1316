#!/usr/bin/env bash
# The owner's notes, the session log and the takings report on the real program,
# worked through the accessibility bus as a screen reader works them: notes typed and
# saved land in the notes file; the Session Logs tab shows the log the sessions left;
# "Generate Report" for a seeded range opens "User Report", whose PDF (exported
# through the real Save As dialog) lists exactly the range's days and totals; closing
# the panel closes the report with it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/session_lib.sh"
source "$(dirname "$0")/a11y_lib.sh"
source "$(dirname "$0")/panel_lib.sh"
e2e_require Xvfb openbox xdotool xprop xwininfo import dbus-daemon sqlcipher pdftotext pdfinfo pdftoppm

e2e_home
e2e_provision "$ADMIN_PASSWORD" "$GUEST_PASSWORD"
day() { date -d "$1" +%m/%d/%Y; }
FIRST=$(day "2 days ago")
SECOND=$(day "yesterday")
TODAY=$(day today)
OUTSIDE=$(day "3 days ago")
session_admin book "$OUTSIDE" 99 >/dev/null
session_admin book "$FIRST" 10 12.5 >/dev/null
session_admin book "$SECOND" 7.25 >/dev/null
session_admin book "$TODAY" 5 5 5.1 >/dev/null
NOTES=$XDG_DATA_HOME/Quorvel/Systemfiles/Notes.txt
printf 'Float: 500\nChange the receipt roll on Friday' >"$NOTES"

e2e_start_x 1024x768
a11y_start
e2e_start_quorvel
e2e_wait 30 "the lock" e2e_lock_in_place
# The sessions of this run, as the timer window leaves them (start-up has deleted the
# previous run's log by now).
LOG=$XDG_STATE_HOME/Quorvel/ScanregLog.log
printf '\r\nguest|%s | 10:00:00 AM | 0 : 45 : 12 | 10:45:12 AM | 20\r\nguest|%s | 11:02:10 AM | 1 : 5 : 0 | 12:07:10 PM | 30' \
    "$TODAY" "$TODAY" >"$LOG"

panel_open
panel_tab Notes
e2e_wait 10 "the notes in the box" a11y_read_is $'Float: 500\nChange the receipt roll on Friday' text Notes
NEW_NOTES=$'Float: 500\nChange the receipt roll on Friday\nCaf\xc3\xa9 \xe2\x82\xac 20 owed by table 3'
a11y set text Notes "$NEW_NOTES" || e2e_fail "cannot type the notes"
a11y press "push button" Save || e2e_fail "cannot press Save"
notes_are() { [ "$(cat "$NOTES")" = "$1" ]; }
e2e_wait 10 "the notes file to hold the new text" notes_are "$NEW_NOTES"
e2e_shot "$E2E_NAME-notes"

panel_tab "Session Logs"
e2e_wait 10 "the log on the page" a11y find text "Session Logs"
a11y read text "Session Logs" | grep -q "12:07:10 PM | 30" || e2e_fail "the log is not shown"
e2e_shot "$E2E_NAME-session-logs"

panel_tab Report
[ "$(a11y read "spin button" Till)" = "$TODAY" ] || e2e_fail "Till does not show today: $(a11y read "spin button" Till)"
a11y focus "spin button" From || e2e_fail "cannot reach From"
xdotool key ctrl+a
xdotool type --delay 40 "$FIRST"
e2e_wait 10 "From to show $FIRST" a11y_read_is "$FIRST" "spin button" From
e2e_shot "$E2E_NAME-report-tab"
a11y press "push button" "Generate Report" || e2e_fail "cannot press Generate Report"
e2e_wait 30 "the report window" e2e_visible_window '^User Report$'
REPORT=$(e2e_visible_window '^User Report$')
e2e_wait 10 "the report window to be the active one" e2e_active "$REPORT"
e2e_wait 10 "the keyboard focus in the report window" e2e_focused "$REPORT"
a11y_wait 10 "the report's page line" find label "Page 1 of 1"
e2e_shot "$E2E_NAME-report-window"

# Export PDF through the real Save As dialog.
panel_export_pdf takings
days=$(grep -oE '^ *[0-9]{2}/[0-9]{2}/[0-9]{4} ' "$E2E_TMP/takings.txt" | tr -d ' ' | tr '\n' ' ')
[ "$days" = "$FIRST $SECOND $TODAY " ] || e2e_fail "the PDF lists the days '$days'"
grep -qE '^ *Total +6 +44\.85 *$' "$E2E_TMP/takings.txt" ||
    e2e_fail "the PDF's totals: $(grep Total "$E2E_TMP/takings.txt")"
grep -q "Page - 1" "$E2E_TMP/takings.txt" || e2e_fail "the PDF has no page footer"

# A long range for the look of the pages: the first and the last as pictures.
for offset in $(seq 10 130); do
    printf "INSERT INTO Guest_T VALUES ('%s', %d, %d.%02d);\n" "$(day "$offset days ago")" \
        $((offset % 17 + 1)) $((offset * 7 % 300)) $((offset % 4 * 25))
done >"$E2E_TMP/long.sql"
e2e_sql "$(cat "$E2E_TMP/long.sql")" >/dev/null
LONG=$E2E_TMP/long.pdf
session_admin report --from "$(date -d "130 days ago" +%F)" --till "$(date -d "10 days ago" +%F)" \
    --pdf "$LONG" || e2e_fail "quorvel-admin report --pdf failed"
pages=$(pdfinfo "$LONG" | sed -n 's/^Pages: *//p')
[ "$pages" -ge 3 ] || e2e_fail "121 days on $pages pages"
pdftoppm -r 80 -png -f 1 -l 1 "$LONG" "$E2E_ARTIFACTS/$E2E_NAME-pdf-first" &&
    pdftoppm -r 80 -png -f "$pages" -l "$pages" "$LONG" "$E2E_ARTIFACTS/$E2E_NAME-pdf-last" ||
    e2e_fail "pdftoppm cannot draw the PDF's pages"

# The panel goes, and the report with it.
e2e_visible_window '^User Report$' >/dev/null || e2e_fail "the report closed early"
panel_close
e2e_wait 20 "the report to close with the panel" panel_gone_window '^User Report$'
e2e_log "passed"
