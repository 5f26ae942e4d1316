#!/usr/bin/env python3
"""The cafe PC booted for real: builds (or finds cached) a Debian image with the
package installed and `quorvel-admin kiosk setup` run, boots it in
qemu-system-x86_64, and works it as a person would: keys and clicks through QMP,
screen pictures kept in QUORVEL_ARTIFACTS. A root shell on the serial port reads
the X server's windows, the services and the data file.

Environment: QUORVEL_BUILD (the build folder, packed with cpack), QUORVEL_ARTIFACTS
(screen pictures and logs). Needs root (the image is built in a chroot)."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cafepc import CafePc, VmError, quote, wait_for  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = os.path.abspath(os.environ["QUORVEL_BUILD"])
ARTIFACTS = os.path.abspath(os.environ.get("QUORVEL_ARTIFACTS", os.path.join(BUILD, "artifacts")))
ADMIN_PASSWORD = "Adm1n-pw"
GUEST_PASSWORD = "guest-pw"
# The data file's key, as the README gives it to the owner.
DATA_KEY = "quiltmoss"
DATA_FILE = "/var/lib/quorvel/.local/share/Quorvel/Data/QuorvelData.mdb"
NOTES_FILE = "/var/lib/quorvel/.local/share/Quorvel/Systemfiles/Notes.txt"

# Time limits. The emulator shares two cores with whatever else the machine builds,
# so these are several times what an idle machine needs.
BOOT_LIMIT = 1200
STEP_LIMIT = 180

LOCK = "^Login Screen$"
TIMER = "Quorvel Timer$|^0 : 0 : 0$"
PANEL = "^Control Panel$"
BROWSER = "Mozilla Firefox$"
GUEST_RESET = "quorvel-guest-reset.service"
BLOCKED = "Site blocked at this terminal"
AGENT = "/usr/libexec/quorvel/quorvel-launch-agent"
# The lock's notice of why the last session ended is orange text; its glyphs' pixels
# near that colour, at the least.
NOTICE_PIXELS = 300  # about 760 at 1280x800



def screen_state_command(desktop):
    """One look at the screen through the root shell: the X server's process, the lock,
    the guest's desktop (the window whose name matches DESKTOP), LightDM's greeter and
    the top-most managed window. Empty fields while no X server answers."""
    return ("x=$(pgrep -o -x Xorg); "
            f"l=$(xdotool search --onlyvisible --name {quote(LOCK)} 2>/dev/null | head -n 1); "
            f"b=$(xdotool search --onlyvisible --name {quote(desktop)} 2>/dev/null | head -n 1); "
            "g=$(pgrep -x lightdm-gtk-gre | head -n 1); "
            "t=$(xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | grep -o '0x[0-9a-f]*'"
            " | tail -n 1); "
            'echo "$x|$l|$b|$g|$t"')

started_at = time.monotonic()
timings = {}


def log(text):
    print(f"[{time.strftime('%H:%M:%S')}] {text}", file=sys.stderr, flush=True)


def check(condition, failure):
    if not condition:
        raise VmError(failure)


def build_image(out_dir):
    began = time.monotonic()
    env = dict(os.environ, QUORVEL_VM_ADMIN_PASSWORD=ADMIN_PASSWORD,
               QUORVEL_VM_GUEST_PASSWORD=GUEST_PASSWORD)
    subprocess.run(["bash", os.path.join(HERE, "build-image"), BUILD, out_dir], env=env,
                   check=True)
    timings["image (build-image)"] = time.monotonic() - began


class Checks:
    def __init__(self, pc):
        self.pc = pc
        # What of the guest's shows on the screen: their browser, or the window of
        # their own display.
        self.desktop = BROWSER

    # ---- helpers ------------------------------------------------------------------------
    def wait_lock(self, what, limit=STEP_LIMIT):
        wait_for(what, self.lock_in_place, limit)

    def lock_in_place(self):
        """The lock in place; not yet while the X server it is looked for on goes away
        half-way through the look (a reset of the guest's desktop replaces it)."""
        try:
            return self.pc.lock_in_place()
        except VmError:
            self.pc.screen = None
            return False

    def hard_reset(self, what):
        """Resets the PC as a power cut would and waits for the lock after the boot;
        returns when the reset was made (monotonic)."""
        self.pc.qmp.execute("system_reset")
        self.pc.screen = None
        reset_at = time.monotonic()
        self.pc.wait_for_shell(BOOT_LIMIT)
        self.wait_lock(what, BOOT_LIMIT)
        return reset_at

    def sql(self, statement):
        return self.pc.sh(f"printf '%s\\n' {quote(f'PRAGMA key={DATA_KEY!r};')} {quote(statement)}"
                          f" | sqlcipher -batch -noheader {DATA_FILE} | tail -n 1")

    def booked(self):
        return int(self.sql("SELECT count(*) FROM Booked_T;"))

    def program_pid(self):
        return int(self.pc.sh("systemctl show -p MainPID --value quorvel.service"))

    def service_state(self):
        return self.pc.shell.run("systemctl is-active quorvel.service", check=False)[1].strip()

    def sign_in(self, login, password):
        """Types a login and a password into the lock, as the owner or a guest does."""
        self.pc.type(login)
        self.pc.keys("tab")
        self.pc.type(password)
        self.pc.keys("ret")

    def guest_session(self):
        """Signs the guest in; returns the timer window once the lock is gone."""
        self.sign_in("guest", GUEST_PASSWORD)
        timer = wait_for("the timer window", lambda: self.pc.visible_window(TIMER), STEP_LIMIT)
        wait_for("the lock to go", lambda: self.pc.visible_window(LOCK) is None, STEP_LIMIT)
        return timer

    def browser(self):
        return wait_for("the guest's browser", lambda: self.pc.visible_window(BROWSER), STEP_LIMIT)

    def guest(self):
        name = self.pc.sh(". /usr/share/quorvel/kiosk/kiosk.conf; "
                          "[ ! -r /etc/quorvel/kiosk.conf ] || . /etc/quorvel/kiosk.conf; "
                          "echo $QUORVEL_GUEST_ACCOUNT")
        check(name, "kiosk.conf names no guest account")
        return name

    def guest_processes(self):
        """The guest account's processes, each as "PID start-time" (a number alone may
        be used again)."""
        out = self.pc.shell.run(f"ps -o pid=,lstart= -u {self.guest()}", check=False)[1]
        return {" ".join(line.split()) for line in out.splitlines() if line.strip()}

    def guest_home(self):
        return self.pc.sh(f"getent passwd {self.guest()} | cut -d: -f6")

    def screen_state(self):
        fields = (self.pc.shell.run(screen_state_command(self.desktop), check=False)[1]
                  .strip().split("|") + [""] * 5)[:5]
        xorg, lock, browser, greeter, top = fields
        state = {"xorg": xorg, "lock": int(lock) if lock.isdigit() else None,
                 "browser": browser.isdigit(), "greeter": greeter.isdigit()}
        state["covered"] = state["lock"] is not None and top != "" and int(top, 16) == state["lock"]
        return state

    def watch_screen(self, what, done, limit=STEP_LIMIT, ended=lambda state: True):
        """Waits for done(state) as wait_for does, looking at the screen at every try:
        once ended(state) has been true, neither the guest's browser nor LightDM's
        greeter may ever show without the lock on top of it. Until then the guest's
        session is still on, and their browser is theirs to see."""
        samples = []
        over = False
        before_end = 0

        def look():
            nonlocal over, before_end
            state = self.screen_state()
            samples.append(state)
            over = over or ended(state)
            before_end += not over
            if over and (state["browser"] or state["greeter"]) and not state["covered"]:
                self.pc.screenshot("vm-uncovered")
                raise VmError(f"while waiting for {what}: the screen shows "
                              f"{'the greeter' if state['greeter'] else 'the browser'} "
                              f"without the lock over it: {state}")
            return done(state)

        result = wait_for(what, look, limit, interval=0.2)
        log(f"   {len(samples)} looks at the screen while waiting for {what}"
            + (f", {before_end} of them before the session ended" if before_end else ""))
        return result

    def watch_new_server(self, what, old_xorg):
        """Waits for the lock on a new X server after the guest's session was asked to
        end (WHAT), watching the screen on the way. The program ends the session at its
        own pace (a Logout click is read, a lost agent is found at the blocker's next
        look): the session is over once the lock shows or the X server the guest used
        is gone."""
        self.watch_screen(f"the lock on a new X server ({what})",
                          lambda s: s["xorg"] not in ("", old_xorg) and s["covered"],
                          ended=lambda s: s["lock"] is not None or s["xorg"] != old_xorg)

    def fresh_desktop(self, what, began, old_xorg, old_processes, old_profiles):
        """After the guest's desktop was asked to be reset at BEGAN (monotonic): the lock
        on a new X server, then a fresh browser under it, nothing shown uncovered on the
        way; none of the old processes, profiles, cookies or downloads left."""
        self.watch_new_server(what, old_xorg)
        timings[f"{what}: to the lock on the new display"] = time.monotonic() - began
        self.watch_screen(f"a fresh browser under the lock ({what})",
                          lambda s: s["browser"] and s["covered"])
        timings[f"{what}: to a fresh browser under the lock"] = time.monotonic() - began
        left = old_processes & self.guest_processes()
        check(not left, f"processes of the last guest still run: {left}")
        home = self.guest_home()
        check(not self.pc.ok(f"test -e {home}/Downloads/first-guest.txt"),
              "the last guest's download is still there")
        browser = self.browser()
        wait_for("the fresh browser's start page",
                 lambda: "Start page" in self.pc.window_name(browser), STEP_LIMIT)
        check("signed in before" not in self.pc.window_name(browser),
              "the fresh browser sent the last guest's cookie")
        profiles = wait_for("the fresh browser's profile", self.firefox_profiles, STEP_LIMIT)
        check(not profiles & old_profiles, f"the last guest's browser profile is still there: {profiles}")
        self.wait_lock(f"the lock on top and focused over the fresh browser ({what})")

    def firefox_profiles(self):
        """The guest's Firefox profile folders, found by the file Firefox writes into the
        one it runs with at every start (a fresh profile gets a new random name: history,
        cookies and tabs of another live in another)."""
        home = self.guest_home()
        out = self.pc.shell.run(f"find {home} -maxdepth 5 -name compatibility.ini -printf '%h\\n'",
                                check=False)[1]
        return set(out.split())

    # ---- 1 ------------------------------------------------------------------------------
    def lock_after_boot(self, powered_on):
        self.wait_lock("the lock over the whole screen after boot", BOOT_LIMIT)
        timings["power-on to lock"] = time.monotonic() - powered_on
        # The guest's desktop starts its browser under the lock, and the window manager
        # gives the new window the focus: the lock must take it back and stay on top.
        # Until then what is typed at the lock may go to the browser.
        self.browser()
        self.wait_lock("the lock on top and focused again over the guest's browser")
        self.pc.screenshot("vm-1-lock")
        log(f"1: the lock covers the {self.pc.screen_size()} screen, on top and focused")

    # ---- 2 ------------------------------------------------------------------------------
    def guest_clicks(self):
        booked = self.booked()
        timer = self.guest_session()
        browser = self.browser()
        # The browser opens on a page whose link leads to another.
        wait_for("the start page", lambda: "Start page" in self.pc.window_name(browser), STEP_LIMIT)
        self.pc.click_in(browser, *self.free_side(browser))
        wait_for("the page the link leads to, after a click",
                 lambda: "Reached by a click" in self.pc.window_name(browser), STEP_LIMIT)
        check("signed in" in self.pc.window_name(browser),
              f"the start page's cookie did not reach the next: {self.pc.window_name(browser)}")
        self.pc.screenshot("vm-2-guest-browser")
        wait_for("the timer window on top", lambda: self.pc.top_window() == timer, STEP_LIMIT)
        self.pc.screenshot("vm-2-timer")
        # The quick-launch list's first program, from the keyboard as the isolation test
        # does: the alarm box, "On Top", then the list; Enter starts it. It downloads a
        # file and ignores TERM and HUP.
        self.pc.sh(f"xdotool windowactivate --sync {timer}")
        self.pc.keys("tab")
        self.pc.keys("tab")
        self.pc.keys("ret")
        home = self.guest_home()
        wait_for("the quick-launch program's download",
                 lambda: self.pc.ok(f"test -s {home}/Downloads/first-guest.txt"), STEP_LIMIT)
        check(self.pc.ok(f"pgrep -u {self.guest()} -x sleep"), "the quick-launch program does not run")
        old_processes = self.guest_processes()
        old_profiles = wait_for("the browser's profile", self.firefox_profiles, STEP_LIMIT)
        old_xorg = self.pc.sh("pgrep -o -x Xorg")
        # "Logout" sits at the timer window's bottom right.
        self.pc.click_in(timer, -40, -20)
        logged_out = time.monotonic()
        self.fresh_desktop("Logout", logged_out, old_xorg, old_processes, old_profiles)
        check(self.booked() == booked + 1, f"{self.booked() - booked} bookings for one session")
        self.pc.screenshot("vm-2-fresh-desktop")
        log("2: guest signed in; clicks on a link, quick launch and Logout worked; session "
            "booked; a fresh desktop under the lock")

    # ---- 2c -----------------------------------------------------------------------------
    def blocked_then_watch_stopped(self):
        """With blocking on: a link to an address with the keyword ends on the blocked
        page. Then the guest ends the agent that lets the program watch their browser:
        the session ends as on Logout, booked once, the desktop comes back fresh, and
        the lock says why."""
        booked = self.booked()
        before = self.pc.pixels_like(notice_orange)
        self.guest_session()
        browser = self.browser()
        wait_for("the start page", lambda: "Start page" in self.pc.window_name(browser), STEP_LIMIT)
        self.pc.click_in(browser, *self.free_side(browser))
        wait_for("the page the link leads to",
                 lambda: "Reached by a click" in self.pc.window_name(browser), STEP_LIMIT)
        # Its link leads to casino.html.
        self.pc.click_in(browser, *self.free_side(browser))
        clicked = time.monotonic()
        wait_for("the blocked page instead of the casino",
                 lambda: BLOCKED in self.pc.window_name(browser), STEP_LIMIT)
        timings["click on a link with the keyword to the blocked page"] = time.monotonic() - clicked
        # What the guest sees: the page's background around its message.
        background = blocked_page_background()
        wait_for("the blocked page drawn",
                 lambda: self.pc.pixels_like(lambda pixel: pixel == background) > 100_000,
                 STEP_LIMIT)
        self.pc.screenshot("vm-2c-blocked")
        check(self.booked() == booked, "the blocked page ended the session")

        old_processes = self.guest_processes()
        old_profiles = self.firefox_profiles()
        old_xorg = self.pc.sh("pgrep -o -x Xorg")
        # What a guest may do: end a process of their own.
        self.pc.sh(f"runuser -u {self.guest()} -- pkill -f -x '{AGENT} .*'")
        killed = time.monotonic()
        self.fresh_desktop("the watch stopped", killed, old_xorg, old_processes, old_profiles)
        check(self.booked() == booked + 1, f"{self.booked() - booked} bookings for one session")
        after = self.pc.pixels_like(notice_orange)
        self.pc.screenshot("vm-2c-notice")
        log(f"   orange pixels on the lock: {before} without the notice, {after} with it")
        check(after >= before + NOTICE_PIXELS, "the lock does not say why the session ended")
        log("2c: a link to a blocked address ended on the blocked page; ending the agent "
            "ended the session, booked once, with a fresh desktop and the notice on the lock")

    def band_drawn(self, page, colour):
        """Waits until the screen shows most of PAGE's link band (1280x400 pixels of
        COLOUR, less what the timer window covers)."""
        wait_for(f"{page} drawn", lambda: self.pc.pixels_like(lambda pixel: pixel == colour)
                 > 300_000, STEP_LIMIT)

    def free_side(self, browser):
        """Where in the browser a click reaches the page's link band (400 pixels high,
        below the browser's own bars) on the side the timer window leaves free."""
        timer = self.pc.visible_window(TIMER)
        timer_x, _, timer_width, _ = self.pc.geometry(timer)
        left_free = timer_x + timer_width / 2 > self.pc.screen_size()[0] / 2
        return (300 if left_free else -300, 300)

    # ---- 2b -----------------------------------------------------------------------------
    def guest_ends_own_session(self):
        """The guest kills every process of their own: the desktop comes back fresh,
        under the lock, and LightDM's greeter is never left on screen."""
        old_processes = self.guest_processes()
        old_profiles = self.firefox_profiles()
        old_xorg = self.pc.sh("pgrep -o -x Xorg")
        runs = self.resets_run()
        self.pc.shell.run(f"runuser -u {self.guest()} -- kill -9 -1", check=False)
        killed = time.monotonic()
        self.fresh_desktop("the guest's own kill", killed, old_xorg, old_processes, old_profiles)
        check(self.resets_run() > runs, "the desktop came back without a reset")
        self.pc.screenshot("vm-2b-after-own-kill")
        log("2b: the guest's kill of all their processes gave a fresh desktop under the lock")

    def resets_run(self):
        """How many resets this boot has finished."""
        return int(self.pc.sh(f"journalctl -b -u {GUEST_RESET} -o cat | grep -c 'made afresh' || true")
                   or 0)

    # ---- 3 ------------------------------------------------------------------------------
    def kill_brings_lock_back(self):
        before = self.program_pid()
        check(before > 0, "the program is not running")
        self.pc.sh(f"kill -9 {before}")
        wait_for("a new program", lambda: self.program_pid() not in (0, before), STEP_LIMIT)
        self.wait_lock("the lock after kill -9")
        check(self.service_state() == "active", f"quorvel.service is {self.service_state()}")
        self.pc.screenshot("vm-3-lock-after-kill")
        log("3: kill -9 brought the lock back; the service is active")

    # ---- 4 ------------------------------------------------------------------------------
    def no_way_out(self):
        vt = self.pc.sh("cat /sys/class/tty/tty0/active")
        server = self.pc.sh("pgrep -o -x Xorg")
        self.pc.keys("ctrl", "alt", "f2")
        self.pc.keys("ctrl", "alt", "backspace")
        self.pc.keys_processed()
        check(self.pc.sh("cat /sys/class/tty/tty0/active") == vt, "Ctrl+Alt+F2 switched the console")
        check(self.pc.sh("pgrep -o -x Xorg") == server, "Ctrl+Alt+Backspace ended the X server")
        check(self.pc.lock_in_place(), "the lock is not in place after Ctrl+Alt+F2, Ctrl+Alt+Backspace")
        self.pc.screenshot("vm-4-after-console-keys")
        log(f"4: Ctrl+Alt+F2 and Ctrl+Alt+Backspace changed nothing ({vt}, X server {server})")

    # ---- 5 ------------------------------------------------------------------------------
    def hard_reset_books_once(self):
        booked = self.booked()
        timer = self.guest_session()
        # The session is on disk once the timer has counted a few seconds.
        wait_for("the session's third second", lambda: elapsed(self.pc.window_name(timer)) >= 3,
                 STEP_LIMIT)
        self.pc.screenshot("vm-5-before-reset")
        reset_at = self.hard_reset("the lock after the hard reset")
        timings["reset to lock"] = time.monotonic() - reset_at
        wait_for("the cut session booked", lambda: self.booked() > booked, STEP_LIMIT)
        # Booked by this start; a second booking would come with the same start, so
        # the lock's return above already waited past it.
        check(self.booked() == booked + 1, f"{self.booked() - booked} bookings for one cut session")
        # The close-out asks for a fresh desktop once the session is booked: the lock
        # comes back on the new display, over a new browser.
        wait_for("the close-out's reset of the guest's desktop", lambda: self.resets_run() >= 1,
                 STEP_LIMIT)
        self.watch_screen("the lock and a fresh browser after the close-out's reset",
                          lambda s: s["browser"] and s["covered"])
        self.wait_lock("the lock in place after the close-out's reset")
        check(self.booked() == booked + 1, f"{self.booked() - booked} bookings for one cut session")
        self.pc.screenshot("vm-5-lock-after-reset")
        log("5: the session cut by the hard reset was booked once after the reboot")

    # ---- 6 ------------------------------------------------------------------------------
    def admin_over_browser(self):
        # The guest's desktop starts its browser at boot, under the lock: the owner signs
        # in over it once it has opened its page.
        browser = self.browser()
        wait_for("the browser's start page", lambda: "Start page" in self.pc.window_name(browser),
                 STEP_LIMIT)
        self.sign_in("admin", ADMIN_PASSWORD)
        panel = wait_for("the control panel", lambda: self.pc.visible_window(PANEL), STEP_LIMIT)
        wait_for("the panel on top with the focus, over the guest's browser",
                 lambda: self.pc.in_front(panel), STEP_LIMIT)
        self.pc.screenshot("vm-6-panel")
        # The "Notes" tab, sixth of the strip at the panel's top left: a click shows
        # its page, whose text box then takes what is typed, and a click on "Save"
        # writes it where the owner finds it.
        notes = "Float 500, typed in the panel"
        self.pc.click_in(panel, *NOTES_TAB)
        self.pc.click_in(panel, *NOTES_BOX)
        wait_for("the panel to keep the focus", lambda: self.pc.in_front(panel), STEP_LIMIT)
        self.pc.type(notes)
        self.pc.click_in(panel, *NOTES_SAVE)
        wait_for("the typed notes saved", lambda: notes in self.pc.sh(f"cat {NOTES_FILE} || true"),
                 STEP_LIMIT)
        check(notes not in self.pc.window_name(browser), "the typing reached the guest's browser")
        self.pc.screenshot("vm-6-panel-notes")
        # "Quit", then Yes in the question.
        self.pc.click_in(panel, *QUIT)
        question = wait_for("the question before quitting",
                            lambda: self.pc.visible_window(r"^Quorvel \(DE\)$"), STEP_LIMIT)
        wait_for("the question in front", lambda: self.pc.in_front(question), STEP_LIMIT)
        self.pc.keys("alt", "y")
        # Stopped for good: "inactive", not waiting to restart, and ended with the one
        # status after which the unit does not restart it.
        wait_for("the service stopped after Quit", lambda: self.service_state() == "inactive", STEP_LIMIT)
        status = self.pc.sh("systemctl show -p ExecMainStatus --value quorvel.service")
        check(status == quit_status(), f"the program ended with {status} after Quit, not {quit_status()}")
        self.pc.sh("systemctl start quorvel.service")
        self.wait_lock("the lock after starting the service again", BOOT_LIMIT)
        log("6: the panel came up on top and focused; a tab click, typing and Quit worked")

    # ---- 7 ------------------------------------------------------------------------------
    def guest_kept_out(self):
        guest = self.pc.sh(". /usr/share/quorvel/kiosk/kiosk.conf; "
                           "[ ! -r /etc/quorvel/kiosk.conf ] || . /etc/quorvel/kiosk.conf; "
                           "echo $QUORVEL_GUEST_ACCOUNT")
        check(guest, "kiosk.conf names no guest account")
        check(not self.pc.ok(f"runuser -u {guest} -- ls /var/lib/quorvel"),
              f"{guest} can read /var/lib/quorvel")
        pid = self.program_pid()
        check(not self.pc.ok(f"runuser -u {guest} -- kill -9 {pid}"), f"{guest} could kill the program")
        check(self.program_pid() == pid and self.pc.ok(f"kill -0 {pid}"), "the program ended")
        # The cookie the guest's session was given, read from its processes.
        # (A process that ends meanwhile has no environment left to read.)
        cookies = self.pc.sh(f"for p in $(pgrep -u {guest}); do tr '\\0' '\\n' 2>/dev/null"
                             " </proc/$p/environ | sed -n 's/^XAUTHORITY=//p'; done | sort -u")
        home = self.pc.sh(f"getent passwd {guest} | cut -d: -f6")
        check(cookies, f"no process of {guest} has an X authority file")
        for cookie in cookies.split():
            check(not cookie.startswith(home + "/"), f"the guest's X cookie is in its home: {cookie}")
        check(not self.pc.ok(f"test -e {home}/.Xauthority"), f"{home}/.Xauthority exists")
        log(f"7: {guest} cannot read the data or kill the program; its cookie is {cookies}")

    # ---- 8 ------------------------------------------------------------------------------
    def chromium_on_own_display(self):
        """The owner makes Chromium the guest's session as the owner's guide says (the
        set-up gives the desktop a display of its own for it) and restarts the PC. The
        lock covers the screen and the guest's display under it; the guest's account
        cannot reach the screen's display. Signed in, the guest clicks a link in
        Chromium, then one to an address with the keyword, and ends on the blocked page:
        the blocker's keys reach Chromium as they were typed."""
        said = self.pc.sh("quorvel-admin kiosk setup --session chromium-vm 2>&1 >/dev/null")
        check("display of its own" in said, f"the set-up said: {said}")
        check(self.pc.sh(f". {OWN_CONF}; echo $QUORVEL_GUEST_DISPLAY") == GUEST_DISPLAY,
              f"{OWN_CONF} names no display of the guest's own")
        self.pc.sh("sync")
        restarted = self.hard_reset("the lock after the restart with the guest's own display")
        self.desktop = NESTED_WINDOW
        nested = wait_for("the guest's display under the lock",
                          lambda: self.pc.visible_window(NESTED_WINDOW), STEP_LIMIT)
        check(self.pc.geometry(nested) == (0, 0) + self.pc.screen_size(),
              f"the guest's display does not fill the screen: {self.pc.geometry(nested)}")
        chromium = wait_for("Chromium's start page on the guest's display",
                            lambda: self.pc.visible_window(CHROMIUM_START, ON_GUEST), BOOT_LIMIT)
        timings["restart to Chromium's start page on the guest's display"] = (
            time.monotonic() - restarted)
        self.wait_lock("the lock on top and focused over the guest's display")
        guest = self.guest()
        check(not self.pc.ok(f"runuser -u {guest} -- env XAUTHORITY=/var/run/lightdm/{guest}/xauthority"
                             " xdpyinfo -display :0"),
              f"{guest} reaches the screen's display")
        self.pc.screenshot("vm-8-lock-over-guest-display")

        booked = self.booked()
        timer = self.guest_session()
        # Chromium names a page before it has drawn it, and a click on the page it
        # still shows would follow that page's link: each click waits for the page's
        # link band on the screen.
        self.band_drawn("the start page", START_BAND)
        self.pc.click_in(chromium, *self.free_side(chromium), ON_GUEST)
        wait_for("the page the link leads to, in Chromium",
                 lambda: "Reached by a click" in self.pc.window_name(chromium, ON_GUEST),
                 STEP_LIMIT)
        # The guest's display has the focus now, and stays under the timer window.
        wait_for("the guest's display to have the focus", lambda: self.pc.focused() == nested,
                 STEP_LIMIT)
        wait_for("the timer window on top", lambda: self.pc.top_window() == timer, STEP_LIMIT)
        self.band_drawn("the next page", NEXT_BAND)
        self.pc.screenshot("vm-8-chromium")
        self.pc.click_in(chromium, *self.free_side(chromium), ON_GUEST)
        clicked = time.monotonic()
        wait_for("Chromium on the blocked page instead of the casino",
                 lambda: BLOCKED in self.pc.window_name(chromium, ON_GUEST), STEP_LIMIT)
        timings["Chromium: click on a link with the keyword to the blocked page"] = (
            time.monotonic() - clicked)
        self.pc.screenshot("vm-8-chromium-blocked")
        check(self.booked() == booked, "the blocked page ended the session")

        # Logout: a new X server and with it a new display for the next guest, which
        # never shows without the lock over it.
        old_xorg = self.pc.sh("pgrep -o -x Xorg")
        self.pc.click_in(timer, -40, -20)
        logged_out = time.monotonic()
        self.watch_new_server("Logout from the guest's display", old_xorg)
        self.watch_screen("a new guest's display under the lock",
                          lambda s: s["browser"] and s["covered"])
        wait_for("Chromium's start page on the new display",
                 lambda: self.pc.visible_window(CHROMIUM_START, ON_GUEST), STEP_LIMIT)
        timings["Logout from the guest's display to Chromium's start page"] = (
            time.monotonic() - logged_out)
        self.wait_lock("the lock on top and focused over the new guest's display")
        check(self.booked() == booked + 1, f"{self.booked() - booked} bookings for one session")
        self.pc.screenshot("vm-8-after-logout")
        log("8: on a display of its own, the guest's Chromium was sent to the blocked page; "
            "Logout brought a new display under the lock")


# The guest's own display, as the owner names it in kiosk.conf, and how root looks at
# it: through the cookie its window manager's service made.
OWN_CONF = "/etc/quorvel/kiosk.conf"
GUEST_DISPLAY = ":1"
ON_GUEST = f"DISPLAY={GUEST_DISPLAY} XAUTHORITY=/run/quorvel-wm/nested.auth"
# The link bands of the test's start and next pages (build-image writes them).
START_BAND = (0xff, 0xcc, 0x00)
NEXT_BAND = (0x66, 0xcc, 0x66)
NESTED_WINDOW = "^Quorvel \\(DE\\) guest$"
CHROMIUM_START = "^Start page - Chromium$"

# Where the panel's controls are, (x, y) in pixels from its client area's top left
# (negative: from the right or bottom), as the panel lays them out in the image (its
# fonts, 96 dpi): the "Notes" tab, the notes box and its "Save", "Quit Quorvel (DE)".
NOTES_TAB = (536, 19)
NOTES_BOX = (-120, 120)
NOTES_SAVE = (-56, -47)
QUIT = (231, -13)


def notice_orange(pixel):
    """The notice's orange (#ff8000), and its edges blended into the dark lock."""
    red, green, blue = pixel
    return red >= 0xc0 and 0x50 <= green <= 0xa0 and blue <= 0x40 and 0.4 <= green / red <= 0.6


def elapsed(title):
    """The seconds a timer window's title ("H : M : S: Quorvel Timer") shows."""
    found = re.match(r"(\d+) : (\d+) : (\d+)", title)
    return int(found[1]) * 3600 + int(found[2]) * 60 + int(found[3]) if found else 0


def blocked_page_background():
    """The blocked page's background colour, (r, g, b), as the page the package ships
    declares it."""
    with open(os.path.join(HERE, "..", "..", "data", "blocked.html")) as page:
        found = re.search(r"body\s*\{[^}]*background:\s*#([0-9a-fA-F]{6})", page.read())
    return tuple(bytes.fromhex(found.group(1)))


def quit_status():
    """The status the program ends with after "Quit", as its source declares it."""
    with open(os.path.join(HERE, "..", "..", "src", "startup", "ExitStatus.h")) as header:
        return re.search(r"kExitQuit = (\d+);", header.read()).group(1)


def main():
    os.makedirs(ARTIFACTS, exist_ok=True)
    work = tempfile.mkdtemp(prefix="quorvel-vm.")
    pc = None
    try:
        build_image(os.path.join(work, "image"))
        run_dir = os.path.join(work, "run")
        os.makedirs(run_dir)
        pc = CafePc(os.path.join(work, "image"), run_dir, ARTIFACTS)
        powered_on = time.monotonic()
        pc.power_on()
        pc.wait_for_shell(BOOT_LIMIT)
        checks = Checks(pc)
        checks.lock_after_boot(powered_on)
        checks.guest_clicks()
        checks.blocked_then_watch_stopped()
        checks.kill_brings_lock_back()
        checks.no_way_out()
        checks.guest_kept_out()
        checks.guest_ends_own_session()
        checks.hard_reset_books_once()
        checks.admin_over_browser()
        checks.chromium_on_own_display()
    except (VmError, subprocess.CalledProcessError) as failure:
        log(f"FAIL: {failure}")
        if pc and pc.running():
            try:
                pc.screenshot("vm-failure")
                with open(os.path.join(ARTIFACTS, "vm-failure.txt"), "w") as report:
                    report.write(pc.sh("echo focus: $(xdotool getwindowfocus getwindowname);"
                                       " xprop -root _NET_ACTIVE_WINDOW _NET_CLIENT_LIST_STACKING;"
                                       " for w in $(xprop -root _NET_CLIENT_LIST_STACKING |"
                                       " grep -o '0x[0-9a-f]*'); do echo \"== $w\"; xprop -id $w"
                                       " WM_NAME WM_CLASS WM_STATE _NET_WM_STATE; done;"
                                       " xwininfo -root -tree | head -n 60; systemctl --failed;"
                                       " find /home -maxdepth 4 | head -n 80;"
                                       " ps -e -o user,pid,etime,time,rss,args --sort=-time |"
                                       " head -n 40 | cut -c1-200;"
                                       " tail -n 60 /home/*/.xsession-errors;"
                                       " journalctl -b --no-pager | tail -n 150", timeout=60))
            except (VmError, OSError) as also:
                log(f"no picture of the failure: {also}")
        if pc:
            shutil.copy(pc.console_log, os.path.join(ARTIFACTS, "vm-console.log"))
        return 1
    finally:
        if pc:
            pc.power_off()
        shutil.rmtree(work, ignore_errors=True)
        timings["whole test"] = time.monotonic() - started_at
        for what, seconds in timings.items():
            log(f"time: {what}: {seconds:.0f} s")
    log("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
