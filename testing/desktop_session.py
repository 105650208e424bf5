#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A private X11 desktop with a browser on a chat page, for the end-to-end tests and the demo.

Starts, in a fresh temporary folder: Xvfb on a free display, a D-Bus session bus, the
accessibility bus (with org.a11y.Status IsEnabled set true before any browser starts), an HTTPS
fixture server on loopback with a certificate from a fresh private certificate authority, and, on
request, a browser showing one fixture page with the chat hosts resolved to that server: Chromium,
or Firefox ESR with --browser firefox. With --window-manager, openbox manages the display as it
would on a user's desktop; without it no window manager runs. With --tray, trayer docks tray icons
at the top right, as a panel would. With --scale 2, the browser draws at twice the size, as on a
high-density screen.

With --compositor sway, sway runs nested in the X display (its X11 backend, software rendering,
XWayland started at once) and the browser runs inside it as a native Wayland client. sway refuses
to run as root: as root, the compositor, the buses and the browser run as the system user
tandrel-e2e (created on first use), which owns the session's folder; the one who started the
script may still connect to the compositor's XWayland. The pages' rectangles are then placed on
the screen with the compositor's idea of where the browser's window is, since a Wayland page does
not know it. With --compositor gnome, gnome-shell runs nested the same way, as that user, with
Tandrel's shell extension from the source tree installed and enabled, and answers through it
(gnome_session.py).

Protocol (stdout, one line each):
    DISPLAY=:N, XDG_RUNTIME_DIR=..., DBUS_SESSION_BUS_ADDRESS=..., AT_SPI_BUS_ADDRESS=...,
    FIXTURE_PORT=...                         the environment a client needs; with
                                             --compositor sway also HOST_DISPLAY (the X display
                                             sway runs on; DISPLAY is its XWayland),
                                             WAYLAND_DISPLAY, SWAYSOCK, and SESSION_UID and
                                             SESSION_GID (who must run the clients)
    ready                                    everything is up
    sent [<json>, ...]                       after "sent": what the pages sent on Return since
                                             the last "sent" ({"url","text","at"}, oldest first)
    opened {"url":..,"pid":..,"rects":..}    after "open": the page has focused its input;
                                             rects are [x, y, width, height] in screen pixels
    accessibility on|off                     after "accessibility": the switch is set
    focused <pid>                            after "focused" (with a compositor): the process
                                             whose window has the keyboard focus, 0 for none
    copied / pasted <base64>|-               after "copy" and "paste" (with a compositor)
    clicked / typed                          after "click" and "key"
    error <message>                          something failed or is missing
Commands (stdin, one line each):
    open <url> [<class>]
                  (re)start the browser on the page, e.g. open https://chatgpt.com/textarea.html;
                  with a class, its window carries that class, as a desktop app's would
    sent          list (and forget) the messages the pages sent on Return
    accessibility on|off
                  sets org.a11y.Status IsEnabled, as a user's settings switch would; browsers
                  read it when they start, so "off", "open", "on" gives a browser that met the
                  switch late
    focused       asks the compositor which process has the keyboard focus
    copy <type> <base64>
                  the user's clipboard: the bytes, of that MIME type, held by a program of the
                  session's user as a native application would hold them
    paste <type>  the clipboard's content of that type, as a native application reads it
    click <x> <y> a click as from the mouse at those X screen coordinates
    key <keysym>  a key typed on the keyboard, e.g. key a
    quit          stop everything and exit

Everything started is stopped, by process group, when stdin closes, on "quit", on SIGTERM, SIGINT
or SIGHUP, and when the parent process dies. Every child also dies with this script.
"""
import argparse
import base64
import ctypes
import ctypes.util
import json
import os
import pwd
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.parse

import gnome_session

HERE = os.path.dirname(os.path.abspath(__file__))
CHAT_HOST = "chatgpt.com"
OTHER_HOST = "example.com"
SCREEN = (1440, 900)  # points; pixels are points times the scale
START_TIMEOUT = 30.0  # seconds for each program to come up
WM_POLL = 0.05  # seconds between looks at whether the window manager has taken the display
OPEN_TIMEOUT = 45.0  # seconds for the browser to show a page with its input focused
FOCUS_RETRY = 0.5  # seconds between attempts to give Firefox's window the X input focus
BROWSERS = ("chromium", "firefox")
COMPOSITORS = ("sway", "kwin", "gnome")
PASTE_TIMEOUT = 2.0  # seconds for the clipboard's owner to hand over its content
COPY_ATTEMPTS = 3
STOP_GRACE = 3.0  # seconds between SIGTERM and SIGKILL

PR_SET_PDEATHSIG = 1
_libc = ctypes.CDLL(None, use_errno=True)

# Debian packages that provide each program, for the "missing" message.
PACKAGES = {"Xvfb": "xvfb", "dbus-daemon": "dbus-daemon", "dbus-send": "dbus-bin", "openssl": "openssl",
            "chromium": "chromium", "openbox": "openbox", "trayer": "trayer", "libX11": "libx11-6",
            "firefox-esr": "firefox-esr", "certutil": "libnss3-tools", "xdotool": "xdotool",
            "sway": "sway", "swaymsg": "sway", "useradd": "passwd", "kwin_wayland": "kwin-wayland"}
# Who runs sway and everything inside it when this script runs as root: sway refuses root.
SWAY_USER = "tandrel-e2e"
SWAY_SETTLE_READINGS = 5  # equal readings of a window's place, 0.1 s apart, before it counts
KWIN_ANSWER_TIMEOUT = 10.0  # seconds for a KWin script to print what it was asked


class SessionError(Exception):
    pass


class Stop(Exception):
    """Raised by the signal handlers to unwind into the cleanup."""


def die_with_parent(sig):
    _libc.prctl(PR_SET_PDEATHSIG, int(sig), 0, 0, 0)


def child_setup(parent_pid):
    """Runs in each child before exec: its own process group (so one signal reaches everything it
    starts) and death when this script dies, even by SIGKILL."""

    def setup():
        os.setpgid(0, 0)
        die_with_parent(signal.SIGKILL)
        if os.getppid() != parent_pid:  # the parent died before prctl took effect
            os._exit(1)

    return setup


class LineReader:
    """Reads lines from a pipe with a deadline, without blocking past it."""

    def __init__(self, fd):
        self.fd = fd
        self.buffer = b""
        self.closed = False

    def pending_line(self):
        if b"\n" in self.buffer:
            line, self.buffer = self.buffer.split(b"\n", 1)
            return line.decode("utf-8", "replace").rstrip("\r")
        return None

    def fill(self):
        data = os.read(self.fd, 65536)
        if not data:
            self.closed = True
        self.buffer += data

    def readline(self, deadline):
        """The next line, or None when the pipe closed or the deadline passed."""
        while True:
            line = self.pending_line()
            if line is not None:
                return line
            if self.closed:
                return None
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                return None
            ready, _, _ = select.select([self.fd], [], [], remaining)
            if ready:
                self.fill()


def say(line):
    sys.stdout.write(line + "\n")
    sys.stdout.flush()


def note(line):
    sys.stderr.write("desktop-session: " + line + "\n")
    sys.stderr.flush()


def find_program(name, override=None):
    path = override or shutil.which(name)
    if not path or not os.access(path, os.X_OK):
        package = PACKAGES.get(name, name)
        raise SessionError("missing program: %s (Debian package %s; scripts/setup installs it)"
                           % (override or name, package))
    return path


class RootWindow:
    """Reads properties of a display's root window through libX11, without any X client program."""

    XA_WINDOW = 33
    SUCCESS = 0

    def __init__(self, display_name):
        path = ctypes.util.find_library("X11") or "libX11.so.6"
        try:
            x = ctypes.CDLL(path)
        except OSError:
            raise SessionError("missing library: libX11 (Debian package libx11-6)")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XGetWindowProperty.restype = ctypes.c_int
        x.XGetWindowProperty.argtypes = [
            ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
            ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XGetSelectionOwner.restype = ctypes.c_ulong
        x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x = x
        self.display = x.XOpenDisplay(display_name.encode())
        if not self.display:
            raise SessionError("cannot open display %s" % display_name)
        self.root = x.XDefaultRootWindow(self.display)

    def allow_local_user(self, name):
        """Lets the local user of that name connect too, as `xhost +si:localuser:NAME` does."""

        class ServerInterpreted(ctypes.Structure):
            _fields_ = [("typelength", ctypes.c_int), ("valuelength", ctypes.c_int),
                        ("type", ctypes.c_char_p), ("value", ctypes.c_char_p)]

        class HostAddress(ctypes.Structure):
            _fields_ = [("family", ctypes.c_int), ("length", ctypes.c_int),
                        ("address", ctypes.c_void_p)]

        kind, value = b"localuser", name.encode()
        address = ServerInterpreted(len(kind), len(value), kind, value)
        host = HostAddress(5, ctypes.sizeof(address),  # FamilyServerInterpreted
                           ctypes.cast(ctypes.pointer(address), ctypes.c_void_p))
        self.x.XAddHost.argtypes = [ctypes.c_void_p, ctypes.POINTER(HostAddress)]
        self.x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x.XAddHost(self.display, ctypes.byref(host))
        self.x.XSync(self.display, 0)

    def close(self):
        if self.display:
            self.x.XCloseDisplay(self.display)
            self.display = None

    def window_property(self, window, name):
        """The first window-typed value of the property, or None when it is absent."""
        atom = self.x.XInternAtom(self.display, name.encode(), 0)
        actual_type = ctypes.c_ulong()
        actual_format = ctypes.c_int()
        items = ctypes.c_ulong()
        after = ctypes.c_ulong()
        data = ctypes.c_void_p()
        status = self.x.XGetWindowProperty(
            self.display, window, atom, 0, 1, 0, self.XA_WINDOW, ctypes.byref(actual_type),
            ctypes.byref(actual_format), ctypes.byref(items), ctypes.byref(after),
            ctypes.byref(data))
        if status != self.SUCCESS or not data.value:
            return None
        try:
            if actual_type.value != self.XA_WINDOW or actual_format.value != 32 or not items.value:
                return None
            # Format-32 data arrives as C longs, whatever their width.
            return ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))[0]
        finally:
            self.x.XFree(data)

    def selection_owned(self, name):
        atom = self.x.XInternAtom(self.display, name.encode(), 0)
        return self.x.XGetSelectionOwner(self.display, atom) != 0

    def window_manager_ready(self):
        """True once a window manager has announced itself as EWMH asks: the root names a check
        window that names itself."""
        check = self.window_property(self.root, "_NET_SUPPORTING_WM_CHECK")
        return bool(check) and self.window_property(check, "_NET_SUPPORTING_WM_CHECK") == check


