#!/usr/bin/env bash
# Helpers of the control-panel scripts, on top of lib.sh, session_lib.sh and
# a11y_lib.sh: the admin's sign-in, the panel's tabs and message boxes worked through
# the accessibility bus.

# The tabs in the order the tab strip shows them.
PANEL_TABS=("Security" "Timer Programs" "Block Websites" "Configuration" "Passwords" "Notes"
    "Session Logs" "Report")

# Signs in as the admin and waits for the control panel.
panel_open() {
    e2e_type_sign_in admin "$ADMIN_PASSWORD"
    a11y_wait 30 "the control panel" find "page tab" Security
    e2e_wait 30 "the control panel's window" e2e_visible_window '^Control Panel$'
}

# panel_tab CAPTION: shows a tab's page (which is named by its tab).
panel_tab() {
    a11y press "page tab" "$1" || e2e_fail "no tab $1"
    a11y_wait 10 "the $1 page to show" find filler "$1"
}

# panel_answer TEXT BUTTON: waits for the message box saying TEXT and presses BUTTON.
panel_answer() {
    a11y_wait 20 "the message \"$1\"" find label "$1"
    a11y press "push button" "$2" || e2e_fail "cannot press $2 under \"$1\""
    e2e_wait 20 "the message \"$1\" to close" panel_gone label "$1"
}
panel_gone() { ! a11y find "$@"; }

# panel_shoot_tabs PREFIX: a screenshot of every tab, PREFIX-<n>-<caption>.png.
panel_shoot_tabs() {
    local i caption
    for i in "${!PANEL_TABS[@]}"; do
        caption=${PANEL_TABS[i]}
        panel_tab "$caption"
        e2e_shot "$1-$((i + 1))-${caption// /-}"
    done
}

# panel_close: "Close Control Panel", then the lock.
panel_close() {
    a11y press "push button" "Close Control Panel" || e2e_fail "cannot close the panel"
    e2e_wait 30 "the lock after closing the panel" e2e_lock_in_place
}

# panel_click ROLE NAME: a real click of the pointer on the control's middle, as the
# owner's mouse gives it (through the window manager, not the accessibility bus).
panel_click() {
    local x y
    read -r x y < <(a11y where "$1" "$2") || e2e_fail "no place on the screen for $1 $2"
    xdotool mousemove "$x" "$y" click 1
}

# panel_gone_window TITLE: no window of that title is showing.
panel_gone_window() { ! e2e_visible_window "$1" >/dev/null; }

# panel_export_pdf NAME: Export PDF in the open report window, through the real Save As
# dialog, to $E2E_TMP/NAME.pdf; its text, laid out as on the page, in $E2E_TMP/NAME.txt.
panel_export_pdf() {
    local pdf=$E2E_TMP/$1.pdf
    a11y press "push button" "Export PDF..." || e2e_fail "cannot press Export PDF"
    a11y_wait 20 "the Save As dialog" find text "~^File name"
    a11y set text "~^File name" "$pdf" || e2e_fail "cannot type the file name"
    a11y press "push button" Save || e2e_fail "cannot press Save in the dialog"
    e2e_wait 20 "the PDF" test -s "$pdf"
    pdftotext -layout "$pdf" "$E2E_TMP/$1.txt" || e2e_fail "pdftotext cannot read the PDF"
}
