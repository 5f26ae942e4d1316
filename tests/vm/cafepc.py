"""The emulated cafe PC the vm test drives: qemu-system-x86_64 booting the image
tests/vm/build-image made, worked as a person works it (screen pictures, keys and
absolute pointer clicks through QMP) and looked into through a root shell on the
second serial port. Python's standard library only.

Every wait polls a condition until a time limit; nothing sleeps for a fixed time in
the hope that something has happened."""

import json
import os
import re
import secrets
import select
import shutil
import socket
import subprocess
import time


class VmError(Exception):
    pass


def wait_for(what, condition, timeout, interval=0.5):
    """Calls condition() until it returns something true, and returns that; raises
    VmError naming WHAT when it has not within TIMEOUT seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise VmError(f"timed out after {timeout:.0f} s waiting for: {what}")
        time.sleep(interval)


def connect_unix(path, timeout):
    """A connection to QEMU's listening socket PATH, once QEMU has made it."""
    def attempt():
        try:
            sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            sock.connect(path)
            return sock
        except (FileNotFoundError, ConnectionRefusedError):
            sock.close()
            return None
    return wait_for(f"QEMU's socket {path}", attempt, timeout, interval=0.1)


class Qmp:
    """QEMU's machine protocol: one JSON object a line each way. Events that arrive
    between a command and its answer are kept in `events`."""

    def __init__(self, path, timeout=30):
        self.sock = connect_unix(path, timeout)
        self.sock.settimeout(timeout)
        self.reader = self.sock.makefile("r", encoding="utf-8")
        self.events = []
        greeting = json.loads(self.reader.readline())
        if "QMP" not in greeting:
            raise VmError(f"not a QMP greeting: {greeting}")
        self.execute("qmp_capabilities")

    def execute(self, command, **arguments):
        message = {"execute": command}
        if arguments:
            message["arguments"] = arguments
        self.sock.sendall((json.dumps(message) + "\n").encode())
        while True:
            line = self.reader.readline()
            if not line:
                raise VmError(f"QEMU closed QMP during {command}")
            answer = json.loads(line)
            if "event" in answer:
                self.events.append(answer)
            elif "error" in answer:
                raise VmError(f"QMP {command}: {answer['error']}")
            elif "return" in answer:
                return answer["return"]

    def close(self):
        self.reader.close()
        self.sock.close()


# Characters typed with the keyboard, as QEMU's key codes; (code, True) needs Shift.
_PLAIN = {" ": "spc", "-": "minus", ".": "dot", "/": "slash", ",": "comma",
          ";": "semicolon", "=": "equal", "\n": "ret", "\t": "tab"}
_SHIFTED = {"_": "minus", ":": "semicolon", "!": "1", "@": "2", "#": "3", "+": "equal"}


def key_of(char):
    if char.isascii() and (char.islower() or char.isdigit()):
        return char, False
    if char.isascii() and char.isupper():
        return char.lower(), True
    if char in _PLAIN:
        return _PLAIN[char], False
    if char in _SHIFTED:
        return _SHIFTED[char], True
    raise VmError(f"no key types {char!r}")


