# shellcheck shell=bash
# The Wine set-up the Windows test runs share: a prefix of their own, made once, in
# which programs run headless and a crash ends the program. Sourced, not run.
#
#   use_wine_prefix PREFIX LOG
# exports WINEPREFIX and the rest for the programs run afterwards, makes PREFIX when it
# is not made yet (wineboot's output in LOG), and sets wine_env: the command prefix
# that runs Wine and wineboot with a fixed locale. stop_wine_server ends that prefix's
# wineserver only.

use_wine_prefix() {
    local prefix=$1 log=$2
    # Everything below talks to this prefix only; the user's own ~/.wine is never used.
    export WINEPREFIX=$prefix
    export WINEARCH=win64
    export WINEDEBUG=-all
    # No Mono or Gecko install prompts: nothing here needs .NET or an HTML engine.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # Wine takes its ANSI code page from the locale's name (whether or not that locale
    # is installed): pin US English, code page 1252, so 8-bit text behaves the same on
    # every machine. Given to Wine only, so this shell never complains of the locale.
    wine_env=(env LC_ALL=en_US.UTF-8)
    # Headless: no X display, even when one is around.
    unset DISPLAY WAYLAND_DISPLAY

    local ready="$WINEPREFIX/.quorvel-ready"
    [ ! -f "$ready" ] || return 0
    echo "wine: making the Wine prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    if ! timeout -k 10 300 "${wine_env[@]}" wineboot -i >"$log" 2>&1; then
        cat "$log" >&2
        echo "wine: wineboot failed" >&2
        exit 1
    fi
    # The null graphics driver lets programs create windows without a display; it
    # takes effect only once this prefix's wineserver starts again.
    "${wine_env[@]}" wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
    # A crashing program must end, not wait for someone to close a crash dialog.
    "${wine_env[@]}" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
    wineserver -k
    wineserver -w
    touch "$ready"
}

stop_wine_server() { wineserver -k >/dev/null 2>&1 || true; }