class Session:
    def __init__(self, window_manager=False, tray=False, scale=1, browser="chromium",
                 compositor=None, xwayland_browser=False):
        self.programs = {name: find_program(name) for name in
                         ("Xvfb", "dbus-daemon", "dbus-send", "openssl")}
        self.compositor = compositor
        # Inside a compositor, the browser as an X11 client of its XWayland, as a baseline.
        self.native_browser = bool(compositor) and not xwayland_browser
        if compositor:
            if window_manager or tray:
                raise SessionError("--compositor runs the browser alone, with no window manager "
                                   "or tray on the X display")
            for name in ("xdotool", "wl-copy", "wl-paste"):
                self.programs[name] = find_program(name)
        if compositor == "sway":
            self.programs["sway"] = find_program("sway")
            self.programs["swaymsg"] = find_program("swaymsg")
        if compositor == "kwin":
            self.programs["kwin_wayland"] = find_program("kwin_wayland")
        if compositor == "gnome":
            self.programs["gnome-shell"] = find_program("gnome-shell")
        self.window_manager = window_manager
        if window_manager:
            self.programs["openbox"] = find_program("openbox")
        self.tray = tray
        if tray:
            self.programs["trayer"] = find_program("trayer")
        self.scale = scale
        self.browser_kind = browser
        if browser == "firefox":
            self.programs["firefox"] = find_program(
                "firefox-esr", os.environ.get("TANDREL_FIREFOX") or shutil.which("firefox-esr")
                or shutil.which("firefox"))
            self.programs["certutil"] = find_program("certutil")
            self.programs["xdotool"] = find_program("xdotool")
        else:
            self.programs["chromium"] = find_program(
                "chromium", os.environ.get("TANDREL_CHROMIUM") or
                ("/usr/bin/chromium" if os.path.exists("/usr/bin/chromium") else None))
        self.pid = os.getpid()
        self.tmp = tempfile.mkdtemp(prefix="tandrel-desktop-")
        self.runtime = os.path.join(self.tmp, "runtime")
        self.home = os.path.join(self.tmp, "home")
        os.mkdir(self.runtime, 0o700)
        os.mkdir(self.home, 0o700)
        # sway and GNOME Shell refuse root; KWin does not.
        self.user = self.session_user() if compositor in ("sway", "gnome") else None
        if self.user:
            for path in (self.tmp, self.runtime, self.home):
                os.chown(path, self.user.pw_uid, self.user.pw_gid)
        self.children = []  # (name, Popen), in start order
        self.browser = None
        self.browser_runs = 0
        self.ca_cert = None
        self.server = None
        self.server_reader = None
        self.reports = []
        self.sent = []
        self.env = {k: v for k, v in os.environ.items() if k not in (
            "DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS",
            "XAUTHORITY", "SESSION_MANAGER")}
        self.env.update({"XDG_RUNTIME_DIR": self.runtime, "HOME": self.home,
                         "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
                         "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
                         "GSETTINGS_BACKEND": "memory",
                         # Firefox: no crash reporter dialog; the X11 backend on the X display,
                         # a native Wayland client inside a compositor.
                         "MOZ_CRASHREPORTER_DISABLE": "1",
                         "MOZ_ENABLE_WAYLAND": "1" if self.native_browser else "0"})
        self.exported = {}
        self.clipboard_holder = None

    def session_user(self):
        """Who runs the compositor, the buses and the browser: this script's own user, or, as
        root (which sway refuses), a system user of its own, created on first use."""
        if os.geteuid() != 0:
            return pwd.getpwuid(os.geteuid())
        try:
            return pwd.getpwnam(SWAY_USER)
        except KeyError:
            pass
        result = subprocess.run([find_program("useradd", shutil.which("useradd") or
                                              "/usr/sbin/useradd"),
                                 "--system", "--user-group", "--no-create-home",
                                 "--home-dir", "/nonexistent", "--shell", "/usr/sbin/nologin",
                                 SWAY_USER], capture_output=True, text=True,
                                timeout=START_TIMEOUT)
        try:
            return pwd.getpwnam(SWAY_USER)
        except KeyError:
            raise SessionError("could not create the user %s: %s"
                               % (SWAY_USER, result.stderr.strip()))

    def as_user(self):
        """Popen arguments that run a child as the session's user, when it has one."""
        if not self.user or self.user.pw_uid == os.geteuid():
            return {}
        return {"user": self.user.pw_uid, "group": self.user.pw_gid, "extra_groups": []}

    # -- starting ------------------------------------------------------------------------------

    def spawn(self, name, argv, **kwargs):
        kwargs.setdefault("stdin", subprocess.DEVNULL)
        kwargs.setdefault("stdout", subprocess.DEVNULL)
        if "stderr" not in kwargs:
            kwargs["stderr"] = open(os.path.join(self.tmp, name + ".log"), "ab")
        kwargs.setdefault("env", self.env)
        process = subprocess.Popen(argv, preexec_fn=child_setup(self.pid),
                                   **kwargs)
        self.children.append((name, process))
        return process

    def log_tail(self, name, lines=15):
        try:
            with open(os.path.join(self.tmp, name + ".log"), "rb") as f:
                text = f.read().decode("utf-8", "replace").splitlines()
        except OSError:
            return ""
        # Chromium complains about the absent system bus on every start; that is never the cause.
        text = [t for t in text if "dbus" not in t]
        return " | ".join(text[-lines:])

    def export(self, key, value):
        self.env[key] = value
        self.exported[key] = value

    def start(self):
        self.start_xvfb()
        if self.window_manager:
            self.start_window_manager()
        if self.tray:
            self.start_tray()
        self.export("XDG_RUNTIME_DIR", self.runtime)
        self.start_dbus()
        self.start_accessibility_bus()
        self.start_fixture_server()
        if self.compositor == "sway":
            self.start_sway()
        elif self.compositor == "kwin":
            self.start_kwin()
        elif self.compositor == "gnome":
            self.start_gnome_shell()

    def screen_argument(self):
        # A high-density screen has more pixels, not fewer points: the pages keep their room.
        width, height = (round(v * self.scale) for v in SCREEN)
        return "%dx%dx24" % (width, height)

    def start_xvfb(self):
        read_end, write_end = os.pipe()
        process = self.spawn("Xvfb", [self.programs["Xvfb"], "-displayfd", str(write_end),
                                      "-screen", "0", self.screen_argument(), "-nolisten", "tcp"],
                             pass_fds=(write_end,))
        os.close(write_end)
        reader = LineReader(read_end)
        line = reader.readline(time.monotonic() + START_TIMEOUT)
        os.close(read_end)
        if not line or not line.strip().isdigit():
            raise SessionError("Xvfb did not start (exit %s): %s"
                               % (process.poll(), self.log_tail("Xvfb")))
        self.export("DISPLAY", ":" + line.strip())

    def start_window_manager(self):
        # The fresh HOME holds no openbox configuration: the packaged defaults apply, as on a
        # new account. No session manager runs here.
        process = self.spawn("openbox", [self.programs["openbox"], "--sm-disable"])
        root = RootWindow(self.env["DISPLAY"])
        try:
            deadline = time.monotonic() + START_TIMEOUT
            while not root.window_manager_ready():
                if process.poll() is not None:
                    raise SessionError("openbox exited with status %s: %s"
                                       % (process.returncode, self.log_tail("openbox")))
                if time.monotonic() > deadline:
                    raise SessionError("openbox did not set _NET_SUPPORTING_WM_CHECK on the "
                                       "root window within %ds: %s"
                                       % (START_TIMEOUT, self.log_tail("openbox")))
                time.sleep(WM_POLL)
        finally:
            root.close()

    def start_tray(self):
        # An XEmbed tray as on a panel: the system tray selection of screen 0 is owned once it is
        # ready to dock icons.
        process = self.spawn("trayer", [self.programs["trayer"], "--edge", "top", "--align",
                                        "right", "--widthtype", "request", "--height", "24",
                                        "--SetDockType", "true", "--expand", "true"])
        root = RootWindow(self.env["DISPLAY"])
        try:
            deadline = time.monotonic() + START_TIMEOUT
            while not root.selection_owned("_NET_SYSTEM_TRAY_S0"):
                if process.poll() is not None:
                    raise SessionError("trayer exited with status %s: %s"
                                       % (process.returncode, self.log_tail("trayer")))
                if time.monotonic() > deadline:
                    raise SessionError("trayer did not take the system tray within %ds: %s"
                                       % (START_TIMEOUT, self.log_tail("trayer")))
                time.sleep(WM_POLL)
        finally:
            root.close()

    def start_sway(self):
        """sway on the X display as a window of its size, with XWayland at once. The X display
        stays reachable as HOST_DISPLAY (where input arrives, as from a real mouse); DISPLAY
        becomes sway's XWayland display, where X11 programs such as tandrel run."""
        found = os.path.join(self.tmp, "sway-environment")
        config = os.path.join(self.tmp, "sway-config")
        # sway's exec hands its children the sockets it made; this one writes them down.
        tell = os.path.join(self.tmp, "sway-tell")
        with open(tell, "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$WAYLAND_DISPLAY" "$SWAYSOCK" "$DISPLAY" '
                    '> %s.part && mv %s.part %s\n' % (found, found, found))
        with open(config, "w") as f:
            # At a scale, the output has that many more pixels and the same room in points.
            f.write("output * resolution %dx%d position 0 0 scale %g\n"
                    % (SCREEN[0] * self.scale, SCREEN[1] * self.scale, self.scale) +
                    "default_border none\nxwayland force\nexec %s\n" % tell)
        os.chmod(tell, 0o755)
        os.chmod(config, 0o644)
        host = self.env["DISPLAY"]
        self.env.update({"WLR_BACKENDS": "x11", "WLR_RENDERER": "pixman",
                         "WLR_X11_OUTPUTS": "1", "XCURSOR_SIZE": "24"})
        process = self.spawn("sway", [self.programs["sway"], "--config", config],
                             **self.as_user())
        deadline = time.monotonic() + START_TIMEOUT
        while not os.path.exists(found):
            if process.poll() is not None:
                raise SessionError("sway exited with status %s: %s"
                                   % (process.returncode, self.log_tail("sway")))
            if time.monotonic() > deadline:
                raise SessionError("sway did not start within %ds: %s"
                                   % (START_TIMEOUT, self.log_tail("sway")))
            time.sleep(WM_POLL)
        with open(found) as f:
            wayland, swaysock, xwayland = (f.read().splitlines() + ["", "", ""])[:3]
        if not (wayland and swaysock and xwayland):
            raise SessionError("sway did not name its sockets: %r" % [wayland, swaysock, xwayland])
        # XWayland lets only sway's user in; the one who started this session may look too.
        me = pwd.getpwuid(os.geteuid()).pw_name
        while True:  # XWayland answers once it is up
            if self.allow_on(xwayland, me):
                break
            else:
                if time.monotonic() > deadline:
                    raise SessionError("sway's XWayland (%s) did not start within %ds: %s"
                                       % (xwayland, START_TIMEOUT, self.log_tail("sway")))
                time.sleep(WM_POLL)
        self.export("HOST_DISPLAY", host)
        self.export("DISPLAY", xwayland)
        self.export("WAYLAND_DISPLAY", wayland)
        self.export("SWAYSOCK", swaysock)
        self.export("XDG_CURRENT_DESKTOP", "sway")
        # Whoever runs programs inside this session (tandrel, wl-copy) runs them as this user.
        self.export("SESSION_UID", str(self.user.pw_uid))
        self.export("SESSION_GID", str(self.user.pw_gid))

    def start_kwin(self):
        """KWin on the X display as a window of its size (its X11 backend), with XWayland on a
        display of our choosing, as kwin_wayland_wrapper gives it one: the X display stays
        reachable as HOST_DISPLAY (where input arrives, as from a real mouse); DISPLAY becomes
        KWin's XWayland display, where X11 programs such as tandrel run."""
        # The installed binary carries a file capability the sandbox refuses; KWin takes its own
        # Qt platform only under its own name.
        folder = os.path.join(self.tmp, "kwin")
        os.mkdir(folder)
        kwin = os.path.join(folder, "kwin_wayland")
        shutil.copyfile(self.programs["kwin_wayland"], kwin)
        os.chmod(kwin, 0o755)
        number, listener = self.free_x_display()
        self.kwin_display_lock = "/tmp/.X%d-lock" % number
        host = self.env["DISPLAY"]
        socket_name = "wayland-tandrel"
        # QPainter compositing: no OpenGL to find on Xvfb.
        self.env.update({"KWIN_COMPOSE": "Q", "XDG_CURRENT_DESKTOP": "KDE",
                         "XDG_SESSION_TYPE": "wayland"})
        self.env.pop("QT_QPA_PLATFORM", None)
        process = self.spawn("kwin", [kwin, "--x11-display", host, "--width", str(SCREEN[0]),
                                      "--height", str(SCREEN[1]), "--socket", socket_name,
                                      "--xwayland", "--xwayland-display", ":%d" % number,
                                      "--xwayland-fd", str(listener.fileno())],
                             pass_fds=(listener.fileno(),))
        listener.close()
        deadline = time.monotonic() + START_TIMEOUT
        xwayland = ":%d" % number
        while True:
            if process.poll() is not None:
                raise SessionError("kwin_wayland exited with status %s: %s"
                                   % (process.returncode, self.log_tail("kwin")))
            if time.monotonic() > deadline:
                raise SessionError("KWin or its XWayland (%s) did not start within %ds: %s"
                                   % (xwayland, START_TIMEOUT, self.log_tail("kwin")))
            if (os.path.exists(os.path.join(self.runtime, socket_name)) and
                    self.allow_on(xwayland, pwd.getpwuid(os.geteuid()).pw_name)):
                break
            time.sleep(WM_POLL)
        self.export("HOST_DISPLAY", host)
        self.export("DISPLAY", xwayland)
        self.export("WAYLAND_DISPLAY", socket_name)
        self.export("XDG_CURRENT_DESKTOP", "KDE")
        self.export("SESSION_UID", str(os.geteuid()))
        self.export("SESSION_GID", str(os.getegid()))
        # Native Wayland browsers.
        self.env["MOZ_ENABLE_WAYLAND"] = "1"

    def free_x_display(self):
        """A display number nobody uses, with its lock file taken and its listening socket."""
        import socket
        for number in range(90, 190):
            lock = "/tmp/.X%d-lock" % number
            path = "/tmp/.X11-unix/X%d" % number
            try:
                fd = os.open(lock, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o444)
            except FileExistsError:
                continue
            os.write(fd, b"%10d\n" % self.pid)
            os.close(fd)
            os.makedirs("/tmp/.X11-unix", mode=0o1777, exist_ok=True)
            try:
                os.unlink(path)
            except FileNotFoundError:
                pass
            listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            listener.bind(path)
            listener.listen(16)
            listener.set_inheritable(True)
            return number, listener
        raise SessionError("no free X display number between 90 and 189")

    def kwin_ask(self, expression):
        """What a one-off KWin script prints for the JavaScript expression (JSON), or None."""
        self.kwin_asked = getattr(self, "kwin_asked", 0) + 1
        name = "tandrel-e2e-ask-%d" % self.kwin_asked
        marker = "TANDREL-E2E-%d " % self.kwin_asked
        script = os.path.join(self.tmp, name + ".js")
        with open(script, "w") as f:
            f.write("print(%s + JSON.stringify(%s));\n" % (json.dumps(marker), expression))
        log = os.path.join(self.tmp, "kwin.log")

        def scripting(method, *args):
            subprocess.run([self.programs["dbus-send"], "--session", "--print-reply",
                            "--dest=org.kde.KWin", "/Scripting",
                            "org.kde.kwin.Scripting." + method] + list(args), env=self.env,
                           capture_output=True, timeout=START_TIMEOUT)
        scripting("loadScript", "string:" + script, "string:" + name)
        scripting("start")
        deadline = time.monotonic() + KWIN_ANSWER_TIMEOUT
        answer = None
        while answer is None and time.monotonic() < deadline:
            with open(log, "rb") as f:
                for line in f.read().decode("utf-8", "replace").splitlines():
                    if marker in line:
                        answer = json.loads(line.split(marker, 1)[1])
            if answer is None:
                time.sleep(WM_POLL)
        scripting("unloadScript", "string:" + name)
        os.unlink(script)
        return answer

    def kwin_window(self, pid):
        """KWin's idea of where the window of the process is: its surface's top-left corner (for
        a window that decorates itself, outside its shadow), or None while it has none."""
        found = self.kwin_ask("workspace.clientList().filter(function (c) { return c.pid == %d; })"
                              ".map(function (c) { return [c.bufferGeometry.x, c.bufferGeometry.y]; })"
                              % pid)
        return tuple(round(v) for v in found[0]) if found else None

    def trust(self, program):
        """Lets the program at this path type into native windows: on KWin, a desktop entry in
        the session's own applications folder that names it and grants the fake input."""
        if self.compositor != "kwin":
            return
        folder = os.path.join(self.home, ".local", "share", "applications")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "tandrel-under-test.desktop"), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Tandrel under test\nExec=%s\n"
                    "NoDisplay=true\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n"
                    % os.path.realpath(program))
        # KWin looks entries up in KDE's service cache, which would notice the new one a while
        # later: it is brought up to date now, as a login would.
        if shutil.which("kbuildsycoca5"):
            subprocess.run(["kbuildsycoca5"], env=self.env, capture_output=True,
                           timeout=START_TIMEOUT)

    def start_gnome_shell(self):
        """gnome-shell nested in the X display, with its Xwayland, and Tandrel's extension
        answering on the session bus. DISPLAY becomes that Xwayland, HOST_DISPLAY stays the X
        display where input arrives."""
        gnome_session.install_extension(self.home, self.user)
        system_bus = self.spawn("system-bus", [
            self.programs["dbus-daemon"], "--session", "--nofork", "--print-address=1",
            "--address=unix:path=" + os.path.join(self.tmp, "system-bus")],
            stdout=subprocess.PIPE, **self.as_user())
        address = LineReader(system_bus.stdout.fileno()).readline(
            time.monotonic() + START_TIMEOUT)
        if not address:
            raise SessionError("the private system bus did not start")
        host = self.env["DISPLAY"]
        shell = self.spawn("gnome-shell", gnome_session.shell_argv(
            self.programs["gnome-shell"], self.user),
            env=gnome_session.shell_environment(self.env, address.strip(), SCREEN))
        try:
            gnome_session.wait_for_extension(self.programs["dbus-send"], self.env,
                                             self.as_user(), shell,
                                             lambda: self.log_tail("gnome-shell"))
            gnome_session.leave_overview(self.programs["dbus-send"], self.env, self.as_user())
        except gnome_session.GnomeShellError as e:
            raise SessionError(str(e))
        xwayland = gnome_session.xwayland_of(shell.pid)
        if not xwayland:
            raise SessionError("gnome-shell started no Xwayland: " + self.log_tail("gnome-shell"))
        display, cookie = xwayland
        # Xwayland lets in holders of mutter's cookie; the one who started this session and
        # the session's user without it (tandrel) may connect too.
        me = pwd.getpwuid(os.geteuid()).pw_name
        deadline = time.monotonic() + START_TIMEOUT
        while not (self.allow_on(display, me, cookie) and
                   self.allow_on(display, self.user.pw_name, cookie)):
            if time.monotonic() > deadline:
                raise SessionError("gnome-shell's Xwayland (%s) did not answer within %ds"
                                   % (display, START_TIMEOUT))
            time.sleep(WM_POLL)
        self.export("HOST_DISPLAY", host)
        self.export("DISPLAY", display)
        self.export("WAYLAND_DISPLAY", gnome_session.WAYLAND_SOCKET)
        self.export("XDG_CURRENT_DESKTOP", "GNOME")
        self.export("SESSION_UID", str(self.user.pw_uid))
        self.export("SESSION_GID", str(self.user.pw_gid))

    def gnome_focused_window(self):
        return gnome_session.focused_window(self.programs["dbus-send"], self.env,
                                            self.as_user())

    def allow_on(self, display, name, cookie=None):
        """Lets the local user `name` connect to the display, asking as the session's user (the
        only one let in at first, or with the cookie in that file) from a child process; False
        while the display does not answer."""
        child = os.fork()
        if child == 0:
            status = 1
            try:
                if cookie:
                    os.environ["XAUTHORITY"] = cookie
                if self.user and self.user.pw_uid != os.geteuid():
                    os.setgroups([])
                    os.setgid(self.user.pw_gid)
                    os.setuid(self.user.pw_uid)
                root = RootWindow(display)
                root.allow_local_user(name)
                root.close()
                status = 0
            finally:
                os._exit(status)
        return os.waitpid(child, 0)[1] == 0

    def settled_window(self, pid, deadline):
        """window_origin once it has held still for a while: sway first centres a new window's
        first, smaller frame in its tile, until the browser has drawn one of the tile's size."""
        last, same = None, 0
        while time.monotonic() < deadline:
            origin = self.window_origin(pid)
            same = same + 1 if origin is not None and origin == last else 0
            if same >= SWAY_SETTLE_READINGS:
                return origin
            last = origin
            time.sleep(WM_POLL * 2)
        return None

    def window_origin(self, pid):
        """The compositor's idea of where the window of the process is: the top-left corner of
        its surface on the screen (sway draws tiled windows without shadows: their content's),
        which the page counts from, or None while it has none."""
        if self.compositor == "kwin":
            return self.kwin_window(pid)
        if self.compositor == "gnome":
            window = self.gnome_focused_window()
            if window and window.get("pid") == pid:
                return gnome_session.page_origin(window, self.browser_kind == "firefox")
            return None
        return self.sway_window(pid)[0] if self.compositor == "sway" else None

    def sway_nodes(self):
        result = subprocess.run([self.programs["swaymsg"], "--raw", "-t", "get_tree"],
                                env=self.env, capture_output=True, text=True,
                                timeout=START_TIMEOUT)
        if result.returncode != 0:
            return
        nodes = [json.loads(result.stdout)]
        while nodes:
            node = nodes.pop()
            yield node
            nodes += node.get("nodes", []) + node.get("floating_nodes", [])

    def sway_window(self, pid):
        """sway's window of the process (its content's top-left corner on the screen) and the
        process sway gives the keyboard focus to (0 for none)."""
        origin, focused = None, 0
        for node in self.sway_nodes():
            if pid and node.get("pid") == pid and node.get("rect"):
                inner = node.get("window_rect") or {}
                origin = (node["rect"]["x"] + inner.get("x", 0),
                          node["rect"]["y"] + inner.get("y", 0))
            if node.get("focused"):
                focused = node.get("pid") or 0
        return origin, focused

    # -- what a user does inside a compositor ------------------------------------------------

    def focused_process(self):
        """The process whose window has the compositor's keyboard focus; 0 for none."""
        if self.compositor == "sway":
            return self.sway_window(0)[1]
        if self.compositor == "kwin":
            return self.kwin_ask("workspace.activeClient ? workspace.activeClient.pid : 0") or 0
        if self.compositor == "gnome":
            window = self.gnome_focused_window()
            if window is None:
                raise SessionError("Tandrel's shell extension does not answer")
            return window.get("pid", 0)
        raise SessionError("no compositor runs")

    def copy(self, mime, data):
        """The user's clipboard, held by a program of the session's user as a native application
        would hold it, until the next copy."""
        deadline = time.monotonic() + START_TIMEOUT
        # Without data-control (GNOME) wl-copy needs the keyboard focus for a moment, and gives
        # up now and then when it does not get it: it is started again.
        for attempt in range(COPY_ATTEMPTS):
            self.release_clipboard()
            holder = self.spawn("wl-copy", [self.programs["wl-copy"], "--foreground", "--type",
                                            mime], stdin=subprocess.PIPE, **self.as_user())
            holder.stdin.write(data)
            holder.stdin.close()
            self.clipboard_holder = holder
            while self.paste(mime) != data:
                if holder.poll() is not None or time.monotonic() > deadline:
                    break
                time.sleep(WM_POLL)
            else:
                return
        raise SessionError("wl-copy did not take the clipboard: " + self.log_tail("wl-copy"))

    def release_clipboard(self):
        if self.clipboard_holder is not None:
            self.stop_child("wl-copy", self.clipboard_holder)
            self.children = [c for c in self.children if c[1] is not self.clipboard_holder]
            self.clipboard_holder = None

    def paste(self, mime):
        """The clipboard's content of the type as a native application reads it; None when it
        has none."""
        try:
            result = subprocess.run([self.programs["wl-paste"], "--no-newline", "--type", mime],
                                    env=self.env, capture_output=True, timeout=PASTE_TIMEOUT,
                                    **self.as_user())
        except subprocess.TimeoutExpired:
            return None  # an owner that does not answer (a browser starting) holds nothing yet
        return result.stdout if result.returncode == 0 else None

    def key(self, keysym):
        """A key typed on the keyboard the compositor reads, as the user would type it."""
        display = self.exported.get("HOST_DISPLAY", self.env["DISPLAY"])
        result = subprocess.run([self.programs["xdotool"], "key", keysym],
                                env=dict(self.env, DISPLAY=display), capture_output=True,
                                text=True, timeout=START_TIMEOUT)
        if result.returncode != 0:
            raise SessionError("xdotool could not type: " + result.stderr.strip())

    def click(self, x, y):
        """A click as from the mouse at X screen coordinates, on the display the compositor
        reads its pointer from. The button is held a moment: nested compositors may take a
        quicker click for a focus change alone."""
        display = self.exported.get("HOST_DISPLAY", self.env["DISPLAY"])
        if "HOST_DISPLAY" in self.exported:
            # A nested compositor's window has its output's pixels; X screen coordinates inside
            # it (XWayland's) are points.
            x, y = round(x * self.scale), round(y * self.scale)
        result = subprocess.run([self.programs["xdotool"], "mousemove", str(x), str(y), "sleep",
                                 "0.2", "mousedown", "1", "sleep", "0.15", "mouseup", "1"],
                                env=dict(self.env, DISPLAY=display), capture_output=True,
                                text=True, timeout=START_TIMEOUT)
        if result.returncode != 0:
            raise SessionError("xdotool could not click: " + result.stderr.strip())

    def start_dbus(self):
        process = self.spawn("dbus-daemon", [
            self.programs["dbus-daemon"], "--session", "--nofork", "--print-address=1",
            "--address=unix:dir=" + self.runtime], stdout=subprocess.PIPE, **self.as_user())
        line = LineReader(process.stdout.fileno()).readline(time.monotonic() + START_TIMEOUT)
        if not line:
            raise SessionError("dbus-daemon did not start (exit %s): %s"
                               % (process.poll(), self.log_tail("dbus-daemon")))
        self.export("DBUS_SESSION_BUS_ADDRESS", line.strip())

    def dbus_call(self, *args):
        argv = [self.programs["dbus-send"], "--session", "--print-reply", "--reply-timeout=10000",
                "--dest=org.a11y.Bus", "/org/a11y/bus"] + list(args)
        try:
            result = subprocess.run(argv, env=self.env, capture_output=True, text=True,
                                    timeout=START_TIMEOUT, **self.as_user())
        except subprocess.TimeoutExpired:
            raise SessionError("the accessibility bus did not answer %s" % args[0])
        if result.returncode != 0:
            raise SessionError("the accessibility bus did not start (package at-spi2-core; "
                               "scripts/setup installs it): " + result.stderr.strip())
        return result.stdout

    def set_accessibility(self, enabled):
        self.dbus_call("org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status",
                       "string:IsEnabled", "variant:boolean:" + ("true" if enabled else "false"))

    def start_accessibility_bus(self):
        # IsEnabled must be true before a browser starts: it reads it once, at launch.
        self.set_accessibility(True)
        reply = self.dbus_call("org.a11y.Bus.GetAddress")
        address = reply.split('"')[1] if reply.count('"') >= 2 else ""
        if not address:
            raise SessionError("the accessibility bus gave no address: " + reply.strip())
        enabled = self.dbus_call("org.freedesktop.DBus.Properties.Get", "string:org.a11y.Status",
                                 "string:IsEnabled")
        if "boolean true" not in enabled:
            raise SessionError("org.a11y.Status IsEnabled stayed false: " + enabled.strip())
        self.export("AT_SPI_BUS_ADDRESS", address)

    def restart_accessibility_bus(self):
        """Ends the accessibility bus as a crash of its service would (the launcher, its bus and
        the registry, killed), then starts a new one at a new address, as the session's next
        request for it does. Programs started from now on are given the new address."""
        reply = subprocess.run(
            [self.programs["dbus-send"], "--session", "--print-reply", "--dest=org.freedesktop.DBus",
             "/org/freedesktop/DBus", "org.freedesktop.DBus.GetConnectionUnixProcessID",
             "string:org.a11y.Bus"], env=self.env, capture_output=True, text=True,
            timeout=START_TIMEOUT)
        fields = reply.stdout.split()
        if reply.returncode != 0 or not fields or not fields[-1].isdigit():
            raise SessionError("no process owns org.a11y.Bus: " + reply.stderr.strip())
        launcher = int(fields[-1])
        parents = {}
        for entry in os.listdir("/proc"):
            if entry.isdigit():
                try:
                    with open("/proc/%s/stat" % entry) as stat:
                        parents[int(entry)] = int(stat.read().rsplit(")", 1)[1].split()[1])
                except (OSError, ValueError, IndexError):
                    pass
        doomed = {launcher}
        grew = True
        while grew:
            children = {pid for pid, parent in parents.items() if parent in doomed}
            grew = not children <= doomed
            doomed |= children
        for pid in doomed:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        deadline = time.monotonic() + START_TIMEOUT
        while os.path.exists("/proc/%d" % launcher) and time.monotonic() < deadline:
            time.sleep(0.05)
        self.start_accessibility_bus()

    def openssl(self, *args):
        try:
            result = subprocess.run([self.programs["openssl"]] + list(args), capture_output=True,
                                    text=True, timeout=START_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise SessionError("openssl did not finish making the certificates")
        if result.returncode != 0:
            raise SessionError("openssl could not make a certificate: " + result.stderr.strip())

    def make_certificates(self):
        """A private certificate authority and a server certificate it signs for every chat host.
        Chromium is told to ignore certificate errors; Firefox refuses a self-signed server
        certificate outright, but trusts this authority once it is in its profile."""
        ca_key, ca_cert = (os.path.join(self.tmp, n) for n in ("ca-key.pem", "ca.pem"))
        key, request, cert = (os.path.join(self.tmp, n)
                              for n in ("key.pem", "server.csr", "cert.pem"))
        extensions = os.path.join(self.tmp, "server.ext")
        with open(extensions, "w") as f:
            f.write("basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\n"
                    "extendedKeyUsage=serverAuth\n"
                    "subjectAltName=DNS:%s,DNS:%s,IP:127.0.0.1\n" % (CHAT_HOST, OTHER_HOST))
        curve = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
        self.openssl("req", "-x509", *curve, "-days", "2", "-keyout", ca_key, "-out", ca_cert,
                     "-subj", "/CN=Tandrel test authority",
                     "-addext", "basicConstraints=critical,CA:TRUE",
                     "-addext", "keyUsage=critical,keyCertSign,cRLSign")
        self.openssl("req", *curve, "-keyout", key, "-out", request, "-subj", "/CN=" + CHAT_HOST)
        self.openssl("x509", "-req", "-in", request, "-CA", ca_cert, "-CAkey", ca_key,
                     "-CAcreateserial", "-days", "2", "-extfile", extensions, "-out", cert)
        self.ca_cert = ca_cert
        return cert, key

    def start_fixture_server(self):
        cert, key = self.make_certificates()
        self.server = self.spawn("fixture-server", [
            sys.executable, os.path.join(HERE, "fixture_server.py"), "--cert", cert,
            "--key", key], stdout=subprocess.PIPE)
        self.server_reader = LineReader(self.server.stdout.fileno())
        line = self.server_reader.readline(time.monotonic() + START_TIMEOUT)
        if not line or not line.startswith("port "):
            raise SessionError("the fixture server did not start: " +
                               self.log_tail("fixture-server"))
        self.export("FIXTURE_PORT", line.split()[1])

    # -- the browser ---------------------------------------------------------------------------

    def chromium_argv(self, url, window_class=None):
        port = self.exported["FIXTURE_PORT"]
        profile = os.path.join(self.tmp, "chromium-profile-%d" % self.browser_runs)
        rules = "MAP %s 127.0.0.1:%s, MAP %s 127.0.0.1:%s" % (CHAT_HOST, port, OTHER_HOST, port)
        return [self.programs["chromium"], "--no-sandbox", "--disable-gpu", "--no-first-run",
                "--disable-background-networking", "--disable-component-update", "--disable-sync",
                "--disable-quic", "--test-type", "--user-data-dir=" + profile,
                "--force-renderer-accessibility", "--ignore-certificate-errors",
                "--host-resolver-rules=" + rules, "--password-store=basic",
                "--window-position=100,50", "--window-size=1200,800",
                "--app=" + url] + (
                    [] if self.native_browser else
                    ["--force-device-scale-factor=%g" % self.scale]) + (
                    ["--class=" + window_class] if window_class else []) + (
                    ["--ozone-platform=wayland" if self.native_browser else
                     "--ozone-platform=x11"] if self.compositor else [])

    def firefox_profile(self):
        """A fresh profile that trusts the private authority, resolves the chat hosts to the
        fixture server and starts without any first-run page, update or telemetry."""
        profile = os.path.join(self.tmp, "firefox-profile-%d" % self.browser_runs)
        os.mkdir(profile, 0o700)
        if self.user:
            os.chown(profile, self.user.pw_uid, self.user.pw_gid)
        database = "sql:" + profile
        for argv in (["-N", "-d", database, "--empty-password"],
                     ["-A", "-d", database, "-n", "tandrel-test-ca", "-t", "C,,",
                      "-i", self.ca_cert]):
            result = subprocess.run([self.programs["certutil"]] + argv, env=self.env,
                                    capture_output=True, text=True, timeout=START_TIMEOUT,
                                    **self.as_user())
            if result.returncode != 0:
                raise SessionError("certutil could not prepare the Firefox profile: " +
                                   (result.stderr or result.stdout).strip())
        prefs = {
            "network.dns.localDomains": "%s,%s" % (CHAT_HOST, OTHER_HOST),
            "network.socket.forcePort": "443=%s" % self.exported["FIXTURE_PORT"],
            "browser.shell.checkDefaultBrowser": False,
            "browser.startup.homepage_override.mstone": "ignore",
            "browser.startup.firstrunSkipsHomepage": True,
            "browser.startup.couldRestoreSession.count": -1,
            "browser.aboutwelcome.enabled": False,
            "browser.newtab.preload": False,
            "browser.tabs.warnOnClose": False,
            "browser.sessionstore.resume_from_crash": False,
            "datareporting.policy.dataSubmissionEnabled": False,
            "datareporting.policy.dataSubmissionPolicyBypassNotification": True,
            "toolkit.telemetry.reportingpolicy.firstRun": False,
            "app.update.auto": False,
            "app.update.enabled": False,
            "app.normandy.enabled": False,
            "extensions.update.enabled": False,
            "network.captive-portal-service.enabled": False,
            "network.connectivity-service.enabled": False,
            "browser.safebrowsing.update.enabled": False,
            "browser.safebrowsing.downloads.remote.enabled": False,
            "media.hardware-video-decoding.enabled": False,
            "toolkit.startup.max_resumed_crashes": -1,
            # A native client draws at the scale its compositor gives it.
            "layout.css.devPixelsPerPx": "%g" % (1 if self.native_browser else self.scale),
        }
        with open(os.path.join(profile, "user.js"), "w") as f:
            for name, value in prefs.items():
                f.write("user_pref(%s, %s);\n" % (json.dumps(name), json.dumps(value)))
        return profile

    def firefox_argv(self, url, window_class=None):
        return [self.programs["firefox"], "--no-remote", "--new-instance", "--profile",
                self.firefox_profile(), "--width", "1200", "--height", "800"] + (
                    ["--class", window_class] if window_class else []) + [url]

    def focus_firefox_window(self):
        """Without a window manager nobody gives Firefox's new window the X input focus, and its
        page never sees the focus it asks for: hand it over, as a click would."""
        result = subprocess.run([self.programs["xdotool"], "search", "--onlyvisible", "--pid",
                                 str(self.browser.pid)], env=self.env, capture_output=True,
                                text=True, timeout=START_TIMEOUT)
        windows = result.stdout.split()
        if windows:
            subprocess.run([self.programs["xdotool"], "windowfocus", windows[-1]], env=self.env,
                           capture_output=True, timeout=START_TIMEOUT)

    def open(self, url, window_class=None):
        if urllib.parse.urlsplit(url).path == "":
            url += "/"  # as the page will spell its own address
        self.stop_browser()
        self.drain_reports()
        self.browser_runs += 1
        firefox = self.browser_kind == "firefox"
        if firefox:
            self.browser = self.spawn("firefox", self.firefox_argv(url, window_class),
                                      **self.as_user())
        else:
            self.browser = self.spawn("chromium", self.chromium_argv(url, window_class),
                                      **self.as_user())
        deadline = time.monotonic() + OPEN_TIMEOUT
        next_focus = time.monotonic() + FOCUS_RETRY
        last = None
        while time.monotonic() < deadline:
            line = self.server_reader.readline(min(deadline, time.monotonic() + 0.25))
            self.keep_sent(line)
            if line and line.startswith("missing ") and url.endswith(line[len("missing "):]):
                raise SessionError("no such fixture page: %s" % url)
            if line and line.startswith("report "):
                report = json.loads(line[len("report "):])
                last = report
                if report.get("url") == url and report.get("focused"):
                    rects = report["rects"]
                    if self.native_browser:
                        # A Wayland page knows nothing of its place on the screen: the
                        # compositor does.
                        origin = self.settled_window(self.browser.pid, deadline)
                        if origin is None:
                            continue
                        # The page reported again while its window found its size.
                        for later in self.drain_reports():
                            if later.get("url") == url and later.get("focused"):
                                rects = later["rects"]
                        # The page counts device pixels from its window; the compositor and
                        # XWayland count points.
                        rects = {name: [round(r[0] / self.scale) + origin[0],
                                        round(r[1] / self.scale) + origin[1],
                                        round(r[2] / self.scale), round(r[3] / self.scale)]
                                 if r else None for name, r in rects.items()}
                    return {"url": url, "pid": self.browser.pid, "rects": rects,
                            "browser": self.browser_kind, "view": report.get("view")}
            if self.server_reader.closed:
                raise SessionError("the fixture server stopped: " +
                                   self.log_tail("fixture-server"))
            if self.browser.poll() is not None:
                raise SessionError("%s exited with status %s: %s"
                                   % (self.browser_kind, self.browser.returncode,
                                      self.log_tail(self.browser_kind)))
            if (firefox and not self.window_manager and not self.compositor
                    and time.monotonic() >= next_focus):
                self.focus_firefox_window()
                next_focus = time.monotonic() + FOCUS_RETRY
        raise SessionError("%s did not show %s with its input focused within %ds "
                           "(last report: %s; log: %s)"
                           % (self.browser_kind, url, OPEN_TIMEOUT, json.dumps(last),
                              self.log_tail(self.browser_kind, 5)))

    def drain_reports(self):
        """Keeps the messages the pages sent so far; answers their reports meanwhile, oldest
        first."""
        while True:
            ready, _, _ = select.select([self.server_reader.fd], [], [], 0)
            if not ready or self.server_reader.closed:
                break
            self.server_reader.fill()
        reports = []
        while True:
            line = self.server_reader.pending_line()
            if line is None:
                break
            self.keep_sent(line)
            if line.startswith("report "):
                try:
                    reports.append(json.loads(line[len("report "):]))
                except ValueError:
                    note("malformed report from the fixture server: " + line)
        return reports

    def keep_sent(self, line):
        if line and line.startswith("sent "):
            try:
                self.sent.append(json.loads(line[len("sent "):]))
            except ValueError:
                note("malformed message from the fixture server: " + line)

    def take_sent(self):
        self.drain_reports()
        sent, self.sent = self.sent, []
        return sent

    def stop_browser(self):
        if self.browser is not None:
            self.stop_child(self.browser_kind, self.browser)
            self.children = [c for c in self.children if c[1] is not self.browser]
            self.browser = None

    # -- stopping ------------------------------------------------------------------------------

    @staticmethod
    def stop_child(name, process):
        """Stops the child and everything in its process group."""
        try:
            os.killpg(process.pid, signal.SIGTERM)
        except (ProcessLookupError, PermissionError):
            pass
        try:
            process.wait(STOP_GRACE)
        except subprocess.TimeoutExpired:
            note("%s (pid %d) ignored SIGTERM; killing it" % (name, process.pid))
        # The leader may be gone while helpers it started (renderers, bus launchers) linger.
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass
        try:
            process.wait(STOP_GRACE)
        except subprocess.TimeoutExpired:
            note("%s (pid %d) did not stop" % (name, process.pid))

    def stop(self):
        for name, process in reversed(self.children):
            self.stop_child(name, process)
        self.children = []
        lock = getattr(self, "kwin_display_lock", None)
        if lock:
            for path in (lock, "/tmp/.X11-unix/X" + lock[len("/tmp/.X"):-len("-lock")]):
                try:
                    os.unlink(path)
                except OSError:
                    pass
        shutil.rmtree(self.tmp, ignore_errors=True)


def on_signal(signum, frame):
    raise Stop()


def serve(session, initial_url):
    stdin = LineReader(sys.stdin.fileno())
    commands = [("open", initial_url)] if initial_url else []
    while True:
        if commands:
            command, argument = commands.pop(0)
        else:
            line = stdin.pending_line()
            if line is None:
                if stdin.closed:
                    return
                # Keep reading the pages' reports meanwhile, so the server never blocks on a
                # full pipe.
                server = session.server_reader
                watched = [stdin.fd] + ([] if server.closed else [server.fd])
                ready, _, _ = select.select(watched, [], [])
                if stdin.fd in ready:
                    stdin.fill()
                if server.fd in ready:
                    session.drain_reports()
                continue
            command, _, argument = line.strip().partition(" ")
            argument = argument.strip()
        if command == "quit":
            return
        if command == "sent":
            say("sent " + json.dumps(session.take_sent(), separators=(",", ":")))
        elif command == "accessibility" and argument in ("on", "off", "restart"):
            try:
                if argument == "restart":
                    session.restart_accessibility_bus()
                else:
                    session.set_accessibility(argument == "on")
                say("accessibility " + argument)
            except SessionError as e:
                say("error " + str(e))
        elif command in ("focused", "copy", "paste", "click", "key"):
            try:
                words = argument.split()
                if command == "focused":
                    say("focused %d" % session.focused_process())
                elif command == "copy" and len(words) == 2:
                    session.copy(words[0], base64.b64decode(words[1]))
                    say("copied")
                elif command == "paste" and len(words) == 1:
                    data = session.paste(words[0])
                    say("pasted " + ("-" if data is None else
                                     base64.b64encode(data).decode("ascii") or "="))
                elif command == "key" and len(words) == 1:
                    session.key(words[0])
                    say("typed")
                elif command == "click" and len(words) == 2:
                    session.click(int(words[0]), int(words[1]))
                    say("clicked")
                else:
                    say("error %s: wrong arguments" % command)
            except (SessionError, ValueError, subprocess.TimeoutExpired) as e:
                say("error " + str(e))
        elif command == "trust" and argument:
            session.trust(argument)
            say("trusted")
        elif command == "open" and argument:
            url, _, window_class = argument.partition(" ")
            try:
                say("opened " + json.dumps(session.open(url, window_class.strip() or None),
                                           separators=(",", ":")))
            except SessionError as e:
                say("error " + str(e))
        elif command:
            say("error unknown command: %s (commands: open <url>, sent, accessibility "
                "on|off|restart, focused, copy <type> <base64>, paste <type>, click <x> <y>, key <k>, "
                "quit)" % command)


def main():
    parser = argparse.ArgumentParser(
        description="Private desktop (Xvfb, D-Bus, accessibility bus, HTTPS fixtures, and "
                    "Chromium or Firefox) "
                    "for end-to-end tests.",
        epilog="Reads commands on stdin: 'open <url>', 'sent' and 'quit'. Fixture pages: "
               "https://chatgpt.com/{textarea,contenteditable,search,password,two-fields}.html and "
               "https://example.com/textarea.html.")
    parser.add_argument("--open", metavar="URL", help="open this page once the desktop is ready")
    parser.add_argument("--window-manager", action="store_true",
                        help="run openbox on the display, as a user's desktop would")
    parser.add_argument("--tray", action="store_true",
                        help="run trayer, an XEmbed system tray, at the top right")
    parser.add_argument("--scale", type=float, default=1,
                        help="device pixels per point for the browser (default 1)")
    parser.add_argument("--compositor", choices=COMPOSITORS,
                        help="run the browser natively inside this Wayland compositor, nested in "
                             "the X display (as root, as the system user %s)" % SWAY_USER)
    parser.add_argument("--xwayland-browser", action="store_true",
                        help="with --compositor: the browser as an X11 client of its XWayland")
    parser.add_argument("--browser", choices=BROWSERS, default="chromium",
                        help="the browser that shows the pages (default chromium; firefox runs "
                             "Firefox ESR)")
    args = parser.parse_args()

    for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(signum, on_signal)
    # Whoever started us (a test, the demo, a shell) going away ends the session too.
    die_with_parent(signal.SIGTERM)

    session = None
    status = 0
    try:
        if args.scale <= 0:
            raise SessionError("--scale must be positive")
        session = Session(window_manager=args.window_manager, tray=args.tray, scale=args.scale,
                          browser=args.browser, compositor=args.compositor,
                          xwayland_browser=args.xwayland_browser)
        session.start()
        for key, value in session.exported.items():
            say("%s=%s" % (key, value))
        say("ready")
        if sys.stdin.isatty():
            note("export " + " ".join("%s='%s'" % kv for kv in session.exported.items()))
        serve(session, args.open)
    except SessionError as e:
        say("error " + str(e))
        status = 1
    except (Stop, BrokenPipeError):
        pass
    finally:
        for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            signal.signal(signum, signal.SIG_IGN)
        if session is not None:
            session.stop()
    return status


if __name__ == "__main__":
    sys.exit(main())