class Shell:
    """The test's root shell on the PC's second serial port. It reads commands from
    a pipe, so it prints no prompt and echoes nothing: what comes back is the
    commands' output, framed by markers that carry each command's status."""

    def __init__(self, path, timeout=30):
        self.path = path
        self.sock = connect_unix(path, timeout)
        self.sock.setblocking(False)
        self.pending = b""

    def _drain(self):
        while select.select([self.sock], [], [], 0)[0]:
            data = self.sock.recv(65536)
            if not data:
                raise VmError("QEMU closed the serial shell")
        self.pending = b""

    def run(self, command, timeout=60, check=True):
        """Runs COMMAND (bash) in the shell itself, so that what it exports stays,
        with no input; returns (status, output). With CHECK, a non-zero status
        raises."""
        self._drain()
        token = secrets.token_hex(6)
        # The markers are printed by printf from pieces, so a shell that echoed its
        # input could never fake them.
        script = (f"printf '%s\\n' 'B{token[:3]}''{token[3:]}'; {{ {command}\n}} </dev/null 2>&1; "
                  f"printf '%s E%s\\n' \"$?\" '{token}'\n")
        self.sock.sendall(script.encode())
        framed = re.compile(rb"B" + token.encode() + rb"\n(.*?)(\d+) E" + token.encode() + rb"\n", re.S)
        deadline = time.monotonic() + timeout
        while True:
            found = framed.search(self.pending)
            if found:
                status, output = int(found.group(2)), found.group(1).decode(errors="replace")
                if check and status != 0:
                    raise VmError(f"`{command}` ended with {status}: {output.strip()}")
                return status, output
            left = deadline - time.monotonic()
            if left <= 0:
                raise VmError(f"no answer from the serial shell to `{command}` within {timeout} s")
            if select.select([self.sock], [], [], left)[0]:
                data = self.sock.recv(65536)
                if not data:
                    raise VmError("QEMU closed the serial shell")
                self.pending += data

    def out(self, command, timeout=60):
        """The output of COMMAND, which must succeed, stripped."""
        return self.run(command, timeout)[1].strip()

    def ok(self, command, timeout=60):
        """True when COMMAND ends with status 0."""
        return self.run(command, timeout, check=False)[0] == 0

    READY = b"quorvel-shell-ready\n"

    def wait_ready(self, timeout, alive):
        """Waits until the shell of the boot now under way says it is ready (the PC's
        service prints READY once it holds the port). Nothing is sent before."""
        self.pending = b""
        deadline = time.monotonic() + timeout
        while self.READY not in self.pending:
            if not alive():
                raise VmError("QEMU ended before its root shell was ready")
            left = deadline - time.monotonic()
            if left <= 0:
                raise VmError(f"timed out after {timeout} s waiting for the root shell on the serial port")
            if select.select([self.sock], [], [], min(left, 1.0))[0]:
                data = self.sock.recv(65536)
                if not data:
                    raise VmError("QEMU closed the serial shell")
                # Only the tail can still hold a marker cut in two.
                self.pending = (self.pending + data)[-4096:]
        self.pending = b""

    def close(self):
        self.sock.close()


