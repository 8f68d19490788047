"""The session harness: a private X server (with openbox or without a window manager), the
real verid in a folder of its own, and what a user has to see and drive it with.

Every wait polls with a time limit; nothing synchronises on a bare sleep. X is read with
python-xlib, keys and clicks go through xdotool as a user's keyboard and mouse would.
"""

import os
import select
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import traceback
from pathlib import Path

from Xlib import X, Xatom
from Xlib import display as xdisplay
from Xlib import error as xerror

WAIT = 30.0  # generous: other builds share the two cores
POLL = 0.05
SCREEN_W, SCREEN_H = 1280, 800

BOX_TITLES = ("警告", "確認", "情報", "エラー", "Verid")


class JourneyFailed(AssertionError):
    pass


class Skipped(Exception):
    """The journey cannot run here; said so and counted as skipped."""


def check(condition, message):
    if not condition:
        raise JourneyFailed(message)


def expect(session, condition, message):
    """A check that lets the journey go on, so one run shows every fault on its way."""
    if not condition:
        session.failures.append(message)
        session.log_line(f"FAILED: {message}")
    return condition


def poll(what, probe, timeout=WAIT):
    """Calls probe until it gives something true and returns that; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            value = probe()
        except xerror.XError:
            value = None  # a window went away while it was looked at: look again
        if value:
            return value
        if time.monotonic() > deadline:
            raise JourneyFailed(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(POLL)


def stays(what, probe, seconds):
    """Requires probe to stay true for the given time (a state that must not change)."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        check(probe(), f"{what} did not hold")
        time.sleep(POLL)


# --- files the journeys make -------------------------------------------------------------


