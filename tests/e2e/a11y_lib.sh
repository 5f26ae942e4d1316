#!/usr/bin/env bash
# The desktop accessibility bus for an end-to-end script, on top of lib.sh: a D-Bus
# session bus of the script's own (the accessibility bus and its registry start on
# demand inside it and end with it), the program started with accessibility on, and
# `a11y`, which finds and works the program's controls by role and caption through
# the bus (see a11y.py for its commands).

A11Y_TOOL=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/a11y.py

# Starts the session bus and points this script and the program at it. Call before
# e2e_start_quorvel.
a11y_start() {
    [ -x /usr/bin/python3 ] && /usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0")' ||
        e2e_fail "the accessibility tools are missing (python3-gi, gir1.2-atspi-2.0): run scripts/install-deps"
    e2e_start_session_bus
    # Qt then offers its windows on the accessibility bus without asking the desktop.
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

# a11y [--within NAME] COMMAND ROLE NAME [ARG]: see a11y.py.
a11y() { /usr/bin/python3 "$A11Y_TOOL" "$@"; }

# a11y_wait SECONDS WHAT ARGS...: runs `a11y ARGS...` until it succeeds.
a11y_wait() {
    local seconds=$1 what=$2
    shift 2
    e2e_wait "$seconds" "$what" a11y "$@"
}

# a11y_read_is EXPECTED ARGS...: true when `a11y read ARGS...` prints EXPECTED.
a11y_read_is() {
    local expected=$1
    shift
    [ "$(a11y read "$@" 2>/dev/null)" = "$expected" ]
}