class CafePc:
    """One boot of the image in OUT_DIR (disk.img, vmlinuz, initrd.img), its sockets
    and logs in RUN_DIR, its screen pictures in ARTIFACTS."""

    def __init__(self, image_dir, run_dir, artifacts):
        self.image_dir, self.run_dir, self.artifacts = image_dir, run_dir, artifacts
        self.qmp_path = os.path.join(run_dir, "qmp.sock")
        self.shell_path = os.path.join(run_dir, "shell.sock")
        self.console_log = os.path.join(run_dir, "console.log")
        self.process = None
        self.qmp = None
        self.shell = None
        self.screen = None
        # Key events sent that the X server may not have taken yet.
        self.keys_pending = 0

    def power_on(self):
        qemu = shutil.which("qemu-system-x86_64")
        if not qemu:
            raise VmError("the tool 'qemu-system-x86_64' is not installed")
        for path in (self.qmp_path, self.shell_path):
            if os.path.exists(path):
                os.unlink(path)
        image = lambda name: os.path.join(self.image_dir, name)
        # /dev/kvm on these machines is a paravirtual host module on which a stock
        # kernel hangs while decompressing itself: the emulator does it all. On a busy
        # host the emulated timer can miss the kernel's early check of it, which then
        # stops the boot ("IO-APIC + timer doesn't work"): no_timer_check skips it.
        command = [
            qemu, "-name", "cafe-pc", "-accel", "tcg,thread=multi", "-cpu", "max",
            "-smp", "2", "-m", "3G", "-nodefaults", "-display", "none", "-nic", "none",
            "-kernel", image("vmlinuz"), "-initrd", image("initrd.img"),
            "-append", "root=/dev/vda rw console=ttyS0 net.ifnames=0 no_timer_check",
            "-drive", f"file={image('disk.img')},format=raw,if=virtio,cache=unsafe",
            # The keyboard is the PC's own PS/2 one; the tablet points absolutely, as
            # QMP's clicks do.
            "-vga", "std", "-usb", "-device", "usb-tablet",
            "-qmp", f"unix:{self.qmp_path},server=on,wait=off",
            "-chardev", f"file,id=console,path={self.console_log}", "-serial", "chardev:console",
            "-chardev", f"socket,id=shell,path={self.shell_path},server=on,wait=off",
            "-serial", "chardev:shell",
        ]
        log = open(os.path.join(self.run_dir, "qemu.log"), "w")
        self.process = subprocess.Popen(command, stdout=log, stderr=subprocess.STDOUT,
                                        stdin=subprocess.DEVNULL)
        log.close()
        self.qmp = Qmp(self.qmp_path)
        self.shell = Shell(self.shell_path)

    def power_off(self):
        if self.process and self.process.poll() is None:
            try:
                self.qmp.execute("quit")
            except (VmError, OSError):
                pass
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        for part in (self.qmp, self.shell):
            if part:
                part.close()

    def running(self):
        return self.process.poll() is None

    # ---- the root shell ---------------------------------------------------------------
    def wait_for_shell(self, timeout):
        """Waits for the root shell of this boot, and points it at the display the
        display manager started (its own authority file: root may use it)."""
        self.shell.wait_ready(timeout, self.running)
        self.shell.run("export DISPLAY=:0 XAUTHORITY=/var/run/lightdm/root/:0")

    def sh(self, command, timeout=60):
        return self.shell.out(command, timeout)

    def ok(self, command, timeout=60):
        return self.shell.ok(command, timeout)

    # ---- the X server, as root sees it --------------------------------------------------
    # Every look at the X server below is at the screen's display, or with ON (an
    # environment such as "DISPLAY=:1 XAUTHORITY=...") at another one.
    def visible_window(self, pattern, on=""):
        """The first viewable window whose name matches PATTERN (a regular
        expression), or None."""
        found = self.shell.run(f"{on} xdotool search --onlyvisible --name {quote(pattern)}"
                               " | head -n 1", check=False)[1].strip()
        return int(found) if found.isdigit() else None

    def window_name(self, window, on=""):
        return self.shell.run(f"{on} xdotool getwindowname {window}", check=False)[1].strip()

    def geometry(self, window, on=""):
        """(x, y, width, height) of a window's client area on its display."""
        info = self.sh(f"{on} xwininfo -id {window}")
        value = lambda label: int(re.search(label + r":\s+(-?\d+)", info).group(1))
        return (value("Absolute upper-left X"), value("Absolute upper-left Y"),
                value("Width"), value("Height"))

    def screen_size(self):
        if not self.screen:
            info = self.sh("xwininfo -root")
            self.screen = tuple(int(re.search(label + r":\s+(\d+)", info).group(1))
                                for label in ("Width", "Height"))
        return self.screen

    def top_window(self):
        """The highest window the window manager stacks."""
        ids = re.findall(r"0x[0-9a-f]+", self.sh("xprop -root _NET_CLIENT_LIST_STACKING"))
        return int(ids[-1], 16) if ids else None

    def focused(self):
        found = self.shell.run("xdotool getwindowfocus", check=False)[1].strip()
        return int(found) if found.isdigit() else None

    def in_front(self, window):
        """The window is the top-most managed one and has the keyboard focus."""
        return window is not None and self.top_window() == window and self.focused() == window

    def lock_in_place(self):
        """The login screen covers the whole screen, on top of everything, focused."""
        lock = self.visible_window("^Login Screen$")
        return (lock is not None and self.geometry(lock) == (0, 0) + self.screen_size()
                and self.in_front(lock))

    # ---- the person at the PC: screen, keys, pointer ---------------------------------------
    def screenshot(self, name):
        path = os.path.join(self.artifacts, f"{name}.png")
        self.qmp.execute("screendump", filename=path, format="png")
        return path

    def pixels_like(self, near):
        """How many pixels of the screen NEAR((r, g, b)) accepts, read from the
        emulated card's picture."""
        path = os.path.join(self.run_dir, "screen.ppm")
        self.qmp.execute("screendump", filename=path, format="ppm")
        with open(path, "rb") as picture:
            data = picture.read()
        header = re.match(rb"P6\s+\d+\s+\d+\s+255\s", data)
        if not header:
            raise VmError("the screen's picture is no 8-bit PPM")
        body = memoryview(data)[header.end():]
        return sum(1 for pixel in zip(body[0::3], body[1::3], body[2::3]) if near(pixel))

    # The emulated PS/2 keyboard holds 16 bytes and drops what comes on top (each
    # press and each release is one byte); a guest busy starting its browser may not
    # read them for a while. So no more than this are sent before the X server has
    # taken the ones before.
    KEY_EVENTS_IN_FLIGHT = 10

    def keys(self, *combo):
        """Presses the keys of COMBO together (QEMU's key codes: 'ctrl', 'alt', 'f2',
        'backspace', 'ret', ...), then lets them go in reverse order."""
        if self.keys_pending + 2 * len(combo) > self.KEY_EVENTS_IN_FLIGHT:
            self.keys_processed()
        self._send_keys(combo)

    def _send_keys(self, combo):
        event = lambda key, down: {"type": "key", "data": {
            "down": down, "key": {"type": "qcode", "data": key}}}
        self.qmp.execute("input-send-event", events=[event(k, True) for k in combo])
        self.qmp.execute("input-send-event", events=[event(k, False) for k in reversed(combo)])
        self.keys_pending += 2 * len(combo)

    def type(self, text):
        for char in text:
            key, shifted = key_of(char)
            self.keys(*(("shift", key) if shifted else (key,)))

    def click(self, x, y, button="left"):
        """A click at screen pixel (x, y), through the absolute-pointing tablet, in
        its place among the keys: the keyboard and the tablet are two devices that
        reach the X server by separate roads, so a click sent after keys can overtake
        them (a "Save" clicked before the text arrives) and keys sent after a click can
        overtake it (typed into whatever had the focus before). So the keys sent
        before are waited for first, and the click itself before returning."""
        if self.keys_pending:
            self.keys_processed()
        height = self.screen_size()[1]
        self._point(x, y)
        for down in (True, False):
            self.qmp.execute("input-send-event", events=[
                {"type": "btn", "data": {"down": down, "button": button}}])
        # The tablet's events keep their order: once the X server shows the pointer
        # one pixel off, it has taken the press and the release before it. A click
        # that ends the X server (Logout) was taken too.
        off = y + 1 if y + 1 < height else y - 1
        self._point(x, off)

        def taken():
            status, where = self.shell.run("xdotool getmouselocation", check=False)
            return status != 0 or where.startswith(f"x:{x} y:{off} ")

        wait_for("the X server to take the click", taken, 60)

    def _point(self, x, y):
        width, height = self.screen_size()
        scale = lambda value, size: round(value * 0x7FFF / max(size - 1, 1))
        self.qmp.execute("input-send-event", events=[
            {"type": "abs", "data": {"axis": "x", "value": scale(x, width)}},
            {"type": "abs", "data": {"axis": "y", "value": scale(y, height)}}])

    def click_in(self, window, dx, dy, on=""):
        """A click at (DX, DY) inside a window's client area; negative offsets count
        from its right or bottom edge. A window of another display ON is taken to
        show where it stands on that display: one that fills the screen from its top
        left corner."""
        x, y, width, height = self.geometry(window, on)
        self.click(x + (dx if dx >= 0 else width + dx), y + (dy if dy >= 0 else height + dy))

    def keys_processed(self):
        """Waits until the X server has handled every key sent before: Caps Lock,
        pressed after them, shows in the keyboard's state only once the server got
        to it. Pressed again, it leaves the state as it was."""
        caps = lambda: re.search(r"Caps Lock:\s+(on|off)", self.sh("xset q")).group(1)
        before = caps()
        self._send_keys(("caps_lock",))
        wait_for("the X server to take the keys sent", lambda: caps() != before, 60)
        self._send_keys(("caps_lock",))
        wait_for("Caps Lock to be back as it was", lambda: caps() == before, 60)
        self.keys_pending = 0


def quote(text):
    return "'" + text.replace("'", "'\\''") + "'"