def bmp_bytes(width, height, seed=0):
    """A 24-bit BMP with a pattern that differs per seed (so copies can be told apart)."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            row += bytes(((x * 7 + seed * 40) & 255, (y * 5 + seed * 90) & 255,
                          ((x + y) * 3 + seed * 17) & 255))
        row += b"\0" * (stride - width * 3)
        rows.append(bytes(row))
    pixels = b"".join(reversed(rows))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def ini_bytes(sections):
    """The settings file as the program reads it: CP932, CRLF lines."""
    lines = []
    for section, keys in sections.items():
        lines.append(f"[{section}]")
        for key, value in keys.items():
            if isinstance(value, bool):
                value = int(value)
            lines.append(f"{key}={value}")
    return ("\r\n".join(lines) + "\r\n").encode("cp932")


def read_ini(path):
    """{section: {key: value}} of a CP932 INI file."""
    result, section = {}, None
    for line in Path(path).read_bytes().decode("cp932").splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            section = result.setdefault(line[1:-1], {})
        elif "=" in line and section is not None:
            key, value = line.split("=", 1)
            section[key.strip()] = value.strip()
    return result


class Win:
    """What X says about one top-level window of the program."""

    def __init__(self, session, xwin):
        self.s = session
        self.x = xwin
        self.id = xwin.id

    def __repr__(self):
        try:
            return f"<{self.id:#x} {self.title!r} {self.geometry()}>"
        except xerror.XError:
            return f"<{self.id:#x} gone>"

    def __eq__(self, other):
        return isinstance(other, Win) and other.id == self.id

    def __hash__(self):
        return self.id

    def _prop(self, name, kind=X.AnyPropertyType):
        prop = self.x.get_full_property(self.s.atom(name), kind)
        return prop.value if prop else None

    @property
    def title(self):
        value = self._prop("_NET_WM_NAME", self.s.atom("UTF8_STRING"))
        if value is None:
            value = self._prop("WM_NAME")
        if isinstance(value, bytes):
            value = value.decode("utf-8", "replace")
        return value or ""

    def viewable(self):
        try:
            return self.x.get_attributes().map_state == X.IsViewable
        except xerror.XError:
            return False

    def override_redirect(self):
        return bool(self.x.get_attributes().override_redirect)

    def types(self):
        value = self._prop("_NET_WM_WINDOW_TYPE", Xatom.ATOM)
        return [self.s.atom_name(a) for a in value] if value is not None else []

    def states(self):
        value = self._prop("_NET_WM_STATE", Xatom.ATOM)
        return [self.s.atom_name(a) for a in value] if value is not None else []

    def motif_hints(self):
        """(flags, functions, decorations) the window asks its manager for, or None."""
        value = self._prop("_MOTIF_WM_HINTS")
        return tuple(value[:3]) if value is not None and len(value) >= 3 else None

    def transient_for(self):
        value = self._prop("WM_TRANSIENT_FOR", Xatom.WINDOW)
        return int(value[0]) if value is not None and len(value) else None

    def geometry(self):
        """The client area on screen: (x, y, width, height)."""
        g = self.x.get_geometry()
        at = self.s.root.translate_coords(self.x, 0, 0)
        return (at.x, at.y, g.width, g.height)

    def settle(self, quiet=0.25, timeout=3.0):
        """Waits until the window has kept its place and size for `quiet` seconds: a window
        manager may still be placing a window that has just appeared or changed."""
        deadline = time.monotonic() + timeout
        last, since = self.geometry(), time.monotonic()
        while time.monotonic() < deadline:
            time.sleep(0.05)
            now = self.geometry()
            if now != last:
                last, since = now, time.monotonic()
            elif time.monotonic() - since >= quiet:
                break
        return last

    def frame(self):
        """The outer bounds on screen, title bar included when a window manager frames it."""
        top = self.x
        while True:
            parent = top.query_tree().parent
            if parent is None or parent.id == self.s.root.id:
                break
            top = parent
        g = top.get_geometry()
        return (g.x, g.y, g.width + 2 * g.border_width, g.height + 2 * g.border_width)


class Session:
    """One journey's world: X server, window manager, the program and its folders."""

    def __init__(self, name, wm, verid, tool, work_dir, out_dir):
        self.name = name
        self.wm = wm  # True: openbox
        self.verid = Path(verid)
        self.verid_tool = Path(tool)
        self.work_dir = Path(work_dir)  # kept between journeys: pictures made once
        self.out_dir = Path(out_dir)
        self.tmp = Path(tempfile.mkdtemp(prefix=f"verid-session-{name}-"))
        self.home = self.tmp / "home"
        self.bin = self.tmp / "bin"
        for d in (self.home, self.bin, self.home / ".config", self.home / ".local/share",
                  self.home / ".cache"):
            d.mkdir(parents=True, exist_ok=True)
        self.run_dir = self.tmp / "run"
        self.run_dir.mkdir(mode=0o700)
        self.exe = self.bin / "verid"
        self.ini = self.bin / "verid.ini"
        self.xvfb = self.openbox = self.proc = None
        self.dpy = None
        self.main_id = None
        self.failures = []  # from expect(): reported when the journey ends
        self.exe_wrapper = []  # a command the program is started through (same process)
        self.log = open(self.out_dir / f"{name}.log", "w", encoding="utf-8", errors="replace")
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": str(self.home),
            "XDG_CONFIG_HOME": str(self.home / ".config"),
            "XDG_DATA_HOME": str(self.home / ".local/share"),
            "XDG_CACHE_HOME": str(self.home / ".cache"),
            "XDG_RUNTIME_DIR": str(self.run_dir),
            "LANG": "C.UTF-8",
            "QT_QPA_PLATFORM": "xcb",
            "QT_ACCESSIBILITY": "0",
            "NO_AT_BRIDGE": "1",
        }
        self._atoms = {}
        self._atom_names = {}

    # --- the X server and the window manager ---------------------------------------------

    def start_display(self):
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{SCREEN_W}x{SCREEN_H}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=self.log,
            start_new_session=True)
        os.close(write_fd)
        number = b""
        deadline = time.monotonic() + WAIT
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            check(left > 0 and self.xvfb.poll() is None, "Xvfb did not start")
            ready, _, _ = select.select([read_fd], [], [], left)
            if ready:
                chunk = os.read(read_fd, 16)
                check(chunk, "Xvfb closed its display pipe")
                number += chunk
        os.close(read_fd)
        self.env["DISPLAY"] = f":{int(number)}"
        self.dpy = xdisplay.Display(self.env["DISPLAY"])
        self.dpy.set_error_handler(lambda *args: None)
        self.root = self.dpy.screen().root
        self.log_line(f"display {self.env['DISPLAY']}, window manager: {self.wm_name}")
        if self.wm:
            self.start_openbox()

    @property
    def wm_name(self):
        return "openbox" if self.wm else "none"

    def start_openbox(self):
        self.openbox = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                        stdout=self.log, stderr=self.log,
                                        start_new_session=True)

        def ready():
            prop = self.root.get_full_property(self.atom("_NET_SUPPORTING_WM_CHECK"),
                                               Xatom.WINDOW)
            return prop is not None and len(prop.value) > 0

        poll("openbox to manage the screen", ready)

    # --- X helpers ------------------------------------------------------------------------

    def atom(self, name):
        if name not in self._atoms:
            self._atoms[name] = self.dpy.intern_atom(name)
        return self._atoms[name]

    def atom_name(self, atom):
        if atom not in self._atom_names:
            self._atom_names[atom] = self.dpy.get_atom_name(atom)
        return self._atom_names[atom]

    def _pid_of(self, xwin):
        try:
            prop = xwin.get_full_property(self.atom("_NET_WM_PID"), Xatom.CARDINAL)
        except xerror.XError:
            return None
        return int(prop.value[0]) if prop is not None and len(prop.value) else None

    def windows(self, viewable=True):
        """The program's top-level windows (looked for through window-manager frames)."""
        found = []

        def walk(xwin, depth):
            try:
                children = xwin.query_tree().children
            except xerror.XError:
                return
            for child in children:
                if self._pid_of(child) == self.proc.pid:
                    found.append(Win(self, child))
                elif depth < 3:
                    walk(child, depth + 1)

        walk(self.root, 1)
        if viewable:
            found = [w for w in found if w.viewable()]
        return found

    def popups(self):
        """Open menus of the program."""
        result = []
        for w in self.windows():
            try:
                if w.override_redirect() and not any("TOOLTIP" in t for t in w.types()):
                    result.append(w)
            except xerror.XError:
                pass
        return result

    def framed(self):
        """Visible windows the window manager would frame (no menus, no tool tips)."""
        result = []
        for w in self.windows():
            try:
                if not w.override_redirect():
                    result.append(w)
            except xerror.XError:
                pass
        return result

    def wait_window(self, title=None, match=None, what=None, timeout=WAIT, exclude=()):
        def probe():
            self.require_alive()
            for w in self.framed():
                if w.id in exclude:
                    continue
                try:
                    t = w.title
                except xerror.XError:
                    continue
                if (title is None or t == title) and (match is None or match(t)):
                    return w
            return None

        return poll(what or f"a window titled {title!r}", probe, timeout)

    def wait_gone(self, win, what=None, timeout=WAIT):
        poll(what or f"{win!r} to close", lambda: not win.viewable(), timeout)

    def main_window(self):
        return Win(self, self.dpy.create_resource_object("window", self.main_id))

    def box(self, title, timeout=WAIT):
        """A message box or dialog with that title (not the main window)."""
        return self.wait_window(title=title, what=f"a box titled {title!r}", timeout=timeout,
                                exclude=(self.main_id,))

    def boxes(self):
        return [w for w in self.framed() if w.id != self.main_id and w.title in BOX_TITLES]

    # --- input ----------------------------------------------------------------------------

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=self.log, timeout=WAIT)

    def focus(self, win):
        """Gives the window the keyboard as a click on it or the window manager would."""
        self.require_alive()

        def focused():
            f = self.dpy.get_input_focus().focus
            return f is not None and not isinstance(f, int) and f.id == win.id

        if not focused():
            if self.wm:
                self.xdotool("windowactivate", win.id)
            else:
                self.xdotool("windowfocus", win.id)
        try:
            poll(f"the keyboard focus on {win!r}", focused, timeout=10)
        except JourneyFailed:
            # Some window managers take their time; ask once more.
            self.xdotool("windowfocus", win.id)
            poll(f"the keyboard focus on {win!r}", focused)

    def keys(self, *keys, win=None, delay=60):
        """Key strokes as a user types them (xdotool key syntax), to the focused window."""
        if win is not None:
            self.focus(win)
        self.log_line(f"keys {' '.join(keys)}")
        self.xdotool("key", "--delay", delay, *keys)

    def type(self, text, win=None):
        if win is not None:
            self.focus(win)
        self.log_line(f"type {text!r}")
        self.xdotool("type", "--delay", 40, text)

    def click(self, x, y, button=1):
        self.log_line(f"click {button} at {x},{y}")
        self.xdotool("mousemove", "--sync", x, y)
        self.xdotool("click", button)

    def wait_popups(self, count, timeout=WAIT):
        poll(f"{count} open menu(s)", lambda: len(self.popups()) == count, timeout)

    def menu(self, win, *steps):
        """Walks a menu as a user does: each step is the keys typed while that many menus
        are open, e.g. menu(w, "alt+f", "c", "Return")."""
        self.focus(win)
        for depth, step in enumerate(steps):
            if depth:
                self.wait_popups(depth)
            self.keys(*step.split())

    def answer(self, title, *keys, timeout=WAIT):
        """Waits for a box, answers it, and waits for it to close (so that the next box of
        the same title is a new one)."""
        box = self.box(title, timeout=timeout)
        self.keys(*keys, win=box)
        self.wait_gone(box)
        return box

    def send_close(self, win):
        """A WM_DELETE_WINDOW request, as a title bar's close box sends it."""
        from Xlib.protocol import event as xevent

        data = (32, [self.atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])
        ev = xevent.ClientMessage(window=win.x, client_type=self.atom("WM_PROTOCOLS"), data=data)
        win.x.send_event(ev, event_mask=X.NoEventMask)
        self.dpy.flush()
        self.log_line(f"close request to {win!r}")

    def pixels(self, win, x, y, w, h):
        """The window's pixels as rows of (r, g, b)."""
        img = win.x.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF)
        data = img.data
        rows = []
        for row in range(h):
            base = row * w * 4
            rows.append([(data[base + 4 * i + 2], data[base + 4 * i + 1], data[base + 4 * i])
                         for i in range(w)])
        return rows

    # --- the program ----------------------------------------------------------------------

    def install(self, settings=None, first_run_hint=False):
        """A private copy of the program with its own settings file."""
        source = self.verid
        try:
            os.link(source, self.exe)
        except OSError:
            shutil.copy2(source, self.exe)
        sections = {"Property": {"Info": int(first_run_hint)}}
        for section, keys in (settings or {}).items():
            sections.setdefault(section, {}).update(keys)
        self.ini.write_bytes(ini_bytes(sections))

    def start(self, *args, wait_main=True):
        command = [*self.exe_wrapper, str(self.exe), *map(str, args)]
        self.proc = subprocess.Popen(command, env=self.env,
                                     cwd=str(self.home), stdout=self.log, stderr=self.log,
                                     start_new_session=True)
        self.log_line(f"started verid {' '.join(map(str, args))} (pid {self.proc.pid})")
        if wait_main:
            main = self.wait_window(title="Verid", what="the main window")
            self.main_id = main.id
            return main
        return None

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def require_alive(self):
        if self.proc is not None and self.proc.poll() is not None:
            raise JourneyFailed(f"the program has ended (exit status {self.proc.returncode})")

    def quit(self):
        """Ends the program through its own menu (ﾌｧｲﾙ - 終了) and waits for it to exit."""
        self.menu(self.main_window(), "alt+f", "x")
        self.wait_exit()

    def wait_exit(self, timeout=WAIT):
        poll("the program to exit", lambda: self.proc.poll() is not None, timeout)
        return self.proc.returncode

    def screenshot(self, label):
        if self.dpy is None:
            return None
        path = self.out_dir / f"{self.name}-{label}.png"
        subprocess.run(["import", "-display", self.env["DISPLAY"], "-window", "root", str(path)],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=WAIT)
        return path

    def log_line(self, text):
        self.log.write(f"{time.monotonic():.2f} {text}\n")
        self.log.flush()

    def describe(self):
        """The program's windows, for a failure report."""
        lines = []
        try:
            for w in self.windows(viewable=False):
                try:
                    lines.append(f"  {w.id:#x} {w.title!r} viewable={w.viewable()} "
                                 f"client={w.geometry()} frame={w.frame()} "
                                 f"transient_for={w.transient_for()}")
                except xerror.XError:
                    pass
        except Exception:  # noqa: BLE001 - only a report
            pass
        return "\n".join(lines)

    def close(self):
        for proc in (self.proc, self.openbox, self.xvfb):
            if proc is not None and proc.poll() is None:
                try:
                    os.killpg(proc.pid, signal.SIGKILL)
                except OSError:
                    pass
                try:
                    proc.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    pass
        if self.dpy is not None:
            try:
                self.dpy.close()
            except Exception:  # noqa: BLE001 - the server is gone already
                pass
        self.log.close()
        if os.environ.get("VERID_SESSION_KEEP"):
            print(f"kept: {self.tmp}")
        else:
            shutil.rmtree(self.tmp, ignore_errors=True)


def run(journeys, argv):
    """Entry point: run.py JOURNEY --wm openbox|none --verid EXE --tool EXE --work DIR
    --out DIR"""
    import argparse

    parser = argparse.ArgumentParser()
    parser.add_argument("journey", choices=sorted(journeys))
    parser.add_argument("--wm", choices=("openbox", "none"), required=True)
    parser.add_argument("--verid", required=True)
    parser.add_argument("--tool", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args(argv)
    out = Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    label = f"{args.journey}.{'openbox' if args.wm == 'openbox' else 'nowm'}"
    session = Session(label, args.wm == "openbox", args.verid, args.tool, args.work, out)
    started = time.monotonic()
    status = 0
    try:
        session.start_display()
        try:
            journeys[args.journey](session)
        except JourneyFailed as e:
            session.failures.append(str(e))
        if session.failures:
            raise JourneyFailed("\n  ".join(session.failures))
        print(f"{label}: passed in {time.monotonic() - started:.1f} s")
    except Skipped as e:
        print(f"{label}: skipped: {e}")
        status = 77
    except Exception as e:  # noqa: BLE001 - every failure is reported the same way
        status = 1
        print(f"{label}: FAILED after {time.monotonic() - started:.1f} s: {e}")
        if not isinstance(e, JourneyFailed):
            traceback.print_exc()
        print("windows:\n" + session.describe())
        shot = session.screenshot("failure")
        if shot:
            print(f"screenshot: {shot}")
        print(f"log: {out / (label + '.log')}")
    finally:
        session.close()
    return status
